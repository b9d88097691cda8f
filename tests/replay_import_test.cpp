// The player's saved replays imported by the plug-in: each of their matches counted as the same match
// played through the game's hooks counts it, with the game's own scoreboard and score, kept once however
// often it is imported; every other file skipped with its reason; the matches sent when uploads are on.
#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

#include "base/path_text.h"
#include "history_rows.h"
#include "host/runtime/console_syntax.h"
#include "replay/replay_file.h"
#include "sandbox/replay_game.h"
#include "sandbox/replay_play.h"
#include "test_support.h"

namespace {

const std::filesystem::path Replays = std::filesystem::path(ZANDO_SOURCE_DIR) / "tests" / "fixtures" / "replays";
constexpr unsigned long long Drogings = 76561198052527453ull;  // Steam, orange in 28fd.replay

// The host folder's "replays": four real matches, a damaged file, and a file that is not a replay.
void FillReplayFolder(const std::filesystem::path& home) {
    const std::filesystem::path folder = home / "replays";
    std::filesystem::create_directories(folder);
    for (const char* name : {"28fd.replay", "9ab7.replay", "4375.replay"})
        std::filesystem::copy_file(Replays / name, folder / name);
    // A name beyond ASCII (and beyond Windows' code page): listed like any other.
    std::filesystem::copy_file(Replays / "3bd08.replay", folder / zando::TextPath("Ранкед 🚀.REPLAY"));
    std::filesystem::copy_file(Replays / "broken" / "fuzz-list-too-large.replay", folder / "damaged.replay");
    zando_test::WriteFile(folder / "notes.txt", "not a replay");
}

// The import statement for the host folder's "replays" (the plug-in's own default outside Windows).
std::string ImportFrom(const std::filesystem::path& home) {
    return "zando_import_replays " + host::QuoteWord(zando::PathText(home / "replays"));
}

std::vector<zando_test::HistoryFileRow> History(zando_test::LoadedZando& zando) {
    return zando_test::ReadHistoryFile(zando.Host().DataFolder() / "zando_history.sqlite3");
}

float Sum(const Grid<float>& grid) {
    float sum = 0.0f;
    for (const auto& row : grid) sum = std::accumulate(row.begin(), row.end(), sum);
    return sum;
}

std::vector<std::string> ImportLines(const std::vector<std::string>& lines) {
    std::vector<std::string> said;
    for (const std::string& line : lines)
        if (line.rfind("[IMPORT] ", 0) == 0) said.push_back(line);
    return said;
}

}  // namespace

