// Scheduler: virtual clock, timers and the Execute queue.
#include "scheduler.h"

#include <algorithm>
#include <utility>

namespace host {

void Scheduler::SetTimeout(OwnerId owner, std::function<void()> task, double delaySeconds) {
    timers_.push_back(Timer{now_ + std::max(0.0, delaySeconds), nextSequence_++, owner, std::move(task)});
}

void Scheduler::Execute(OwnerId owner, std::function<void()> task) {
    queue_.push_back(Queued{owner, std::move(task)});
}

void Scheduler::RunPending() {
    // Tasks queued by these tasks wait for the next round, so a task that re-queues itself cannot spin.
    // Tasks taken one at a time, so that a task which unloads a plug-in also drops that plug-in's
    // tasks still waiting in this round.
    for (std::size_t count = queue_.size(); count > 0 && !queue_.empty(); --count) {
        Queued queued = std::move(queue_.front());
        queue_.pop_front();
        queued.task();
    }
}

void Scheduler::Advance(double seconds) {
    const double target = now_ + std::max(0.0, seconds);
    RunPending();
    for (;;) {
        auto next = std::min_element(timers_.begin(), timers_.end(), [](const Timer& a, const Timer& b) {
            return a.due < b.due || (a.due == b.due && a.sequence < b.sequence);
        });
        if (next == timers_.end() || next->due > target) break;
        Timer timer = std::move(*next);
        timers_.erase(next);
        now_ = timer.due;
        timer.task();
        RunPending();
    }
    now_ = target;
}

void Scheduler::DropOwner(OwnerId owner) {
    std::erase_if(timers_, [owner](const Timer& timer) { return timer.owner == owner; });
    std::erase_if(queue_, [owner](const Queued& queued) { return queued.owner == owner; });
}

}  // namespace host
