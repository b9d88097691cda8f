// Per-tick sampling: speed from the local car's movement, boost pickups and use, ball possession.
#include "match_support.h"

using zando_test::MatchTest;
namespace events = host::events;

class TickSampling : public MatchTest {
protected:
    void SetUp() override {
        local = &StartPlaying();
        match.Fire(events::InitGame);
        match.Fire(events::CountdownEndState);
    }
    void TickAt(float clock) {
        match.SetClock(clock);
        match.CarInput(*local);
    }
    host::game::Car* local = nullptr;
};

TEST_F(TickSampling, SpeedIsMeasuredOnlyOverARealShortInterval) {
    local->location = {0, 0, 17};
    TickAt(10.0f);
    local->location = {50, 0, 17};
    TickAt(10.05f);
    EXPECT_EQ(Z().tracker.match.speedSamples, 1);
    EXPECT_NEAR(Z().tracker.match.speedSum, 1000.0f, 0.5f);

    match.CarInput(*match.Match().cars[1]);  // another car's input at the same clock
    EXPECT_EQ(Z().tracker.match.speedSamples, 1) << "a call that measures no interval adds no sample";
    TickAt(10.25f);
    EXPECT_EQ(Z().tracker.match.speedSamples, 1) << "0.2 s is too long to measure";
    local->location = {2050, 0, 17};
    TickAt(10.30f);
    EXPECT_EQ(Z().tracker.match.speedSamples, 1) << "40000 units/s is not driving";
    TickAt(10.35f);
    EXPECT_EQ(Z().tracker.match.speedSamples, 2) << "standing still over a real interval is a true 0";
    EXPECT_NEAR(Z().AverageSpeed(), 500.0f, 0.5f);
}

TEST_F(TickSampling, NothingIsSampledWhilePausedOrAfterTheMatch) {
    match.Fire(events::CountdownBeginState);
    TickAt(1.0f);
    TickAt(1.05f);
    Z().flags.trackingPaused = false;
    Z().flags.matchActive = false;
    TickAt(1.1f);
    EXPECT_EQ(Z().tracker.match.speedSamples, 0);
    EXPECT_EQ(Z().tracker.sampling.lastBoostAmount, -1.0f);
}

TEST_F(TickSampling, BoostPickupsAreCreditedAsPadsAndSmallFallsAsUse) {
    struct Case {
        float from, to;
        Vector where;
        float collected, used;
    } cases[] = {
        {0.30f, 0.42f, {0, 0, 17}, 12, 0}, {0.00f, 1.00f, {0, 0, 17}, 100, 0}, {0.50f, 0.80f, {3000, 4000, 17}, 100, 0},
        {0.50f, 0.80f, {0, 0, 17}, 12, 0}, {0.60f, 0.55f, {0, 0, 17}, 0, 5},   {1.00f, 0.00f, {0, 0, 17}, 0, 0},
    };
    float clock = 20.0f;
    for (const Case& c : cases) {
        local->location = c.where;
        local->boost->amount = c.from;
        TickAt(clock += 1.0f);
        Z().tracker.match.boostCollected = Z().tracker.match.boostUsed = 0;
        local->boost->amount = c.to;
        TickAt(clock += 0.05f);
        EXPECT_NEAR(Z().tracker.match.boostCollected, c.collected, 0.01f) << c.from << " -> " << c.to;
        EXPECT_NEAR(Z().tracker.match.boostUsed, c.used, 0.01f) << c.from << " -> " << c.to;
    }
}

