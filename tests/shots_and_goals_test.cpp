// Touches, shots and goals: placement on the zone grid, team and half checks, duplicate windows,
// and one goal seen by both the ball entering the goal and the stat ticker.
#include "match_support.h"

using zando_test::MatchTest;
namespace events = host::events;
using Lines = std::vector<std::string>;

class ShotsAndGoals : public MatchTest {
protected:
    void SetUp() override {
        local = &StartPlaying();
        match.Fire(events::InitGame);
        match.Fire(events::CountdownEndState);
        match.SetBall({0, 3000, 93});  // in the opponent's half of team 0
    }

    // Shoots from position at the given clock and returns the zone (column, row) that got the heat.
    std::pair<int, int> ShotZone(Vector position, float clock) {
        match.SetClock(clock);
        TouchFrom(*local, position);
        match.StatTicker(*local, "Shot on Goal");
        for (int row = 0; row < GridRows; ++row)
            for (int column = 0; column < GridCols; ++column)
                if (Z().tracker.match.shotHeatmap[row][column] > 0) {
                    std::pair<int, int> zone{column, row};
                    Z().tracker.match.shotHeatmap[row][column] = 0;
                    return zone;
                }
        return {-1, -1};
    }

    host::game::Car* local = nullptr;
};

TEST_F(ShotsAndGoals, ShotsArePlacedAtTheLastTouchOnTheZoneGrid) {
    EXPECT_EQ(ShotZone({0, 0, 17}, 10), std::make_pair(25, 31));
    EXPECT_EQ(ShotZone({0, 4500, 17}, 20), std::make_pair(25, 0));
    EXPECT_EQ(ShotZone({4096, 0, 17}, 30), std::make_pair(5, 31));
    EXPECT_EQ(ShotZone({-4096, 0, 17}, 40), std::make_pair(45, 31));
    EXPECT_EQ(ShotZone({-6000, 0, 17}, 50), std::make_pair(49, 31));
    EXPECT_EQ(ShotZone({1e30f, -1e30f, 17}, 60), std::make_pair(0, 61)) << "far outside the field still lands inside";
    // Exactly on the field's edges (X +-5120, Y +-4096): the zones at the edges, not one beyond.
    EXPECT_EQ(ShotZone({-5120, -4096, 17}, 70), std::make_pair(49, 61));
    EXPECT_EQ(ShotZone({5120, 4096, 17}, 80), std::make_pair(0, 0));
    EXPECT_EQ(Z().tracker.match.shots, 8);
    EXPECT_FLOAT_EQ(CellSum(Z().allTimeShotHeatmap), 40.0f);
    EXPECT_TRUE(Logged("[SHOT] Using last touch position: Y=4500 X=0"));
    EXPECT_TRUE(Logged("[SHOT COUNTED #3] at (4096,0) Team=0"));
    EXPECT_TRUE(Logged("[SAVE] All-time heatmap saved (shots + goals)"));
}

TEST_F(ShotsAndGoals, RowsAreOrientedByTheTeamSoRowZeroIsTheEndItAttacks) {
    StartPlaying(nullptr, 1);
    local = Host().World().localCar;
    match.SetBall({0, -3000, 93});
    EXPECT_EQ(ShotZone({0, 4500, 17}, 10), std::make_pair(25, 61));
    EXPECT_EQ(ShotZone({0, -4500, 17}, 20), std::make_pair(25, 0));
    EXPECT_EQ(Z().flags.playerTeam, 1);
}

TEST_F(ShotsAndGoals, ATouchByAnyCarRecordsWhereTheLocalCarIs) {
    match.SetClock(12.5f);
    local->location = {-123.9f, 456.7f, 17};
    MarkLines();
    match.CarHitBall(*local);
    EXPECT_EQ(NewLines(), (Lines{"[TOUCH] Recorded ball touch at Y=456 X=-123"}));
    EXPECT_EQ(Z().tracker.touch.lastTouchLocation, (Vector{-123.9f, 456.7f, 17}));
    EXPECT_FLOAT_EQ(Z().tracker.touch.lastTouchTime, 12.5f);
}

