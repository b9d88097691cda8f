// A real match played through the plug-in from its replay: the plug-in's shots and goals are the game's
// own scoreboard, its time in play and average speed those the frames show, and the sandbox program
// says what a replay holds and refuses one it cannot read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include <nlohmann/json.hpp>

#include "base/shot_place.h"
#include "history_rows.h"
#include "replay/replay_file.h"
#include "sandbox/replay_game.h"
#include "sandbox/replay_play.h"
#include "sandbox_program_support.h"
#include "test_support.h"

namespace {

const std::filesystem::path Replays = std::filesystem::path(ZANDO_SOURCE_DIR) / "tests" / "fixtures" / "replays";

struct Match {
    std::vector<std::uint8_t> bytes;
    replay::Replay replay;
};

Match ReadMatch(const std::string& name) {
    Match match;
    match.bytes = replay::LoadReplayBytes(Replays / name);
    match.replay = replay::ReadReplay(match.bytes);
    return match;
}

// The match played as player, on a host of its own: the plug-in's statistics file of it, and its row
// of the match history.
struct Played {
    nlohmann::json stats;
    std::map<std::string, std::string> history;
};
Played PlayAs(const sandbox::ReplayGame& game) {
    zando_test::TempDir home;
    zando_test::LoadedZando zando(home.path());
    zando.Run("zando_enable_upload 0");
    sandbox::PlayReplayGame(zando.Host(), game);
    Played played;
    played.stats =
        nlohmann::json::parse(zando_test::ReadFile(zando_test::InDataFolder(zando.Host().DataFolder(), "zando_stats.json")));
    const auto rows = zando_test::ReadHistoryFile(zando_test::InDataFolder(zando.Host().DataFolder(), "zando_history.sqlite3"));
    if (rows.size() == 1) played.history = rows[0];
    return played;
}

double Distance(const FieldPoint& place, const replay::Vec3& frame) {
    return std::hypot(place.x - frame.x, place.y - frame.y, place.z - frame.z);
}

// Each shot and goal the history placed, against the replay's frames (its ball speed is measured
// between ticks, and a replay's ball moves only at some of its frames: not held to them): the n-th shot (goal) is the
// frame of the player's n-th "Shot on Goal" ("Goal") message, its ball the ball of that frame, its car
// the player's car at their last touch before it.
void ExpectPlacesOfTheFrames(const replay::Replay& replay, const sandbox::ReplayGame& game, int player, const std::string& text) {
    const std::optional<std::vector<ShotPlace>> places = zando::ParseShotPlaces(text);
    ASSERT_TRUE(places) << text;
    const replay::MatchFrames& frames = replay.match;
    const replay::MatchEvents& events = game.Outcome();
    std::size_t next[2] = {0, 0};  // the next place of each kind to meet
    std::vector<const ShotPlace*> ofKind[2];
    for (const ShotPlace& place : *places) ofKind[place.goal].push_back(&place);
    for (const replay::StatMessage& message : events.messages) {
        const std::string label = message.label;
        if (message.player != player || (label != "Shot on Goal" && label != "Goal")) continue;
        const bool goal = label == "Goal";
        const replay::GameFrame& at = frames.frames[static_cast<std::size_t>(message.frame)];
        // A goal the frames show with the ball short of a goal (scored before the recording began) has no place.
        if (goal && std::abs(at.ball.y) <= 4500.0f) continue;
        ASSERT_LT(next[goal], ofKind[goal].size()) << label << " at frame " << message.frame;
        const ShotPlace& place = *ofKind[goal][next[goal]++];
        int touch = message.frame;
        while (touch >= 0 && std::count(events.touches[static_cast<std::size_t>(touch)].begin(),
                                        events.touches[static_cast<std::size_t>(touch)].end(), player) == 0)
            --touch;
        EXPECT_LT(Distance(place.ball, at.ball), 50.0) << label << " at frame " << message.frame;
        if (touch < 0) continue;  // the recording shows no touch of the player's before it (it began later)
        // The car where the frames last showed it on the field (a frame may come before its place does).
        const std::vector<replay::PlayerFrame>& mine = frames.players[static_cast<std::size_t>(player)].frames;
        int shown = touch;
        while (shown > 0 && !mine[static_cast<std::size_t>(shown)].onField) --shown;
        const replay::Vec3 car = mine[static_cast<std::size_t>(shown)].location;
        EXPECT_LT(Distance(place.car, car), 50.0) << label << " at frame " << message.frame;
    }
    EXPECT_EQ(next[0], ofKind[0].size());
    EXPECT_EQ(next[1], ofKind[1].size());
}

}  // namespace

