// Uploads that arrive together are committed together: each request waits for the transaction that
// holds its match, one disk flush for many uploads, and is answered only once it is committed.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "dashboard/storage.h"

namespace dashboard {

class CommitBatcher {
public:
    explicit CommitBatcher(Storage& storage, std::size_t mostPerCommit = 256);
    CommitBatcher(const CommitBatcher&) = delete;
    CommitBatcher& operator=(const CommitBatcher&) = delete;
    ~CommitBatcher();

    // Waits until the submission is committed (or found kept already); throws StorageUnavailable
    // when its transaction failed, in which case nothing of it was stored.
    StoreOutcome Store(Submission submission);
    // Commits what is waiting and stops; later Store calls throw StorageUnavailable.
    void Stop();

    uint64_t Commits() const { return commits_.load(); }  // transactions committed
    uint64_t Stored() const { return stored_.load(); }    // submissions answered as committed

private:
    struct Waiting {
        Submission submission;
        std::promise<StoreOutcome> outcome;
    };
    void Run();

    Storage& storage_;
    std::size_t mostPerCommit_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<Waiting> waiting_;
    bool stopping_ = false;
    std::atomic<uint64_t> commits_{0};
    std::atomic<uint64_t> stored_{0};
    std::thread committer_;
};

}  // namespace dashboard