TEST_F(ShotsAndGoals, StatEventsAreCheckedForLabelPlayerAndAGoalForItsEnd) {
    host::game::Car& mate = *match.Match().cars[1];
    match.SetClock(10);
    MarkLines();
    match.StatTicker(*local, "Save");
    match.StatTicker(mate, "Shot on Goal");
    match.StatTicker(mate, "Goal");
    match.StatTicker(*local, "shot on goal");
    match.SetBall({0, -10, 93});
    match.StatTicker(*local, "Goal");
    EXPECT_EQ(NewLines(), (Lines{"[STAT EVENT] Save", "[STAT EVENT] Shot on Goal", "[SHOT] Not our shot, ignoring",
                                 "[STAT EVENT] Goal", "[GOAL] Not our goal, ignoring", "[STAT EVENT] shot on goal",
                                 "[STAT EVENT] Goal", "[SHOT] Shot towards own goal (save attempt), ignoring"}));
    EXPECT_EQ(Z().tracker.match.shots + Z().tracker.match.goals, 0);

    Z().flags.matchActive = false;
    MarkLines();
    match.StatTicker(*local, "Shot on Goal");
    EXPECT_EQ(NewLines(), (Lines{"[SHOT] Match not active - skipping"}));
}

TEST_F(ShotsAndGoals, AStatEventIsKnownByItsNameInAnyLanguageNotByItsLabel) {
    match.SetClock(10);
    TouchFrom(*local, {0, 1000, 17});
    MarkLines();
    match.StatTicker(*local, "Tir cadré", nullptr, "Shot");  // the French game's "Shot on Goal"
    // The save is said once the worker has written it, after the shot.
    EXPECT_EQ(NewLines(), (Lines{"[STAT EVENT] Tir cadré", "[SHOT] Using last touch position: Y=1000 X=0",
                                 "[SHOT COUNTED #1] at (0,1000) Team=0", "[SAVE] All-time heatmap saved (shots + goals)"}));
    EXPECT_EQ(Z().tracker.match.shots, 1);
    EXPECT_EQ(Z().tracker.match.shotHeatmap[23][25], 5.0f);

    match.SetClock(20);
    TouchFrom(*local, {0, 2000, 17});
    match.SetBall({0, 5200, 93});
    match.StatTicker(*local, "Tor", nullptr, "Goal");
    EXPECT_EQ(Z().tracker.match.goals, 1);
    EXPECT_EQ(Z().tracker.match.goalHeatmap[15][25], 1);

    // A label that reads like a shot, on an event that is not one (a mod's renamed save), counts nothing.
    match.SetClock(30);
    match.StatTicker(*local, "Shot on Goal", nullptr, "Save");
    EXPECT_EQ(Z().tracker.match.shots, 1);
}

TEST_F(ShotsAndGoals, WithoutAnyTouchTheCarPositionIsUsed) {
    ASSERT_LT(Z().tracker.touch.lastTouchTime, 0.0f);
    local->location = {0, 0, 17};
    match.SetClock(10);
    MarkLines();
    match.StatTicker(*local, "Shot on Goal");
    EXPECT_EQ(NewLines()[1], "[SHOT] WARNING: No ball touch recorded! Using car position as fallback");
    EXPECT_EQ(Z().tracker.match.shotHeatmap[31][25], 5.0f);
}

TEST_F(ShotsAndGoals, ASecondShotSoonAndCloseIsTheSameShot) {
    match.SetClock(20);
    TouchFrom(*local, {0, 1000, 17});
    match.StatTicker(*local, "Shot on Goal");
    match.SetClock(20.5f);
    TouchFrom(*local, {0, 1250, 17});
    MarkLines();
    match.StatTicker(*local, "Shot on Goal");
    EXPECT_EQ(NewLines().back(), "[SHOT] DUPLICATE shot ignored (dist=250 units)");
    EXPECT_EQ(Z().tracker.match.shots, 1);
    TouchFrom(*local, {0, 1350, 17});
    match.StatTicker(*local, "Shot on Goal");
    EXPECT_EQ(Z().tracker.match.shots, 2) << "350 units away is another shot";
}