TEST(ReplayImport, EachMatchOfThePlayerCountsAsPlayedLiveOnceAndEveryOtherFileSaysWhy) {
    zando_test::TempDir home;
    FillReplayFolder(home.path());
    zando_test::LoadedZando zando(home.path());
    zando.Host().World().localPlayer = {Drogings, 1};
    zando.Run("zando_enable_upload 0; " + ImportFrom(home.path()));
    std::vector<std::string> said = ImportLines(zando.Lines());
    const auto saidOf = [&](const std::string& file) {
        for (const std::string& line : said)
            if (line.find(" " + file + ": ") != std::string::npos) return line.substr(line.find(": ") + 2);
        return std::string("nothing said");
    };
    // The game's scoreboard: Drogings, orange, 4 shots and 1 goal; blue 1 - 2 orange.
    EXPECT_EQ(saidOf("28fd.replay"), "added - Doubles, win 2-1, 4 shots, 1 goal");
    EXPECT_EQ(saidOf("9ab7.replay"), "skipped - you are not in it") << "the same name on another account (Epic) is someone else";
    EXPECT_EQ(saidOf("4375.replay"), "skipped - you are not in it");
    EXPECT_EQ(saidOf("Ранкед 🚀.REPLAY"), "skipped - you are not in it");
    EXPECT_EQ(saidOf("damaged.replay").rfind("skipped - unreadable (", 0), 0u) << saidOf("damaged.replay");
    EXPECT_EQ(said.back(), "[IMPORT] Done: 5 replays read, 1 added, 0 already in the history, 4 skipped");

    // The same match played through the hooks, as replay-game plays it: the same row of the history.
    const std::vector<std::uint8_t> bytes = replay::LoadReplayBytes(Replays / "28fd.replay");
    const replay::Replay match = replay::ReadReplay(bytes);
    zando_test::TempDir liveHome;
    zando_test::LoadedZando live(liveHome.path());
    live.Run("zando_enable_upload 0");
    sandbox::PlayReplayGame(live.Host(), sandbox::ReplayGame(match, sandbox::FindReplayPlayer(match, "Drogings")));
    live.Settle();
    const auto imported = History(zando), played = History(live);
    ASSERT_EQ(imported.size(), 1u);
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(imported[0].at("replay_id"), "28FD1E754031EFF98256AD9F7A9EC52C");
    EXPECT_EQ(imported[0].at("ended_at"), "2024-04-08T07:22:43Z") << "the replay's own date";
    for (const char* column : {"playlist_id", "playlist_name", "team", "result", "score_for", "score_against", "overtime",
                               "shots", "goals", "shot_zones", "goal_zones"})
        EXPECT_EQ(imported[0].at(column), played[0].at(column)) << column;
    for (const char* column : {"duration", "average_speed", "boost_collected", "boost_used", "possession_time",
                               "team_possession_time", "opponent_possession_time"})
        EXPECT_NEAR(std::stod(imported[0].at(column)), std::stod(played[0].at(column)),
                    1e-3 * std::stod(played[0].at(column)) + 1e-3)
            << column;
    EXPECT_EQ(Sum(zando.Zando().allTimeShotHeatmap), 4 * 5.0f) << "the all-time grid gains each shot once";

    // Imported again, after a reload: nothing added, nothing counted twice.
#ifdef _WIN32
    zando.Run("plugin reload ZANDO; " + ImportFrom(home.path()));
#else
    zando.Run("plugin reload ZANDO; zando_import_replays");  // outside Windows, the folder it takes by itself
#endif
    said = ImportLines(zando.Lines());
    EXPECT_EQ(said.back(), "[IMPORT] Done: 5 replays read, 0 added, 1 already in the history, 4 skipped");
    EXPECT_EQ(History(zando).size(), 1u);
    EXPECT_EQ(Sum(zando.Zando().allTimeShotHeatmap), 4 * 5.0f);
}

TEST(ReplayImport, WhatCannotBeImportedSaysWhyAndAnAddedMatchIsSentWithItsOwnDate) {
    zando_test::TempDir home;
    FillReplayFolder(home.path());
    zando_test::LoadedZando zando(home.path());
    zando.Run(ImportFrom(home.path()));
    EXPECT_EQ(ImportLines(zando.Lines()).back(),
              "[IMPORT] The game does not say which account is yours (sign in first) - no replay can be matched to you");
    zando.Host().World().localPlayer = {Drogings, 1};
    zando.Run("zando_import_replays " + (home.path() / "nowhere").string());
    EXPECT_EQ(ImportLines(zando.Lines())
                  .back()
                  .rfind("[IMPORT] The replay folder " + (home.path() / "nowhere").string() + " cannot be read (", 0),
              0u)
        << ImportLines(zando.Lines()).back();

    // Uploads on, to an address nobody answers: the match added is tried, under the replay's date.
    zando.Run("zando_api_key k; zando_server_url http://127.0.0.1:9; zando_enable_upload 1; " + ImportFrom(home.path()));
    zando.Settle();
    const auto& lines = zando.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "[ZANDO] 🔄 Sending match #1 (ended 2024-04-08T07:22:43Z, 1 of 1)"),
              lines.end());
    ASSERT_EQ(History(zando).size(), 1u);
    EXPECT_NE(History(zando)[0].at("upload_body").find("\"timestamp\":\"2024-04-08T07:22:43Z\""), std::string::npos);
}
