// The plug-in's worker thread: a queue of tasks run in order, started at the first task.
#include "base/worker.h"

#include <utility>
#include <vector>

namespace zando {

namespace {
thread_local bool onWorkerThread = false;
}  // namespace

bool Worker::OnWorkerThread() { return onWorkerThread; }

void Worker::Post(Task task, Task ifDropped) {
    std::scoped_lock lock(mutex_);
    // Once stopping, only the worker's own work may add a step (a reading followed by its file).
    if (stopping_ && !onWorkerThread) return;
    queue_.push_back({std::move(task), std::move(ifDropped)});
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    changed_.notify_all();
}

void Worker::Run() {
    onWorkerThread = true;
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) return;  // stopping, nothing left
        Entry entry = std::move(queue_.front());
        queue_.pop_front();
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
    return changed_.wait_for(lock, limit, [this] { return queue_.empty() && !running_; });
}

bool Worker::Idle() const {
    std::scoped_lock lock(mutex_);
    return queue_.empty() && !running_;
}

bool Worker::RunningDroppable() const {
    std::scoped_lock lock(mutex_);
    return running_ && runningDroppable_;
}

int Worker::Stop() {
    std::vector<Task> dropped;
    std::thread thread;
    {
        std::scoped_lock lock(mutex_);
        std::deque<Entry> kept;
        for (Entry& entry : queue_) {
            if (entry.ifDropped)
                dropped.push_back(std::move(entry.ifDropped));
            else
                kept.push_back(std::move(entry));
        }
        queue_ = std::move(kept);
        stopping_ = true;
        thread = std::move(thread_);
        changed_.notify_all();
    }
    if (thread.joinable()) thread.join();
    for (Task& ifDropped : dropped) ifDropped();
    return static_cast<int>(dropped.size());
}

}  // namespace zando
