// Writing a file whole on Windows, under Wine: a file that exists is replaced (not refused), text
// mode writes CR LF line ends, and a failed write leaves the old file as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "plugin/whole_file.h"

namespace {

std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Folder {
    std::filesystem::path path = std::filesystem::temp_directory_path() / "zando-windows-files";
    Folder() {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~Folder() { std::filesystem::remove_all(path); }
};

}  // namespace

TEST(WindowsFiles, AnExistingFileIsReplacedWholeAndTextHasCrLf) {
    Folder folder;
    const auto file = folder.path / "zando_stats.json";
    ASSERT_EQ(zando::ReplaceFileWhole(file, "{\n  \"shots\": 1\n}\n", true), zando::WriteOutcome::Written);
    EXPECT_EQ(Read(file), "{\r\n  \"shots\": 1\r\n}\r\n");
    ASSERT_EQ(zando::ReplaceFileWhole(file, "{\n  \"shots\": 2\n}\n", true), zando::WriteOutcome::Written)
        << "replacing a file that exists must work on Windows too";
    EXPECT_EQ(Read(file), "{\r\n  \"shots\": 2\r\n}\r\n");
    EXPECT_FALSE(std::filesystem::exists(folder.path / "zando_stats.json.tmp"));

    const auto binary = folder.path / "zando_alltime_heatmap.dat";
    ASSERT_EQ(zando::ReplaceFileWhole(binary, std::string("\x01\n\x02", 3), false), zando::WriteOutcome::Written);
    EXPECT_EQ(Read(binary), std::string("\x01\n\x02", 3)) << "binary files keep their bytes";
}

TEST(WindowsFiles, AFolderThatIsGoneIsAnOpenFailure) {
    Folder folder;
    EXPECT_EQ(zando::ReplaceFileWhole(folder.path / "missing" / "x.csv", "X,Y\n", true), zando::WriteOutcome::OpenFailed);
}
