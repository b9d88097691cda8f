// Scheduler: the host's virtual clock, SetTimeout timers and the Execute queue. Time moves only when
// the host advances it, so runs are deterministic and tests never sleep. Everything runs on the game
// thread; only Execute may be called from any thread (the render thread hands work over with it).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "owner.h"

namespace host {

class Scheduler {
public:
    double Now() const { return now_; }  // seconds since the host started

    // Runs task once, delaySeconds from now (a negative delay counts as 0).
    void SetTimeout(OwnerId owner, std::function<void()> task, double delaySeconds);
    // Runs task at the next Advance, before any timer.
    void Execute(OwnerId owner, std::function<void()> task);

    // Moves the clock forward by seconds: first the queued Execute tasks, then every timer that falls
    // due, in order of due time (ties in order of scheduling), each seeing the clock at its due time.
    void Advance(double seconds);
    // Runs the queued Execute tasks without moving the clock.
    void RunPending();

    // Drops every task of an owner that has not run yet (a plug-in being unloaded).
    void DropOwner(OwnerId owner);
    std::size_t PendingCount() const {
        std::scoped_lock lock(queueMutex_);
        return timers_.size() + queue_.size();
    }

private:
    struct Timer {
        double due;
        std::uint64_t sequence;
        OwnerId owner;
        std::function<void()> task;
    };
    struct Queued {
        OwnerId owner;
        std::function<void()> task;
    };

    std::optional<Queued> TakeQueued();  // the oldest queued task, if any

    double now_ = 0.0;
    std::uint64_t nextSequence_ = 0;
    std::vector<Timer> timers_;
    mutable std::mutex queueMutex_;  // guards queue_
    std::deque<Queued> queue_;
};

}  // namespace host
