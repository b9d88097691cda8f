// The zando-sandbox program: simulated and replayed matches, console statements before them, saved
// settings across runs, and clear refusals of anything it cannot load or play.
#include <gtest/gtest.h>

#include "sandbox/statement_masking.h"
#include "sandbox_program_support.h"

using zando_test::HandTrace;
using zando_test::RunCommand;
using zando_test::SandboxProgram;
using zando_test::TempDir;

TEST_F(SandboxProgram, TheSameSeedGivesTheSameOutputAndItsTraceReplaysToIt) {
    // Each run starts from an empty host folder of the same name, as the files it writes name it.
    const auto fresh = [&] { std::filesystem::remove_all(dir.path() / "home"); };
    const auto first = Run("simulate --seed 3 --mode 1v1 --fps 10 --report --out " + Path("match.jsonl"));
    ASSERT_EQ(first.exitCode, 0) << first.err;
    fresh();
    const auto second = Run("simulate --seed 3 --mode 1v1 --fps 10 --report");
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(first.out, second.out) << "byte for byte";
    EXPECT_NE(first.err.find("wrote the match's trace to " + Path("match.jsonl")), std::string::npos) << first.err;
    EXPECT_EQ(zando_test::SplitLines(zando_test::ReadFile(dir.path() / "match.jsonl")).front(),
              R"({"trace":"zando","version":2,"source":"zando-sandbox simulate --seed 3 --mode 1v1 --fps 10.000000"})");
    const std::string allTime = zando_test::ReadFile(dir.path() / "home" / "data" / "zando_alltime_heatmap.dat");
    ASSERT_EQ(allTime.size(), 24812u);

    fresh();
    const auto replayed = Run("replay " + Path("match.jsonl"));
    EXPECT_EQ(zando_test::ReadFile(dir.path() / "home" / "data" / "zando_alltime_heatmap.dat"), allTime)
        << "the replay saved the same all-time file as the simulation without a trace";
    ASSERT_EQ(replayed.exitCode, 0) << replayed.err;
    ASSERT_LT(replayed.out.size(), first.out.size());
    EXPECT_EQ(first.out.substr(0, replayed.out.size()), replayed.out) << "the same console lines";
    const std::string report = first.out.substr(replayed.out.size());
    EXPECT_EQ(report.rfind("Match: Ranked Duel, blue ", 0), 0u) << report;
    EXPECT_NE(report.find("Figure                        Truth      ZANDO Difference"), std::string::npos) << report;
    EXPECT_NE(replayed.out.find("[STATS] Match "), std::string::npos) << "the match was played to its end";
}

TEST_F(SandboxProgram, StatementsRunBeforeTheMatchAndTheTraceRunsItsOwnAndItsTimers) {
    zando_test::WriteFile(dir.path() / "hand.jsonl", HandTrace);
    const auto result = Run("--exec \"zando_heatmap_scale 1.5\" replay " + Path("hand.jsonl"));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto lines = zando_test::SplitLines(result.out);
    const std::vector<std::string> expected = {
        "[RESET STATS] Clearing all data...",
        "[LOAD] No existing all-time heatmap found (starting fresh)",
        "[COUNTDOWN] Countdown started - pausing stat tracking",
        "[COUNTDOWN] First kickoff of this match - reading match metadata",
        "[METADATA] Playlist: Ranked Duel | Ranked: Yes | Playlist ID: 10",
        "[METADATA] Initial MMR: 900.500000 (Playlist ID: 10, Ranked: Yes)",
        "[COUNTDOWN] Countdown ended - resuming stat tracking",
        "zando_heatmap_scale \"1.5\"",
        "[EVENT] EventMatchEnded triggered",
        "[STATS] Match ended (no overtime) - Processing stats...",
        "[METADATA] Match ended - delaying upload 3s for MMR update...",
        "[STATS] Unloading with the match end pending - finishing it now",
        "[METADATA] MMR Change: 9.500000 (Initial: 900.500000, Final: 910.000000)",
        "[STATS] Exporting stats to JSON...",
        "[EXPORT] Stats exported to: " + zando::FileInFolder(dir.path() / "home" / "data", "zando_stats.json"),
        "[STATS] Triggering upload to server...",
        "[ZANDO] Upload disabled - enable in Dashboard Integration settings",
        "[STATS] Match ended processing complete (delayed for MMR).",
    };
    EXPECT_EQ(lines, expected) << "the trace ends at 3 s, inside the wait for the new rating: the sandbox's unload "
                                  "finishes the match, with the rating as it is by then";

    // A trace that goes on past the delay sees the new rating read and the match finished.
    zando_test::WriteFile(dir.path() / "longer.jsonl", HandTrace + R"({"t":5.5,"type":"frame"})"
                                                                   "\n");
    const auto longer = Run("replay " + Path("longer.jsonl"));
    const auto more = zando_test::SplitLines(longer.out);
    EXPECT_NE(std::find(more.begin(), more.end(), "[METADATA] MMR Change: 9.500000 (Initial: 900.500000, Final: 910.000000)"),
              more.end())
        << longer.out;
    EXPECT_EQ(more.back(), "[STATS] Match ended processing complete (delayed for MMR).");

    // The setting made by the first run is what the plug-in's onLoad reads in the next one.
    zando_test::LoadedZando reloaded(dir.path() / "home");
    EXPECT_FLOAT_EQ(reloaded.Zando().settings.heatmapScale, 1.5f);
}

