// Pictures of the game screen written by the sandbox at match-clock times and at the match's end.
#include "sandbox_program_support.h"

using zando_test::HandTrace;
using zando_test::SandboxProgram;

TEST_F(SandboxProgram, PicturesOfTheGameScreenAreWrittenAtClockTimesAndAtTheEnd) {
    zando_test::WriteFile(dir.path() / "hand.jsonl",
                          HandTrace + R"({"t":3.5,"type":"state","clock":40})" "\n" R"({"t":3.6,"type":"frame"})" "\n"
                                      R"({"t":5.5,"type":"frame"})" "\n" R"({"t":6,"type":"remove_match"})" "\n");
    const auto result = Run("replay " + Path("hand.jsonl") + " --screenshot-at 30 --resolution 800x600 --screenshot-dir " + Path("shots"));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("wrote the game screen at match clock 30 s to " + Path("shots/screen-at-30s.png")), std::string::npos)
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

    // A clock time the match never reaches is said, and the run fails.
    const auto late = Run("replay " + Path("hand.jsonl") + " --screenshot-at 500 --screenshot-dir " + Path("late"));
    EXPECT_EQ(late.exitCode, 1);
    EXPECT_NE(late.err.find("no frame reached match clock 500 s"), std::string::npos) << late.err;
    EXPECT_NE(Run("replay " + Path("hand.jsonl") + " --resolution 12").exitCode, 0);
}

TEST_F(SandboxProgram, TheLiveWindowOpensOnAVirtualDisplayAndShowsTheMatch) {
    const auto result = zando_test::RunCommand("xvfb-run -a -s '-screen 0 1280x720x24' " +
                                                   Sandbox("play --seed 2 --mode 2v2 --quit-after 2 --screenshot " + Path("live.png")),
                                               dir.path());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("wrote the live window to " + Path("live.png")), std::string::npos) << result.err;
    EXPECT_NE(result.out.find("[COUNTDOWN] Countdown started - pausing stat tracking"), std::string::npos)
        << "the match was played through the plug-in";
    const std::string png = zando_test::ReadFile(dir.path() / "live.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(static_cast<unsigned char>(png[18]) * 256 + static_cast<unsigned char>(png[19]), 1280);
}
