// Writing a file whole: writers sharing one file (two game clients, or the sandbox beside the game, on
// one data folder) never meet in a temporary file, and a reader only ever sees a whole file.
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "base/blocking_check.h"
#include "base/whole_file.h"
#include "history/match_history.h"
#include "test_support.h"
#include "upload/http_client.h"

TEST(WholeFile, WritersSharingAFileNeverFailAndReadersSeeOnlyWholeContents) {
    zando_test::TempDir folder;
    const auto file = folder.path() / "zando_alltime_heatmap.dat";
    const std::string first(24812, 'a'), second(24812, 'b');
    std::atomic<int> failed{0}, torn{0};
    std::atomic<bool> writing{true};
    auto writer = [&](const std::string& content) {
        for (int i = 0; i < 300; ++i)
            if (zando::ReplaceFileWhole(file, content, false) != zando::WriteOutcome::Written) ++failed;
    };
    std::thread reader([&] {
        while (writing) {
            const std::string seen = zando_test::ReadFile(file);
            if (!seen.empty() && seen != first && seen != second) ++torn;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));  // another client loads now and then
        }
    });
    std::thread a(writer, first), b(writer, second);
    a.join();
    b.join();
    writing = false;
    reader.join();
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(torn, 0);
    EXPECT_TRUE(zando_test::TemporaryFilesBeside(file).empty());
}

#if !defined(_WIN32)
// In the test builds, a file write, a history call or a network exchange made under the plug-in's lock
// (where the game or a window would wait for it) stops the program with its name; at load and unload,
// which the game waits for anyway, and on the worker it is allowed.
TEST(WholeFile, WaitingUnderThePluginsLockStopsATestBuild) {
    zando_test::TempDir folder;
    const std::filesystem::path file = folder.path() / "locked.txt";
    std::recursive_mutex stateLock;
    const auto write = [&] { zando::ReplaceFileWhole(file, "x", false); };
    const auto query = [&] {
        zando::MatchHistory history([](const std::string&) {});
        history.Open(folder.path() / "history.sqlite3");
        history.Count();
    };
    const auto send = [] {
        zando::HttpRequest request;
        request.verb = "GET";
        request.serverUrl = "http://127.0.0.1:9";
        zando::PerformHttpRequest(request);
    };
    const auto locked = [&](const auto& action) {
        zando::StateLock lock(stateLock);
        action();
    };
    EXPECT_DEATH(locked(write), "a file write under the plug-in's lock");
    EXPECT_DEATH(locked(query), "a match history call under the plug-in's lock");
    EXPECT_DEATH(locked(send), "a network exchange under the plug-in's lock");
    {
        zando::StateLock lock(stateLock);
        const zando::MayWaitHere loading;
        write();
    }
    write();
    EXPECT_EQ(zando_test::ReadFile(file), "x");
}
#endif