TEST_F(ShotsAndGoals, AShotOfANewMatchIsNotTakenForTheLastShotOfThePreviousOne) {
    match.SetClock(300);
    TouchFrom(*local, {0, 1000, 17});
    match.StatTicker(*local, "Shot on Goal");
    match.Fire(events::InitGame);  // the next match: its clock starts again from 0
    match.SetClock(299.5f - 295.0f);
    TouchFrom(*local, {0, 1000, 17});
    match.StatTicker(*local, "Shot on Goal");
    EXPECT_EQ(Z().tracker.match.shots, 1);
    EXPECT_EQ(Z().tracker.match.shotHeatmap[23][25], 5.0f);
}

TEST_F(ShotsAndGoals, GoalStatEventsInTheSameZoneWithinTwoSecondsAreOneGoal) {
    match.SetClock(40);
    TouchFrom(*local, {0, 2000, 17});
    match.StatTicker(*local, "Goal");
    EXPECT_EQ(zando.Lines().end()[-2], "[GOAL TRACKED #1] at zone (25,15)");
    match.SetClock(41.5f);
    match.StatTicker(*local, "Goal");
    EXPECT_EQ(zando.Lines().back(), "[GOAL] DUPLICATE goal event ignored at zone (25,15)");
    TouchFrom(*local, {2000, 2000, 17});
    match.StatTicker(*local, "Goal");
    EXPECT_EQ(Z().tracker.match.goals, 2) << "another zone within the window is another goal";
    EXPECT_EQ(CellSum(Z().allTimeGoalHeatmap), 2);
}

TEST_F(ShotsAndGoals, ABallInTheGoalCountsOnlyAfterARecentTouchByThePlayer) {
    match.SetClock(50);
    TouchFrom(*local, {0, 3000, 17});
    match.SetBall({0, 5200, 93});
    match.SetClock(53.0f);
    MarkLines();
    match.BallHitGoal();
    EXPECT_EQ(NewLines(), (Lines{"[GOAL] Not counting - touch was 3.000000s ago (too old)"}));
    match.SetClock(52.9f);
    match.BallHitGoal();
    EXPECT_EQ(Z().tracker.match.goals, 1);
    EXPECT_EQ(zando.Lines().end()[-2].rfind("[GOAL TRACKED] Goal #1 at zone (25,8) - Touch was 2.9", 0), 0u)
        << zando.Lines().end()[-2];

    match.SetBall({0, -5200, 93});
    MarkLines();
    match.BallHitGoal();
    EXPECT_EQ(NewLines(), (Lines{"[GOAL] Goal was scored in own goal or neutral - not counting"}));
}

TEST_F(ShotsAndGoals, ABallInTheGoalAfterAnotherCarsHitIsNotThePlayersGoal) {
    host::game::Car& mate = *match.Match().cars[1];
    host::game::Car& opponent = *match.Match().cars[2];
    match.SetBall({0, 5200, 93});
    for (host::game::Car* hitter : {&mate, &opponent}) {
        match.SetClock(80);
        local->location = {0, 3000, 17};
        match.CarHitBall(*hitter);
        EXPECT_EQ(Z().tracker.touch.lastTouchLocation, local->location) << "the touch is still placed where the player is";
        match.SetClock(81);
        MarkLines();
        match.BallHitGoal();
        EXPECT_EQ(NewLines(), (Lines{"[GOAL] Not counting - the last touch was another car's"}));
    }
    EXPECT_EQ(Z().tracker.match.goals, 0);

    // The game credits the player anyway (an opponent deflected the player's shot): the stat ticker counts it.
    match.StatTicker(*local, "Goal");
    EXPECT_EQ(Z().tracker.match.goals, 1);

    // A hit reported without its car is not assumed to be the player's.
    match.SetClock(120);
    Host().FireEvent(events::CarHitBall);
    match.SetClock(121);
    match.BallHitGoal();
    EXPECT_EQ(Z().tracker.match.goals, 1);
}