TEST_F(SandboxProgram, TheStatementsItRepeatsShowOnlyTheStartOfTheApiKey) {
    const auto result =
        Run("--exec \"zando_enable_upload 0; zando_api_key zk_live_secret_4711; cvarlist zando_api\" console", "home");
    EXPECT_NE(result.err.find("running: zando_enable_upload 0; zando_api_key zk_l...; cvarlist zando_api"), std::string::npos)
        << result.err;
    EXPECT_EQ(result.err.find("secret_4711"), std::string::npos) << "the key's value is not repeated";
    EXPECT_EQ(sandbox::MaskedStatements("zando_api_key \"a b;c\" extra"), "zando_api_key \"a b;...\" ...");
    EXPECT_EQ(sandbox::MaskedStatements("zando_api_key"), "zando_api_key") << "printing the variable shows nothing to mask";
}

TEST_F(SandboxProgram, TheConsolePromptReadsStatementsFromStandardInput) {
    zando_test::WriteFile(dir.path() / "typed.txt", "zando_heatmap_pos_y 99\ncvarlist zando_heatmap_pos_y\n\n");
    const auto result = RunCommand(Sandbox("console"), dir.path(), dir.path() / "typed.txt");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("\nzando_heatmap_pos_y \"99\"\n"), std::string::npos) << result.out;
    EXPECT_NE(result.err.find("> "), std::string::npos) << "the prompt goes to standard error";
}

TEST_F(SandboxProgram, WhatCannotBeLoadedOrPlayedIsRefusedClearly) {
    struct Refusal {
        std::string arguments;
        std::string message;
    };
    zando_test::WriteFile(dir.path() / "notes.txt", "not a library\n");
    zando_test::WriteFile(dir.path() / "bad.jsonl", HandTrace.substr(0, HandTrace.find("{\"t\":0.5")) +
                                                        R"({"t":0.5,"type":"event","name":"SetInput","car":4})"
                                                        "\n");
    std::vector<Refusal> refusals = {
        {"--plugin " + Path("missing.so") + " --exec cvarlist", "missing.so"},
        {"--plugin " + Path("notes.txt") + " --exec cvarlist", "notes.txt"},
        {std::string("--plugin ") + ZANDO_OLD_API_PLUGIN_PATH + " --exec cvarlist",
         "it was built for API build 94, this host speaks 95"},
        {"replay " + Path("bad.jsonl"),
         "refused the trace " + Path("bad.jsonl") + ": line 6: car 4 does not exist (the match has 1 car)"},
        {"replay " + Path("none.jsonl"), "cannot open the trace " + Path("none.jsonl")},
        {"simulate --seed 1 --out " + Path("no/such/folder/t.jsonl"), "cannot write the trace"},
        {"simulate --seed 1 --mode 4v4", "4v4"},
    };
#if defined(_WIN32)
    // The Windows build draws no screen: pictures are refused before anything is loaded.
    refusals.push_back(
        {"simulate --seed 1 --screenshot-at 10 --screenshot-dir " + Path("screens"), "this build has no offscreen renderer"});
#endif
    for (const Refusal& refusal : refusals) {
        const auto result = Run(refusal.arguments);
        EXPECT_NE(result.exitCode, 0) << refusal.arguments;
        EXPECT_LT(result.exitCode, 128) << "ended, not crashed: " << refusal.arguments;
        EXPECT_EQ(result.out, "") << "nothing was played: " << refusal.arguments;
        EXPECT_NE(result.err.find(refusal.message), std::string::npos) << refusal.arguments << "\n" << result.err;
    }
}

#if defined(_WIN32)
TEST_F(SandboxProgram, PlaySaysTheWindowsBuildHasNoWindow) {
    const auto result = Run("play --quit-after 1");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("play needs a window (SDL2 and OpenGL), which this build does not have"), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("unloaded ZANDO"), std::string::npos) << "the plug-in was unloaded as usual";
}
#endif
