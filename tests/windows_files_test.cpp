// Writing a file whole on Windows: a file that exists is replaced (not refused), text mode writes
// CR LF line ends, binary files keep their bytes, and a folder that is gone is an open failure.
#include "base/whole_file.h"
#include "test_support.h"

using zando_test::ReadFile;
using zando_test::TempDir;

TEST(WindowsFiles, AnExistingFileIsReplacedWholeAndTextHasCrLf) {
    TempDir folder;
    const auto file = folder.path() / "zando_stats.json";
    ASSERT_EQ(zando::ReplaceFileWhole(file, "{\n  \"shots\": 1\n}\n", true), zando::WriteOutcome::Written);
    EXPECT_EQ(ReadFile(file), "{\r\n  \"shots\": 1\r\n}\r\n");
    ASSERT_EQ(zando::ReplaceFileWhole(file, "{\n  \"shots\": 2\n}\n", true), zando::WriteOutcome::Written)
        << "replacing a file that exists must work on Windows too";
    EXPECT_EQ(ReadFile(file), "{\r\n  \"shots\": 2\r\n}\r\n");
    EXPECT_TRUE(zando_test::TemporaryFilesBeside(folder.path() / "zando_stats.json").empty());

    const auto binary = folder.path() / "zando_alltime_heatmap.dat";
    ASSERT_EQ(zando::ReplaceFileWhole(binary, std::string("\x01\n\x02", 3), false), zando::WriteOutcome::Written);
    EXPECT_EQ(ReadFile(binary), std::string("\x01\n\x02", 3)) << "binary files keep their bytes";
}

TEST(WindowsFiles, AFolderThatIsGoneIsAnOpenFailure) {
    TempDir folder;
    EXPECT_EQ(zando::ReplaceFileWhole(folder.path() / "missing" / "x.csv", "X,Y\n", true), zando::WriteOutcome::OpenFailed);
}
