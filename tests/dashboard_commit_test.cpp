// Uploads committed together from many request threads, as the service's threads hand them over:
// each is answered once its transaction is committed, a match sent by several threads at once is kept
// once, and stopping answers what waits. Built with ThreadSanitizer, any unguarded access fails the run.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "dashboard/commit_batcher.h"
#include "dashboard/sqlite_storage.h"
#include "test_support.h"

TEST(DashboardCommits, ManyThreadsAreCommittedTogetherAndASharedMatchIsKeptOnce) {
    zando_test::TempDir dir;
    const auto storage = dashboard::OpenSqliteStorage(dir.path() / "dashboard.sqlite3");
    storage->Migrate();
    const dashboard::KeyRecord key = storage->CreateKey("alice", "hash", "zk_...");
    constexpr int Threads = 12, PerThread = 20;
    std::atomic<int> stored = 0, alreadyStored = 0;
    {
        dashboard::CommitBatcher batcher(*storage);
        std::vector<std::thread> threads;
        for (int t = 0; t < Threads; ++t)
            threads.emplace_back([&, t] {
                for (int i = 0; i < PerThread; ++i) {
                    // Every thread sends match i; odd threads also send one of their own.
                    for (const std::string& fingerprint : {"shared-" + std::to_string(i), "own-" + std::to_string(t * 100 + i)}) {
                        if (fingerprint[0] == 'o' && t % 2 == 0) continue;
                        dashboard::Submission submission{key.accountId, {}, "2026-12-08T00:00:00Z"};
                        submission.match.fingerprint = fingerprint;
                        submission.match.shots = i;
                        (batcher.Store(std::move(submission)) == dashboard::StoreOutcome::Stored ? stored : alreadyStored)++;
                    }
                }
            });
        for (std::thread& thread : threads) thread.join();
        EXPECT_LT(batcher.Commits(), batcher.Stored()) << "uploads that arrive together share a transaction";
        batcher.Stop();
        dashboard::Submission late{key.accountId, {}, "2026-12-08T00:00:00Z"};
        late.match.fingerprint = "late";
        EXPECT_THROW(batcher.Store(late), dashboard::StorageUnavailable) << "a stopped batcher takes nothing more";
    }
    const int own = (Threads / 2) * PerThread;
    EXPECT_EQ(stored.load(), PerThread + own);
    EXPECT_EQ(alreadyStored.load(), (Threads - 1) * PerThread);
    EXPECT_EQ(storage->Matches(key.accountId).size(), static_cast<std::size_t>(PerThread + own));
}
