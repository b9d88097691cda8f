// The plug-in's worker thread: a queue of tasks run in order, started at the first task.
#include "base/worker.h"

#include <utility>
#include <vector>

namespace zando {

namespace {
thread_local const Worker* currentWorker = nullptr;
}  // namespace

bool Worker::OnWorkerThread() { return currentWorker != nullptr; }
bool Worker::OnThisWorker() const { return currentWorker == this; }

bool Worker::Post(Task task, Task ifDropped) {
    {
        std::scoped_lock lock(mutex_);
        // Once stopping, only the worker's own work may add a step (a reading followed by its file).
        if (!stopping_ || currentWorker == this) {
            queue_.push_back({std::move(task), std::move(ifDropped)});
            if (!thread_.joinable() && !stopping_) thread_ = std::thread([this] { Run(); });
            changed_.notify_all();
            return true;
        }
    }
    if (ifDropped) ifDropped();
    return false;
}

void Worker::Run() {
    currentWorker = this;
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) return;  // stopping, nothing left
        Entry entry = std::move(queue_.front());
        queue_.pop_front();
        if (stopping_ && entry.ifDropped && std::chrono::steady_clock::now() >= dropAfter_) {
            dropped_.push_back(std::move(entry.ifDropped));
            continue;
        }
        running_ = true;
        runningDroppable_ = static_cast<bool>(entry.ifDropped);
        lock.unlock();
        entry.task();
        entry = {};
        lock.lock();
        running_ = runningDroppable_ = false;
        changed_.notify_all();
    }
}

bool Worker::WaitIdle(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    ++waiters_;
    changed_.notify_all();  // a task resting goes on
    const bool idle = changed_.wait_for(lock, limit, [this] { return queue_.empty() && !running_; });
    --waiters_;
    return idle;
}

bool Worker::Rest(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return !changed_.wait_for(lock, limit, [this] { return waiters_ > 0 || stopping_; });
}

bool Worker::Idle() const {
    std::scoped_lock lock(mutex_);
    return queue_.empty() && !running_;
}

bool Worker::HasDroppableWork() const {
    std::scoped_lock lock(mutex_);
    if (running_ && runningDroppable_) return true;
    for (const Entry& entry : queue_)
        if (entry.ifDropped) return true;
    return false;
}

int Worker::Stop(std::chrono::steady_clock::time_point dropAfter) {
    std::thread thread;
    {
        std::scoped_lock lock(mutex_);
        stopping_ = true;
        dropAfter_ = dropAfter;
        thread = std::move(thread_);
        changed_.notify_all();
    }
    if (thread.joinable()) thread.join();
    std::vector<Task> dropped;
    {
        std::scoped_lock lock(mutex_);
        dropped.swap(dropped_);
        for (Entry& entry : queue_)  // never started: no thread ran
            if (entry.ifDropped) dropped.push_back(std::move(entry.ifDropped));
        queue_.clear();
    }
    for (Task& ifDropped : dropped) ifDropped();
    return static_cast<int>(dropped.size());
}

}  // namespace zando