TEST(ReplayGame, EachPlayersShotsAndGoalsAreTheGamesScoreboardAndTheirSpeedTheFrames) {
    const Match match = ReadMatch("28fd.replay");
    // The game's own scoreboard of the match, which orange won 2-1.
    struct Line {
        const char* name;
        int shots, goals, saves, assists;
        const char* result;
        const char* score;  // the player's team's, then the other's
    };
    const Line scoreboard[] = {{"Drogings", 4, 1, 1, 1, "win", "2-1"},
                               {"?If", 3, 1, 1, 0, "win", "2-1"},
                               {"Wx_15", 2, 1, 2, 0, "loss", "1-2"},
                               {"Edelfürst niCauu", 3, 0, 1, 0, "loss", "1-2"}};
    for (const Line& line : scoreboard) {
        const int player = sandbox::FindReplayPlayer(match.replay, line.name);
        ASSERT_GE(player, 0) << line.name;
        const sandbox::ReplayGame game(match.replay, player);
        ASSERT_TRUE(game.Outcome().finished);
        EXPECT_EQ(game.Outcome().goals[0], 1);
        EXPECT_EQ(game.Outcome().goals[1], 2);
        const Played played = PlayAs(game);
        const nlohmann::json& stats = played.stats;
        EXPECT_EQ(stats["shots"], line.shots) << line.name;
        ASSERT_FALSE(played.history.empty()) << line.name;
        EXPECT_EQ(played.history.at("result"), line.result) << line.name;
        EXPECT_EQ(played.history.at("score_for") + "-" + played.history.at("score_against"), line.score) << line.name;
        EXPECT_EQ(played.history.at("saves"), std::to_string(line.saves)) << line.name;
        EXPECT_EQ(played.history.at("assists"), std::to_string(line.assists)) << line.name;
        EXPECT_EQ(stats["goals"], line.goals) << line.name;
        ExpectPlacesOfTheFrames(match.replay, game, player, played.history.at("shot_places"));
        // The frames' own velocities against the distance the plug-in measured between them.
        const double speed = game.Truth().averageSpeed;
        ASSERT_GT(speed, 1000.0);
        EXPECT_NEAR(stats["averageSpeed"].get<double>(), speed, 0.02 * speed) << line.name;
        EXPECT_NEAR(stats["gameTime"].get<double>(), game.Truth().playSeconds, 1.0) << line.name;
        EXPECT_GT(game.Truth().playSeconds, 290.0);
        // The tank's falls as the frames show them, against what the plug-in saw burnt (it leaves out the
        // falls of a respawn and of more than 10 points at once).
        EXPECT_NEAR(stats["boostUsed"].get<double>(), game.Truth().boostUsed, 0.15 * game.Truth().boostUsed) << line.name;
    }
}

