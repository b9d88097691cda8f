// Scheduler: virtual clock, timers and the Execute queue.
#include "scheduler.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace host {

void Scheduler::SetTimeout(OwnerId owner, std::function<void()> task, double delaySeconds) {
    timers_.push_back(Timer{now_ + std::max(0.0, delaySeconds), nextSequence_++, owner, std::move(task)});
}

void Scheduler::Execute(OwnerId owner, std::function<void()> task) {
    std::scoped_lock lock(queueMutex_);
    queue_.push_back(Queued{owner, std::move(task)});
}

std::optional<Scheduler::Queued> Scheduler::TakeQueued() {
    std::scoped_lock lock(queueMutex_);
    if (queue_.empty()) return std::nullopt;
    Queued queued = std::move(queue_.front());
    queue_.pop_front();
    return queued;
}

void Scheduler::RunPending() {
    // Tasks queued by these tasks wait for the next round, so a task that re-queues itself cannot spin.
    // Tasks taken one at a time, so that a task which unloads a plug-in also drops that plug-in's
    // tasks still waiting in this round.
    std::size_t count = 0;
    {
        std::scoped_lock lock(queueMutex_);
        count = queue_.size();
    }
    for (; count > 0; --count) {
        std::optional<Queued> queued = TakeQueued();
        if (!queued) break;
        queued->task();
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
    std::scoped_lock lock(queueMutex_);
    std::erase_if(queue_, [owner](const Queued& queued) { return queued.owner == owner; });
}

}  // namespace host