TEST_F(ShotsAndGoals, OneGoalReportedByBothPathsCountsOnceAndIsSaved) {
    match.SetClock(60);
    TouchFrom(*local, {0, 3000, 17});
    match.SetBall({0, 5200, 93});
    match.SetClock(61);
    match.BallHitGoal();
    match.SetClock(61.4f);
    MarkLines();
    match.StatTicker(*local, "Goal");
    EXPECT_EQ(NewLines(), (Lines{"[STAT EVENT] Goal", "[GOAL] DUPLICATE goal event ignored at zone (25,8)"}));
    EXPECT_EQ(Z().tracker.match.goals, 1);
    EXPECT_EQ(Z().tracker.match.goalHeatmap[8][25], 1);

    // The goal-hit path saved its goal: a fresh load sees it.
    zando.Unload();
    zando_test::LoadedZando reloaded(home.path());
    EXPECT_EQ(reloaded.Zando().allTimeGoalHeatmap[8][25], 1);
}

TEST_F(ShotsAndGoals, AGoalCountedFromTheStatTickerIsNotCountedAgainWhenTheBallIsSeenInTheGoal) {
    match.SetClock(70);
    TouchFrom(*local, {0, 3000, 17});
    match.StatTicker(*local, "Goal");
    match.SetBall({0, 5200, 93});
    match.SetClock(71.9f);
    MarkLines();
    match.BallHitGoal();
    EXPECT_EQ(NewLines(), (Lines{"[GOAL] DUPLICATE goal ignored at zone (25,8)"}));
    EXPECT_EQ(Z().tracker.match.goals, 1);
}

// [SECTION] As the game reports them: the ball as the goal's caller, the team of the moment, shots from anywhere

TEST_F(ShotsAndGoals, AGoalIsPlacedByTheTeamOfTheMomentAndItsStatTickerReportIsItsDuplicate) {
    // A team-1 player's first goal of a new match, before any shot of it: nothing has set a team yet.
    local = &StartPlaying(nullptr, 1);
    match.Fire(events::InitGame);
    match.SetClock(40.0f);
    TouchFrom(*local, {0, -3000, 17});
    match.SetBall({0, -5200, 93});
    match.SetClock(41.0f);
    MarkLines();
    match.BallHitGoal();
    match.StatTicker(*local, "Goal");
    EXPECT_EQ(Z().tracker.match.goals, 1);
    EXPECT_EQ(Z().tracker.match.goalHeatmap[8][25], 1) << "row 8 of the end the player attacks, as a team-0 goal from Y=3000";
    EXPECT_TRUE(Logged("[GOAL TRACKED] Goal #1 at zone (25,8) - Touch was 1.000000s ago")) << "the match's clock";
    EXPECT_EQ(NewLines().end()[-2], "[GOAL] DUPLICATE goal event ignored at zone (25,8)") << "then the goal's save";
}

TEST_F(ShotsAndGoals, NoGoalIsCountedOutsideAFollowedMatch) {
    match.SetClock(60.0f);
    TouchFrom(*local, {0, 3000, 17});
    match.SetBall({0, 5200, 93});
    match.Fire(events::MatchEnded);  // the match is over: a goal after it (or in freeplay) is not one of it
    match.SetClock(61.0f);
    MarkLines();
    match.BallHitGoal();
    EXPECT_EQ(NewLines(), (Lines{"[GOAL] Match not active - not counting"}));
    EXPECT_EQ(Z().tracker.match.goals, 0);
    EXPECT_EQ(CellSum(Z().allTimeGoalHeatmap), 0);
}

TEST_F(ShotsAndGoals, EveryShotTheGameCreditsCountsWhereverTheBallIs) {
    // Straight from the kickoff, the ball still on the centre spot.
    match.SetBall({0, 0, 93});
    EXPECT_EQ(ShotZone({0, -200, 17}, 5.0f), std::make_pair(25, 32));
    // A long shot from the player's own half, the ball still in it.
    match.SetBall({0, -2800, 93});
    EXPECT_EQ(ShotZone({0, -3000, 17}, 20.0f), std::make_pair(25, 53));
    EXPECT_EQ(Z().tracker.match.shots, 2);
    EXPECT_FALSE(Logged("[SHOT] Shot towards own goal (save attempt), ignoring"));
}