// Every whole match among the test replays (or those of ZANDO_TEST_REPLAYS, a folder), as each of its
// players on the game's scoreboard: the history's score and result are the frames' goals, its shots,
// goals, saves and assists the scoreboard's, and each shot's and goal's place the frames'.
TEST(ReplayGame, EveryWholeMatchIsTheScoreboardsAndItsPlacesTheFrames) {
    const char* other = std::getenv("ZANDO_TEST_REPLAYS");
    const std::filesystem::path folder = other && *other ? std::filesystem::path(other) : Replays;
    int played = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".replay") continue;
        SCOPED_TRACE(entry.path().filename().string());
        Match match;
        match.bytes = replay::LoadReplayBytes(entry.path());
        try {
            match.replay = replay::ReadReplay(match.bytes);
        } catch (const std::exception&) {
            continue;  // a replay this reader refuses is another test's
        }
        for (const int player : sandbox::ReplayParticipants(match.replay)) {
            const sandbox::ReplayGame game(match.replay, player);
            const sandbox::ReplayPlayerTruth& truth = game.Truth();
            if (!game.Outcome().finished || !truth.onScoreboard || truth.team < 0) continue;
            SCOPED_TRACE(truth.name);
            const Played as = PlayAs(game);
            ASSERT_FALSE(as.history.empty());
            const int own = game.Outcome().goals[truth.team], theirs = game.Outcome().goals[1 - truth.team];
            EXPECT_EQ(as.history.at("score_for") + "-" + as.history.at("score_against"),
                      std::to_string(own) + "-" + std::to_string(theirs));
            if (own != theirs) {
                EXPECT_EQ(as.history.at("result"), own > theirs ? "win" : "loss");
            }
            EXPECT_EQ(as.history.at("shots"), std::to_string(truth.shots));
            EXPECT_EQ(as.history.at("goals"), std::to_string(truth.goals));
            EXPECT_EQ(as.history.at("saves"), std::to_string(truth.saves));
            EXPECT_EQ(as.history.at("assists"), std::to_string(truth.assists));
            ExpectPlacesOfTheFrames(match.replay, game, player, as.history.at("shot_places"));
            ++played;
        }
    }
    EXPECT_GE(played, 4);
}

TEST(ReplayGame, ARecordingThatStopsOnAGoalCreditsTheHeadersScorer) {
    Match match = ReadMatch("28fd.replay");
    // The last goal's counters never rose: the recording as if it had stopped at the goal.
    auto& stats = match.replay.match.stats;
    const int lastGoal = match.replay.match.teamGoals.back().frame;
    stats.erase(std::remove_if(stats.begin(), stats.end(), [&](const replay::StatChange& c) { return c.frame >= lastGoal; }),
                stats.end());
    const int scorer = sandbox::FindReplayPlayer(match.replay, "?If");
    const sandbox::ReplayGame game(match.replay, scorer);
    EXPECT_TRUE(game.Outcome().endsOnGoal);
    EXPECT_EQ(game.Outcome().endsOnGoalScorer, "?If");
    EXPECT_EQ(PlayAs(game).stats["goals"], 1);
}

TEST(ReplayGame, TheRecordingPlayerIsTheDefaultAndPlayersAreFoundByNameOrId) {
    const Match match = ReadMatch("28fd.replay");
    const int recording = sandbox::RecordingPlayer(match.replay);
    ASSERT_GE(recording, 0);
    EXPECT_EQ(match.replay.match.players[static_cast<std::size_t>(recording)].name, "Drogings");
    EXPECT_EQ(sandbox::FindReplayPlayer(match.replay, "Steam:76561198052527453"), recording);
    EXPECT_EQ(sandbox::FindReplayPlayer(match.replay, "76561198052527453"), recording);
    EXPECT_EQ(sandbox::FindReplayPlayer(match.replay, "nobody"), -1);
    EXPECT_EQ(sandbox::ReplayParticipants(match.replay).size(), 5u);
}

using zando_test::SandboxProgram;

TEST_F(SandboxProgram, ReplayInfoAndReplayGameForEachPlayerAndAReplayRefused) {
    const std::string replay4375 = (Replays / "4375.replay").string();
    auto info = Run("replay-info " + replay4375);
    EXPECT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(info.out.find("Frames: 866 of the header's 866 read"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("network version 11"), std::string::npos) << info.out;

    auto all = Run("replay-game " + replay4375 + " --player all");
    EXPECT_EQ(all.exitCode, 0) << all.err;
    for (const char* name : {"Master-Rice", "idrxxp_rl", "colonelpanic8", "MrExtreme305"})
        EXPECT_NE(all.out.find(name), std::string::npos) << name << "\n" << all.out;
    EXPECT_NE(all.out.find("Ranked Doubles, blue 1 - 1 orange"), std::string::npos) << all.out;

    auto refused = Run("replay-game " + (Replays / "broken" / "fuzz-corpus.replay").string());
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("refused the replay"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("body at byte"), std::string::npos) << refused.err;

    auto nobody = Run("replay-game " + replay4375 + " --player nobody");
    EXPECT_EQ(nobody.exitCode, 1);
    EXPECT_NE(nobody.err.find("no player \"nobody\" in the replay"), std::string::npos) << nobody.err;
}