TEST_F(TickSampling, PossessionGoesToTheTeamOfTheCarNearestTheBall) {
    host::game::Car& mate = *match.Match().cars[1];
    mate.location = {0, 0, 17};
    match.SetBall({399, 0, 17});
    TickAt(30.0f);
    TickAt(30.2f);
    EXPECT_NEAR(Z().tracker.match.gameTime, 0.2f, 1e-4f);
    EXPECT_NEAR(Z().tracker.match.teamPossessionTime, 0.2f, 1e-4f);
    EXPECT_NEAR(Z().tracker.match.possessionTime, 0.2f, 1e-4f);
    EXPECT_TRUE(Z().tracker.sampling.hasPossession);

    match.SetBall({400, 0, 17});
    TickAt(30.4f);
    EXPECT_NEAR(Z().tracker.match.gameTime, 0.4f, 1e-4f);
    EXPECT_NEAR(Z().tracker.match.possessionTime, 0.2f, 1e-4f) << "400 units is nobody's ball";
    EXPECT_FALSE(Z().tracker.sampling.hasPossession);

    match.SetBall({0, 2900, 17});  // beside the opponent
    TickAt(30.6f);
    EXPECT_NEAR(Z().tracker.match.opponentPossessionTime, 0.2f, 1e-4f);

    local->boost.reset();
    TickAt(30.8f);
    EXPECT_NEAR(Z().tracker.match.gameTime, 0.6f, 1e-4f) << "without a boost component nothing past speed is sampled";
}

TEST_F(TickSampling, TheKickoffRefillAndADemolitionAreNeitherCollectedNorUsed) {
    local->boost->amount = 0.10f;
    TickAt(20.0f);
    // A goal, then the kickoff: the tank is refilled to a third while the countdown runs.
    match.Fire(events::CountdownBeginState);
    local->boost->amount = 0.33f;
    match.Fire(events::CountdownEndState);
    TickAt(20.1f);
    EXPECT_EQ(Z().tracker.match.boostCollected, 0.0f) << "a refill is not a 12-boost pad";

    // Demolished with 5 boost, respawned 3 s later with a third of a tank.
    local->boost->amount = 0.05f;
    TickAt(30.0f);
    local->demolished = true;
    local->boost->amount = 0.0f;
    TickAt(30.05f);
    TickAt(31.0f);
    local->demolished = false;
    local->boost->amount = 0.33f;
    TickAt(33.0f);
    TickAt(33.05f);
    EXPECT_EQ(Z().tracker.match.boostCollected, 0.0f);
    EXPECT_EQ(Z().tracker.match.boostUsed, 0.0f);

    // Driving on from there is measured again.
    local->boost->amount = 0.30f;
    TickAt(33.1f);
    EXPECT_NEAR(Z().tracker.match.boostUsed, 3.0f, 0.01f);
}

TEST_F(TickSampling, ALargePadToppingUpANearlyFullTankIsALargePad) {
    local->location = {3072, -4096, 17};  // on a corner's large pad
    local->boost->amount = 0.88f;
    TickAt(40.0f);
    local->boost->amount = 1.0f;  // +12: what a small pad gives, but this is the large one
    TickAt(40.01f);
    EXPECT_EQ(Z().tracker.match.boostCollected, 100.0f);
}

// The history's shares of time: at or above 2200 units/s, with an empty tank, with a full one, each
// the match time between samples counted by the speed and the tank of the sample that ends it.
TEST_F(TickSampling, TimeAtSupersonicSpeedAndWithAnEmptyOrFullTankIsCounted) {
    struct Step {
        float dx;      // units moved over the 0.05 s before the sample
        float amount;  // the tank at the sample
    } steps[] = {
        {110.0f, 1.00f},  // 2200 units/s: supersonic, full
        {109.0f, 0.50f},  // 2180: neither
        {150.0f, 0.00f},  // 3000: supersonic, empty
        {10.0f, 0.00f},   // 200: empty
        {10.0f, 0.99f},   // neither
    };
    local->location = {0, 0, 17};
    local->boost->amount = 1.0f;
    float clock = 40.0f;
    TickAt(clock);
    const float before = Z().tracker.match.gameTime;
    for (const Step& step : steps) {
        local->location.X += step.dx;
        local->boost->amount = step.amount;
        TickAt(clock += 0.05f);
    }
    EXPECT_NEAR(Z().tracker.match.gameTime - before, 0.25f, 1e-4f);
    EXPECT_NEAR(Z().tracker.match.supersonicTime, 0.10f, 1e-4f);
    EXPECT_NEAR(Z().tracker.match.emptyTankTime, 0.10f, 1e-4f);
    EXPECT_NEAR(Z().tracker.match.fullTankTime, 0.05f, 1e-4f);
    EXPECT_EQ(Z().tracker.match.team, 0);
}
