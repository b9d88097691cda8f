// The committer thread: takes every waiting upload, commits them in one transaction, answers each.
#include "dashboard/commit_batcher.h"

namespace dashboard {

CommitBatcher::CommitBatcher(Storage& storage, std::size_t mostPerCommit)
    : storage_(storage), mostPerCommit_(mostPerCommit), committer_([this] { Run(); }) {}

CommitBatcher::~CommitBatcher() { Stop(); }

StoreOutcome CommitBatcher::Store(Submission submission) {
    std::future<StoreOutcome> outcome;
    {
        std::scoped_lock lock(mutex_);
        if (stopping_) throw StorageUnavailable("the service is stopping");
        waiting_.push_back({std::move(submission), {}});
        outcome = waiting_.back().outcome.get_future();
    }
    arrived_.notify_one();
    return outcome.get();
}

void CommitBatcher::Stop() {
    {
        std::scoped_lock lock(mutex_);
        stopping_ = true;
    }
    arrived_.notify_one();
    if (committer_.joinable()) committer_.join();
}

void CommitBatcher::Run() {
    for (;;) {
        std::vector<Waiting> batch;
        {
            std::unique_lock lock(mutex_);
            arrived_.wait(lock, [&] { return stopping_ || !waiting_.empty(); });
            if (waiting_.empty()) return;  // stopping, and everything is answered
            const std::size_t taken = std::min(waiting_.size(), mostPerCommit_);
            batch.assign(std::make_move_iterator(waiting_.begin()), std::make_move_iterator(waiting_.begin() + taken));
            waiting_.erase(waiting_.begin(), waiting_.begin() + taken);
        }
        std::vector<Submission> submissions;
        submissions.reserve(batch.size());
        for (Waiting& waiting : batch) submissions.push_back(std::move(waiting.submission));
        try {
            const std::vector<StoreOutcome> outcomes = storage_.StoreMatches(submissions);
            ++commits_;
            stored_ += batch.size();
            for (std::size_t i = 0; i < batch.size(); ++i) batch[i].outcome.set_value(outcomes[i]);
        } catch (...) {
            for (Waiting& waiting : batch) waiting.outcome.set_exception(std::current_exception());
        }
    }
}

}  // namespace dashboard
