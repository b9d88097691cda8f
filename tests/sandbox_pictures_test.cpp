// Pictures of the game screen written by the sandbox at match-clock times and at the match's end.
#include <array>
#include <cstdlib>
#include <set>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include "sandbox_program_support.h"

using zando_test::HandTrace;
using zando_test::SandboxProgram;

namespace {

// A PNG's pixels, read with stb_image: RGBA, row 0 at the top.
struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;
    std::array<int, 3> At(int x, int y) const {
        const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4;
        return {rgba[at], rgba[at + 1], rgba[at + 2]};
    }
    bool Near(int x, int y, std::array<int, 3> colour, int tolerance) const {
        const auto found = At(x, y);
        for (int i = 0; i < 3; ++i)
            if (std::abs(found[static_cast<std::size_t>(i)] - colour[static_cast<std::size_t>(i)]) > tolerance) return false;
        return true;
    }
    // Pixels of the area that are within tolerance of the colour.
    int Count(int x0, int y0, int x1, int y1, std::array<int, 3> colour, int tolerance) const {
        int count = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) count += Near(x, y, colour, tolerance);
        return count;
    }
};

Picture ReadPicture(const std::string& png) {
    Picture picture;
    int channels = 0;
    unsigned char* pixels = stbi_load_from_memory(reinterpret_cast<const unsigned char*>(png.data()),
                                                  static_cast<int>(png.size()), &picture.width, &picture.height, &channels, 4);
    if (!pixels) return picture;
    picture.rgba.assign(pixels, pixels + static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) * 4);
    stbi_image_free(pixels);
    return picture;
}

}  // namespace

TEST_F(SandboxProgram, PicturesOfTheGameScreenAreWrittenAtClockTimesAndAtTheEnd) {
    zando_test::WriteFile(dir.path() / "hand.jsonl", HandTrace + R"({"t":3.5,"type":"state","clock":40})"
                                                                 "\n"
                                                                 R"({"t":3.6,"type":"frame"})"
                                                                 "\n"
                                                                 R"({"t":5.5,"type":"frame"})"
                                                                 "\n"
                                                                 R"({"t":6,"type":"remove_match"})"
                                                                 "\n");
    const auto result =
        Run("replay " + Path("hand.jsonl") + " --screenshot-at 30 --resolution 800x600 --screenshot-dir " + Path("shots"));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("wrote the game screen at match clock 30 s to " + Path("shots/screen-at-30s.png")),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("wrote the post-game screen to " + Path("shots/screen-match-end.png")), std::string::npos)
        << result.err;
    const std::string png = zando_test::ReadFile(dir.path() / "shots" / "screen-match-end.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    const auto bigEndian = [&](std::size_t at) {
        return (static_cast<unsigned char>(png[at]) << 24) | (static_cast<unsigned char>(png[at + 1]) << 16) |
               (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
    };
    EXPECT_EQ(bigEndian(16), 800);
    EXPECT_EQ(bigEndian(20), 600);
    const Picture end = ReadPicture(png);
    ASSERT_EQ(end.width, 800);
    ASSERT_EQ(end.height, 600);
    // At 800 x 600 both overlays are drawn at the smallest scale whose text can be read, 8/13 (800 / 1920
    // would make it 0.42): the card, 277 pixels wide, ends at the screen's right edge from y 16, and the
    // heatmap's grid box, from x 372 and y 72, is left of it. The card's background, (10, 15, 25) at
    // alpha 235 over the screen's (18, 28, 23), is about (11, 16, 25): it fills the strip under its
    // title. The grid box, (10, 12, 15) at alpha 200, is about (12, 15, 17) over the same screen.
    EXPECT_GT(end.Count(540, 40, 780, 52, {11, 16, 25}, 4), 240 * 12 * 9 / 10) << "the card's background";
    EXPECT_GT(end.Count(380, 200, 410, 240, {12, 15, 17}, 4), 30 * 40 * 9 / 10) << "the heatmap's grid box";
    EXPECT_FALSE(end.Near(100, 300, {11, 17, 25}, 6)) << "the screen around the overlays is not the card";
    EXPECT_FALSE(end.Near(100, 300, {0, 0, 0}, 6)) << "nor black";

    // A clock time the match never reaches is said, and the run fails.
    const auto late = Run("replay " + Path("hand.jsonl") + " --screenshot-at 500 --screenshot-dir " + Path("late"));
    EXPECT_EQ(late.exitCode, 1);
    EXPECT_NE(late.err.find("no frame reached match clock 500 s"), std::string::npos) << late.err;
    EXPECT_NE(Run("replay " + Path("hand.jsonl") + " --resolution 12").exitCode, 0);
}

