// A whole ranked match played through the host's events: kickoff, touches, shots, goals seen by both
// paths, a goal replay, overtime, the end with the MMR delay, and the match object's destruction.
#include <nlohmann/json.hpp>

#include "base/utc_timestamp.h"
#include "match_support.h"

using zando_test::MatchTest;
namespace events = host::events;

class WholeMatch : public MatchTest {};

TEST_F(WholeMatch, StatisticsGridsMetadataLinesAndFileAreWhatTheMatchWas) {
    host::game::Car& me = StartPlaying(&zando_test::RankedDoubles);
    match.SetMmr(11, 1012.5f);
    Z().flags.matchActive = false;  // the previous match ended: the first kickoff starts this one
    match.Fire(events::CountdownBeginState);
    match.Fire(events::CountdownEndState);
    ASSERT_FALSE(Z().flags.trackingPaused);

    // Driving: 1000 units/s for a second, picking up a small pad, spending a little, near the ball.
    float clock = 0.0f;
    for (int tick = 0; tick < 20; ++tick) {
        clock += 0.05f;
        match.SetClock(clock);
        me.location.Y += 50.0f;
        match.SetBall({me.location.X, me.location.Y + 100.0f, 93});
        if (tick == 5) me.boost->amount += 0.12f;
        if (tick == 10) me.boost->amount -= 0.04f;
        match.CarInput(me);
        match.CarInput(*match.Match().cars[1]);  // the other cars' inputs at the same clock
    }
    EXPECT_EQ(Z().tracker.match.speedSamples, 19);
    EXPECT_NEAR(Z().AverageSpeed(), 1000.0f, 1.0f);
    EXPECT_FLOAT_EQ(Z().tracker.match.boostCollected, 12.0f);
    EXPECT_NEAR(Z().tracker.match.boostUsed, 4.0f, 0.01f);
    EXPECT_NEAR(Z().tracker.match.possessionTime, 0.95f, 0.01f);

    // A shot from the touch position, then a goal reported by the ball and by the stat ticker.
    match.SetClock(30.0f);
    me.location = {0, 1000, 17};
    match.CarHitBall(me);
    match.SetBall({0, 3000, 93});
    match.StatTicker(me, "Shot on Goal");
    match.SetClock(31.0f);
    match.SetBall({0, 5200, 93});
    match.BallHitGoal();
    match.StatTicker(me, "Goal");
    match.Fire(events::ScoreUpdated);
    EXPECT_TRUE(Z().flags.inGoalReplay);
    match.Fire(events::CountdownBeginState);
    match.Fire(events::CountdownEndState);

    // Overtime: the winner set during it waits; the match's end finishes it with the flag still set.
    match.Match().overtime = true;
    match.SetClock(300.0f);
    match.Fire(events::MatchWinnerSet);
    EXPECT_TRUE(Z().flags.matchActive);
    match.Fire(events::MatchEnded);
    match.Fire(events::MatchDestroyed);
    match.RemoveMatch();
    match.SetMmr(11, 1022.0f);
    Host().Advance(3.0);

    ZANDO& z = Z();
    EXPECT_EQ(z.tracker.match.shots, 1);
    EXPECT_EQ(z.tracker.match.goals, 1);
    EXPECT_EQ(z.tracker.match.shotHeatmap[23][25], 5.0f);
    EXPECT_EQ(z.tracker.match.goalHeatmap[23][25], 1);
    EXPECT_EQ(CellSum(z.tracker.match.goalHeatmap), 1);
    EXPECT_EQ(z.tracker.match.playlistName, "Ranked Doubles");
    EXPECT_TRUE(z.tracker.match.isRanked);
    EXPECT_FLOAT_EQ(z.tracker.match.mmrChange, 9.5f);
    EXPECT_FALSE(z.flags.matchActive || z.flags.awaitingMmrUpload);
    EXPECT_TRUE(z.settings.showHeatmap && z.settings.showPostGame);
    for (const char* line :
         {"[SHOT COUNTED #1] at (0,1000) Team=0", "[GOAL TRACKED] Goal #1 at zone (25,23) - Touch was 1.000000s ago",
          "[GOAL] DUPLICATE goal event ignored at zone (25,23)",
          "[STATS] Match destroyed but delayed upload pending - skipping to avoid race",
          "[METADATA] MMR Change: 9.500000 (Initial: 1012.500000, Final: 1022.000000)",
          "[STATS] Match ended processing complete (delayed for MMR)."})
        EXPECT_TRUE(Logged(line)) << line;

    // The whole-match file beside the statistics file: the score from the player's side, and where the
    // shot and the goal happened (the car at the touch, the ball where the game counted each).
    const nlohmann::json whole =
        nlohmann::json::parse(zando_test::ReadFile(zando_test::InDataFolder(Host().DataFolder(), "zando_match.json")));
    EXPECT_EQ(whole["result"], "win");
    EXPECT_EQ(std::vector<int>({whole["scoreFor"], whole["scoreAgainst"], whole["team"]}), std::vector<int>({1, 0, 0}));
    EXPECT_EQ(std::vector<int>({whole["shots"], whole["goals"], whole["saves"]}), std::vector<int>({1, 1, 0}));
    EXPECT_EQ(whole["overtime"], true);
    EXPECT_EQ(whole["playlist"], "Ranked Doubles");
    const int64_t started = zando::UtcSeconds(whole["startedAt"].get<std::string>());
    const int64_t ended = zando::UtcSeconds(whole["endedAt"].get<std::string>());
    EXPECT_GT(started, 1700000000);
    EXPECT_LE(started, ended);
    const nlohmann::json places = whole["places"];
    ASSERT_EQ(places.size(), 2u);
    EXPECT_EQ(places[0]["kind"], "shot");
    EXPECT_EQ(places[1]["kind"], "goal");
    EXPECT_EQ(std::vector<double>({places[0]["clock"], places[1]["clock"]}), std::vector<double>({30.0, 31.0}));
    for (const auto& place : places) EXPECT_EQ(place["car"], nlohmann::json::parse("[0, 1000, 17]"));
    EXPECT_EQ(places[0]["ball"], nlohmann::json::parse("[0, 3000, 93]"));
    EXPECT_EQ(places[1]["ball"], nlohmann::json::parse("[0, 5200, 93]"));
    for (const auto& place : places) EXPECT_NEAR(place["ballSpeed"].get<double>(), 1000.0, 1.0) << "the last measured";

    // The all-time file holds the shot and the goal for the next run.
    zando.Unload();
    zando_test::LoadedZando next(home.path());
    EXPECT_EQ(next.Zando().allTimeShotHeatmap[23][25], 5.0f);
    EXPECT_EQ(next.Zando().allTimeGoalHeatmap[23][25], 1);
    EXPECT_EQ(next.Lines().back(), "[LOAD] All-time heatmap loaded (v2): 1 shot zones, 1 goal zones");
}
