// A data folder whose name goes beyond ASCII, as a player's user name in it does: the exports and the
// all-time file are written into it and read back from it, and the lines name it as it is (UTF-8).
#include "test_support.h"

using zando_test::LoadedZando;
using zando_test::TempDir;

namespace {

std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

bool Logged(LoadedZando& zando, const std::string& line) {
    return std::find(zando.Lines().begin(), zando.Lines().end(), line) != zando.Lines().end();
}

}  // namespace

TEST(DataFolderNames, FilesAreWrittenAndReadInAFolderNamedBeyondAscii) {
    TempDir dir;
    // Latin-1 and Cyrillic: the second is outside the Western Windows code page.
    const std::filesystem::path home = dir.path() / std::filesystem::path(u8"Zoë Жанна");
    const std::filesystem::path data = home / "data";
    {
        LoadedZando zando(home);
        zando.Run("export_stats; export_heatmap; reset_alltime_heatmap");
        EXPECT_TRUE(Logged(zando, "[EXPORT] Stats exported to: " + Utf8(data) + "/zando_stats.json"));
        EXPECT_TRUE(Logged(zando, "Heatmap exported to: " + Utf8(data) + "/shot_heatmap_data.csv"));
        EXPECT_EQ(zando_test::SplitLines(zando_test::ReadTextFile(data / "zando_stats.json")).size(), 141u);
        EXPECT_EQ(zando_test::ReadTextFile(data / "shot_heatmap_data.csv"), "X,Y,Shots,Position\n");
        EXPECT_TRUE(std::filesystem::exists(data / "zando_alltime_heatmap.dat"));
    }
    LoadedZando again(home);
    EXPECT_TRUE(Logged(again, "[LOAD] All-time heatmap loaded (v2): 0 shot zones, 0 goal zones"));
}
