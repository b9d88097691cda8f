// Writing a file whole: writers sharing one file (two game clients, or the sandbox beside the game, on
// one data folder) never meet in a temporary file, and a reader only ever sees a whole file.
#include <atomic>
#include <chrono>
#include <thread>

#include "base/whole_file.h"
#include "test_support.h"

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