// A session of several matches: one post-game picture per match, named by the match, and the report
// (the last match's figures) says which match and picture it describes.
TEST_F(SandboxProgram, EachMatchOfASessionHasItsPostGamePictureAndTheReportNamesItsMatch) {
    const auto result =
        Run("simulate --seed 3 --mode 1v1 --fps 10 --matches 2 --report --resolution 800x600 --screenshot-dir " + Path("shots"));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (const char* name : {"screen-match-1-end.png", "screen-match-2-end.png"}) {
        EXPECT_NE(result.err.find(Path("shots/") + name), std::string::npos) << result.err;
        EXPECT_TRUE(std::filesystem::exists(dir.path() / "shots" / name)) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "shots" / "screen-match-end.png"));
    EXPECT_TRUE(zando_test::ReadFile(dir.path() / "shots" / "screen-match-1-end.png") !=
                zando_test::ReadFile(dir.path() / "shots" / "screen-match-2-end.png"))
        << "each shows its own match";
    EXPECT_NE(result.out.find("Report of match 2 of 2 (its post-game screen: " + Path("shots/screen-match-2-end.png") + ")"),
              std::string::npos)
        << result.out;
}

// The live window at the size asked for, with the score and clock above the pitch and the whole
// pitch (both goals) clear of the console line at the bottom.
TEST_F(SandboxProgram, TheLiveWindowOpensOnAVirtualDisplayAtItsSizeAndShowsTheMatch) {
    const auto result = zando_test::RunCommand(
        "xvfb-run -a -s '-screen 0 2000x1200x24' " +
            Sandbox("play --seed 2 --mode 2v2 --resolution 1920x1080 --quit-after 2 --screenshot " + Path("live.png")),
        dir.path());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("wrote the live window to " + Path("live.png")), std::string::npos) << result.err;
    EXPECT_NE(result.out.find("[COUNTDOWN] Countdown started - pausing stat tracking"), std::string::npos)
        << "the match was played through the plug-in";
    const std::string png = zando_test::ReadFile(dir.path() / "live.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    const Picture live = ReadPicture(png);
    ASSERT_EQ(live.width, 1920);
    ASSERT_EQ(live.height, 1080);
    // The window shows a pitch with cars and a ball, not one colour: many colours on a coarse grid.
    std::set<std::array<int, 3>> colours;
    for (int y = 0; y < live.height; y += 8)
        for (int x = 0; x < live.width; x += 8) colours.insert(live.At(x, y));
    EXPECT_GE(colours.size(), 8u);
    // The blue goal (its blue over the dark screen) ends above the console line's 60 pixels; the
    // scoreboard's light text is in the top 40.
    int goalBottom = -1, scoreboardText = 0;
    for (int y = 0; y < live.height; ++y)
        for (int x = 0; x < live.width; ++x) {
            const std::array<int, 3> p = live.At(x, y);
            if (p[2] > 150 && p[0] < 80 && p[1] > 60 && p[1] < 110) goalBottom = y;
            if (y < 40 && p[0] > 200 && p[1] > 200 && p[2] > 200) ++scoreboardText;
        }
    EXPECT_GT(goalBottom, 900) << "the blue goal at the bottom of the pitch";
    EXPECT_LT(goalBottom, 1080 - 60) << "clear of the console line";
    EXPECT_GT(scoreboardText, 50) << "the score and the clock";
}
