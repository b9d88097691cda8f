// Database connections lent to one thread at a time, made when needed, and dropped when broken.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace dashboard {

template <class Connection>
class ConnectionPool {
public:
    using Opener = std::function<std::unique_ptr<Connection>()>;
    ConnectionPool(Opener open, std::size_t most) : open_(std::move(open)), most_(most) {}

    // A connection for the lender's scope; a broken one is handed back with Drop().
    class Lease {
    public:
        Lease(ConnectionPool& pool, std::unique_ptr<Connection> connection) : pool_(pool), connection_(std::move(connection)) {}
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        ~Lease() { pool_.GiveBack(std::move(connection_)); }
        Connection& operator*() { return *connection_; }
        Connection* operator->() { return connection_.get(); }
        void Drop() { connection_.reset(); }

    private:
        ConnectionPool& pool_;
        std::unique_ptr<Connection> connection_;
    };

    // Waits for a free connection when `most` are lent; opens one when none is idle (the opener's
    // exception passes through, and the place is given back).
    Lease Borrow() {
        std::unique_lock lock(mutex_);
        freed_.wait(lock, [&] { return !idle_.empty() || lent_ < most_; });
        ++lent_;
        if (!idle_.empty()) {
            std::unique_ptr<Connection> connection = std::move(idle_.back());
            idle_.pop_back();
            return Lease(*this, std::move(connection));
        }
        lock.unlock();
        try {
            return Lease(*this, open_());
        } catch (...) {
            GiveBack(nullptr);
            throw;
        }
    }

    // Closes the idle connections: after one was found broken (the database restarted), they are too.
    void DropIdle() {
        std::vector<std::unique_ptr<Connection>> dropped;
        {
            std::scoped_lock lock(mutex_);
            dropped.swap(idle_);
        }
        freed_.notify_all();
    }

private:
    void GiveBack(std::unique_ptr<Connection> connection) {
        {
            std::scoped_lock lock(mutex_);
            --lent_;
            if (connection) idle_.push_back(std::move(connection));
        }
        freed_.notify_one();
    }

    Opener open_;
    std::size_t most_;
    std::mutex mutex_;
    std::condition_variable freed_;
    std::vector<std::unique_ptr<Connection>> idle_;
    std::size_t lent_ = 0;
};

}  // namespace dashboard
