// A thread of the plug-in's own for the work the game must not wait for: files, the match history and
// the dashboard's network exchanges. Tasks run one at a time, in the order they were handed over.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace zando {

class Worker {
public:
    using Task = std::function<void()>;

    Worker() = default;
    ~Worker() { Stop(); }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Runs task after every task handed over before it. A task given ifDropped (a network exchange) may
    // be dropped by Stop before it starts: ifDropped then runs instead, on the stopping thread. A
    // task without one (a file, the history) always runs.
    void Post(Task task, Task ifDropped = {});

    // Waits until every task handed over has run, at most limit; true when none is left.
    bool WaitIdle(std::chrono::milliseconds limit);
    bool Idle() const;
    // Whether the calling thread is a worker's.
    static bool OnWorkerThread();
    // Whether the task running now is one Stop could have dropped (an exchange in flight).
    bool RunningDroppable() const;

    // Ends the thread: the tasks that always run are run, the droppable ones not started are dropped,
    // and the one running is waited for. Returns how many were dropped. Work handed over after it
    // is not run (the plug-in is going away).
    int Stop();

private:
    struct Entry {
        Task task;
        Task ifDropped;
    };
    void Run();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Entry> queue_;
    bool running_ = false;  // a task is running
    bool runningDroppable_ = false;
    bool stopping_ = false;  // for good
    std::thread thread_;
};

}  // namespace zando