TEST_F(ShotsAndGoals, AShotAndAGoalCreditedWhileThePlayersCarIsDemolishedCount) {
    match.SetClock(90.0f);
    TouchFrom(*local, {0, 3000, 17});
    local->demolished = true;  // blown up right after the shot: no local car until it respawns
    match.StatTicker(*local, "Shot on Goal");
    match.SetBall({0, 5200, 93});
    match.SetClock(91.0f);
    match.StatTicker(*local, "Goal");
    EXPECT_EQ(Z().tracker.match.shots, 1);
    EXPECT_EQ(Z().tracker.match.goals, 1);
    EXPECT_EQ(Z().tracker.match.goalHeatmap[8][25], 1) << "placed at the last touch";
}

// While the player's car is demolished, the shot's driver is told by account: the same number on the
// same platform. An empty id (0, no account read) is nobody's, so two empty ids never match.
TEST_F(ShotsAndGoals, WithoutACarTheShooterIsToldByAccountAndAnEmptyIdIsNobodys) {
    host::game::Car& other = match.AddCar(1, {0, 2000, 17});
    const host::game::UniqueId account{76561190000000042ull, 1};
    const struct {
        const char* name;
        host::game::UniqueId me, shooterId;
        bool shooterIsMe, counted;
    } cases[] = {
        {"the player, by account", account, account, true, true},
        {"another player", account, {76561190000000077ull, 1}, false, false},
        {"the same number on another platform", account, {account.id, 2}, false, false},
        {"another player, both ids empty", {}, {}, false, false},
        {"the player, both ids empty", {}, {}, true, false},
    };
    float clock = 100.0f;
    for (const auto& c : cases) {
        Host().World().localPlayer = c.me;
        local->pri->uniqueId = c.me;
        host::game::Car& shooter = c.shooterIsMe ? *local : other;
        shooter.pri->uniqueId = c.shooterId;
        local->demolished = false;
        TouchFrom(*local, {0, 1000, 17});
        local->demolished = true;
        const int before = Z().tracker.match.shots;
        match.SetClock(clock += 10.0f);
        match.StatTicker(shooter, "Shot on Goal");
        EXPECT_EQ(Z().tracker.match.shots - before, c.counted ? 1 : 0) << c.name;
    }
}

// The stat ticker's other credits of the player: saves and assists of the player alone (an epic save
// is one save), demolitions made by the player and suffered, each whatever label the game shows.
TEST_F(ShotsAndGoals, TheTickersSavesAssistsAndDemolitionsOfThePlayerAreCounted) {
    host::game::Car* mate = match.Match().cars[1].get();
    host::game::Car* opponent = match.Match().cars[2].get();
    struct Message {
        host::game::Car* receiver;
        const char* label;
        host::game::Car* victim;
        const char* name;  // the event's name, where the label is not English
    };
    const Message messages[] = {
        {local, "Save", nullptr, ""},       {local, "Epic Save", nullptr, ""},   {local, "Save", nullptr, ""},
        {local, "Parada", nullptr, "Save"}, {mate, "Save", nullptr, ""},         {local, "Assist", nullptr, ""},
        {opponent, "Assist", nullptr, ""},  {local, "Demolition", opponent, ""}, {opponent, "Demolition", local, ""},
        {opponent, "Demolition", mate, ""}, {mate, "Demolition", opponent, ""},  {opponent, "Demolition", local, ""},
    };
    for (const Message& message : messages) match.StatTicker(*message.receiver, message.label, message.victim, message.name);
    const MatchRecord& record = Z().tracker.match;
    EXPECT_EQ(std::vector<int32_t>({record.saves, record.assists, record.demolitions, record.demolished}),
              std::vector<int32_t>({3, 1, 1, 2}));
    EXPECT_EQ(record.shots, 0);
}

