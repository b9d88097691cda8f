// A thread of the plug-in's own for the work the game must not wait for: files, the match history and
// the dashboard's network exchanges. Tasks run one at a time, in the order they were handed over.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

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
    // task without one (a file, the history) always runs. Once Stop has begun, only this worker's own
    // tasks may hand over more: anything else is refused (false), and its ifDropped runs at once.
    bool Post(Task task, Task ifDropped = {});

    // Waits until every task handed over has run, at most limit; true when none is left.
    bool WaitIdle(std::chrono::milliseconds limit);
    // From a task: waits up to limit before going on (to let more work gather), cut short when someone
    // waits for the worker to be idle or it is stopping. True when it rested the whole time.
    bool Rest(std::chrono::milliseconds limit);
    bool Idle() const;
    // Whether the calling thread is a worker's (any worker's); whether it is this one's.
    static bool OnWorkerThread();
    bool OnThisWorker() const;

    // Ends the thread once everything handed over has run, except droppable tasks still waiting when
    // dropAfter has passed (an unreachable dashboard must not hold the game's unload for long): those
    // are dropped. The one running is waited for. Returns how many were dropped. Work handed over
    // after it is not run (the plug-in is going away).
    int Stop(std::chrono::steady_clock::time_point dropAfter = {});
    // Whether a droppable task is running or waiting.
    bool HasDroppableWork() const;

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
    int waiters_ = 0;        // threads in WaitIdle
    std::chrono::steady_clock::time_point dropAfter_;
    std::vector<Task> dropped_;  // the ifDropped actions of the tasks Stop dropped
    std::thread thread_;
};

}  // namespace zando
