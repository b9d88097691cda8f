// The ways a real match ends and the next one begins: the plug-in reloaded inside the wait for the new
// rating or during play, a reset or a new match inside that wait, a match left early, and a goal of a
// new match where the previous match's last goal was.
#include <nlohmann/json.hpp>

#include "match_support.h"

using zando_test::MatchTest;
namespace events = host::events;
using Lines = std::vector<std::string>;

class MatchEndFlows : public MatchTest {
protected:
    // A followed ranked match whose initial rating (1000) was read at its first countdown.
    host::game::Car& StartRankedMatch(const host::game::Playlist& playlist = zando_test::RankedDoubles) {
        host::game::Car& local = StartPlaying(&playlist);
        match.SetMmr(playlist.id, 1000.0f);
        match.Fire(events::InitGame);
        match.Fire(events::CountdownBeginState);
        match.Fire(events::CountdownEndState);
        return local;
    }
    // A shot and a goal of the local car from the centre of the attacking half at the given clock.
    void ShotAndGoal(host::game::Car& local, float clock) {
        match.SetClock(clock);
        match.SetBall({0, 3000, 93});
        TouchFrom(local, {0, 2560, 17});
        match.StatTicker(local, "Shot on Goal");
        match.SetBall({0, 5200, 93});
        match.StatTicker(local, "Goal");
    }
    nlohmann::json StatsFile() {
        return nlohmann::json::parse(zando_test::ReadFile(zando_test::InDataFolder(Host().DataFolder(), "zando_stats.json")));
    }
    int Count(const std::string& line) {
        const auto& all = zando.Lines();
        return static_cast<int>(std::count(all.begin(), all.end(), line));
    }
};

TEST_F(MatchEndFlows, AReloadInsideTheWaitForTheNewRatingFinishesTheMatchFirstAndOnlyOnce) {
    host::game::Car& local = StartRankedMatch();
    ShotAndGoal(local, 50.0f);
    match.Fire(events::MatchEnded);
    match.SetMmr(11, 1009.5f);
    Host().Advance(2.0);
    MarkLines();
    zando.Run("plugin reload ZANDO");
    const Lines lines = NewLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "[STATS] Unloading with the match end pending - finishing it now");
    EXPECT_EQ(lines[1], "[METADATA] MMR Change: 9.500000 (Initial: 1000.000000, Final: 1009.500000)");
    EXPECT_TRUE(Logged("[STATS] Match ended processing complete (delayed for MMR)."));
    const nlohmann::json stats = StatsFile();
    EXPECT_EQ(stats["shots"], 1);
    EXPECT_EQ(stats["goals"], 1);

    // The reloaded plug-in follows the match object still there; the first one's timer never fires.
    EXPECT_TRUE(Logged("[ACTIVE] Loaded during a match - following it from now"));
    Host().Advance(5.0);
    EXPECT_EQ(Count("[STATS] Match ended processing complete (delayed for MMR)."), 1);
    EXPECT_EQ(Count("[STATS] Exporting stats to JSON..."), 1);
}

TEST_F(MatchEndFlows, APluginLoadedDuringAMatchSamplesItFromThatMoment) {
    host::game::Car& local = StartPlaying(&zando_test::RankedDoubles);
    match.SetMmr(11, 1234.5f);
    zando.Run("plugin reload ZANDO");
    EXPECT_TRUE(Logged("[METADATA] Initial MMR: 1234.500000 (Playlist ID: 11, Ranked: Yes)"));
    // No countdown comes any more in this match: the input ticks from now on are sampled.
    for (int tick = 1; tick <= 120; ++tick) {
        match.SetClock(200.0f + static_cast<float>(tick) / 120.0f);
        local.location.X = static_cast<float>(tick) * 10.0f;  // 1200 units/s
        match.CarInput(local);
    }
    EXPECT_GT(Z().tracker.match.speedSamples, 100);
    EXPECT_NEAR(Z().AverageSpeed(), 1200.0f, 1.0f);
    EXPECT_NEAR(Z().tracker.match.gameTime, 119.0f / 120.0f, 0.01f);
    EXPECT_EQ(Z().tracker.match.playlistName, "Ranked Doubles");
}

TEST_F(MatchEndFlows, AResetOrANewMatchInsideTheWaitLeavesTheEndedMatchsRecordAsItWas) {
    host::game::Car& local = StartRankedMatch();
    ShotAndGoal(local, 50.0f);
    ShotAndGoal(local, 90.0f);
    match.Fire(events::MatchWinnerSet);
    match.SetMmr(11, 990.0f);
    zando.Run("reset_stats");
    StartRankedMatch(zando_test::RankedDuel);  // the next match, its InitGame and its first countdown
    Host().Advance(3.0);
    zando.Settle();
    const nlohmann::json stats = StatsFile();
    EXPECT_EQ(stats["shots"], 2);
    EXPECT_EQ(stats["goals"], 2);
    EXPECT_TRUE(Logged("[METADATA] MMR Change: -10.000000 (Initial: 1000.000000, Final: 990.000000)"));
    // The match followed now keeps its own figures.
    EXPECT_EQ(Z().tracker.match.shots, 0);
    EXPECT_EQ(Z().tracker.match.playlistName, "Ranked Duel");
    EXPECT_TRUE(Z().flags.matchActive);
}

TEST_F(MatchEndFlows, AMatchLeftEarlyLeavesTheNextMatchClean) {
    StartRankedMatch(zando_test::RankedDuel);
    match.SetClock(3.0f);
    match.Fire(events::MatchDestroyed);
    match.RemoveMatch();
    // The next match, with no InitGame: its first countdown starts it afresh and reads its playlist.
    StartPlaying(&zando_test::RankedDoubles);
    match.SetMmr(11, 1500.0f);
    MarkLines();
    match.Fire(events::CountdownBeginState);
    EXPECT_EQ(NewLines()[1], "[COUNTDOWN] New match starting - resetting stats and hiding UI");
    EXPECT_EQ(Z().tracker.match.playlistName, "Ranked Doubles");
    EXPECT_EQ(Z().tracker.match.initialMmr, 1500.0f);
}

TEST_F(MatchEndFlows, AGoalOfANewMatchWhereThePreviousMatchsLastGoalWasCounts) {
    host::game::Car& first = StartRankedMatch();
    ShotAndGoal(first, 100.0f);
    match.Fire(events::MatchEnded);
    match.Fire(events::MatchDestroyed);
    match.RemoveMatch();

    // Same spot, 1 s of match clock later, in a new match: both goal paths count it once.
    host::game::Car& second = StartRankedMatch();
    match.SetClock(101.0f);
    TouchFrom(second, {0, 2560, 17});
    match.SetBall({0, 5200, 93});
    match.BallHitGoal();
    match.StatTicker(second, "Goal");
    EXPECT_EQ(Z().tracker.match.goals, 1);
    EXPECT_EQ(CellSum(Z().tracker.match.goalHeatmap), 1);
    EXPECT_EQ(CellSum(Z().allTimeGoalHeatmap), 2);
}