// Each counted shot and goal keeps its true place, off the grid: the car at the counted touch, the ball
// where the game counted it, the clock, and the ball's speed: a shot's as it leaves the touch (the tick
// after), a goal's as it went in (the ticks before).
// A goal's ticker report (its duplicate) and a duplicate shot add no place.
TEST_F(ShotsAndGoals, EachShotAndGoalKeepsTheCarAndBallWhereTheyWereAndTheBallsSpeed) {
    const auto tick = [&](float clock, Vector ball) {
        match.SetClock(clock);
        match.SetBall(ball);
        match.CarInput(*local);
    };
    tick(30.0f, {100, 2000, 93});
    TouchFrom(*local, {120, 1900, 17});
    tick(30.05f, {100, 2090, 93});  // 90 units in 0.05 s
    match.StatTicker(*local, "Shot on Goal");
    match.StatTicker(*local, "Shot on Goal");  // the same shot again
    tick(30.07f, {100, 2150, 93});             // leaving the touch: 60 units in 0.02 s
    tick(31.0f, {300, 4000, 300});
    tick(31.02f, {300, 4000, 200});  // straight down, 100 units in 0.02 s
    match.SetBall({300, 5200, 200});
    match.BallHitGoal();
    match.StatTicker(*local, "Goal");
    tick(31.05f, {0, 0, 93});  // put back on the centre spot: a jump, not a speed
    match.SetClock(40.0f);
    match.StatTicker(*local, "Shot on Goal");  // no new touch: the shot of the last one, the ball at the centre

    const std::vector<ShotPlace>& places = Z().tracker.match.places;
    ASSERT_EQ(places.size(), 3u);
    const ShotPlace expected[] = {
        {false, 30.05f, {120, 1900, 17}, {100, 2090, 93}, 3000.0f},
        {true, 31.02f, {120, 1900, 17}, {300, 5200, 200}, 5000.0f},
        {false, 40.0f, {120, 1900, 17}, {0, 0, 93}, 5000.0f},
    };
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(places[i].goal, expected[i].goal);
        EXPECT_FLOAT_EQ(places[i].clock, expected[i].clock);
        EXPECT_EQ(places[i].car, expected[i].car);
        EXPECT_EQ(places[i].ball, expected[i].ball);
    }
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(places[i].ballSpeed, expected[i].ballSpeed, 5.0f) << i;

    // A goal reported with the ball short of the goal (already put back): it counts, without a place.
    match.SetClock(50.0f);
    match.SetBall({0, 3000, 93});
    match.StatTicker(*local, "Goal");
    EXPECT_EQ(Z().tracker.match.goals, 2);
    EXPECT_EQ(places.size(), 3u);
}

// The game credits the shooter even when another car touches the shot on its way: the true place is
// the player's own touch, while the zone grid keeps the car at the latest touch (its defined place).
TEST_F(ShotsAndGoals, AShotTouchedByAnotherCarOnItsWayIsPlacedAtThePlayersOwnTouch) {
    host::game::Car& opponent = *match.Match().cars[2];
    match.SetClock(20);
    TouchFrom(*local, {500, 1000, 17});
    match.SetClock(21);
    local->location = {-2000, -1000, 17};
    match.CarHitBall(opponent);
    match.StatTicker(*local, "Shot on Goal");
    ASSERT_EQ(Z().tracker.match.places.size(), 1u);
    EXPECT_EQ(Z().tracker.match.places[0].car, (FieldPoint{500, 1000, 17}));
    EXPECT_TRUE(Logged("[SHOT COUNTED #1] at (-2000,-1000) Team=0"));

    // A new match: the previous match's own touch is not this one's.
    match.Fire(events::InitGame);
    match.Fire(events::CountdownEndState);
    match.SetClock(5);
    local->location = {700, 2500, 17};
    match.CarHitBall(opponent);
    match.StatTicker(*local, "Shot on Goal");
    ASSERT_EQ(Z().tracker.match.places.size(), 1u);
    EXPECT_EQ(Z().tracker.match.places[0].car, (FieldPoint{700, 2500, 17}));
}
