// MatchTracker: the counting of one match, whoever feeds it: the game's hooks while it is played, a
// replay's frames when it is imported. It owns the match's record, what the samplers remember from one
// tick to the next, the handlers' memory of their previous event and the latest ball hit. Its handlers
// take plain views of what the game showed and say what they counted (a shot or a goal, in which zone,
// and the console's lines), so that the caller adds it to the all-time grids and files.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "bakkesmod/wrappers/wrapperstructs.h"
#include "base/grid.h"
#include "tracking/match_record.h"

namespace zando {

// A zone of the 62 x 50 grid.
struct Zone {
    int column = 0;  // 0..GridCols-1
    int row = 0;     // 0..GridRows-1
    bool operator==(const Zone&) const = default;
};
// The zone of a world position; rows are oriented by the team so that row 0 is the end it attacks.
using ZoneFunction = Zone (*)(float x, float y, int team);

// What the tick samplers remember from one sample to the next (cleared with the match's figures).
struct MatchSampling {
    float lastBoostAmount = -1.0f;           // previous tick's boost, 0..1; negative = no reading yet
    float lastMeasuredSpeed = 0.0f;          // units/s, the latest speed measured
    float lastPossessionSampleTime = -1.0f;  // match clock at the latest possession sample; negative = none
    bool hasPossession = false;              // outcome of the latest possession sample
    Grid<float> positionHeatmap;             // exported as the CSV's "Position" column; nothing adds to it
    std::optional<Vector> lastBall;          // the ball at the latest tick that showed it
    float lastBallTime = -1.0f;              // the match clock then; negative = none
    float ballSpeed = 0.0f;                  // units/s, measured between the latest two ticks that showed the ball
    bool shotSpeedPending = false;           // the latest place is a shot whose speed the next tick measures
};

// The event handlers' memory of their previous event, started afresh with each match followed (a goal
// of a new match in the zone of the previous match's last goal is not that goal again); a reset of the
// figures leaves it.
struct EventGuards {
    float lastSpeedSampleTime = -1.0f;          // match clock of the last speed reading, s
    Vector lastCarLocation{0.0f, 0.0f, 0.0f};   // the player's car at the last speed reading
    float lastShotTime = -5.0f;                 // match clock of the last counted shot, s
    Vector lastShotLocation{0.0f, 0.0f, 0.0f};  // where the last counted shot was placed
    float lastGoalEventTime = -5.0f;            // match clock of the last goal counted from the stat ticker, s
    Zone lastGoalEventZone{-999, -999};
    float lastGoalHitTime = -5.0f;  // match clock of the last goal counted from the ball entering a goal, s
    Zone lastGoalHitZone{-999, -999};
};

// The latest ball hit (kept by a reset of the figures: a shot right after one is placed where it was hit).
struct BallTouch {
    Vector lastTouchLocation{0.0f, 0.0f, 0.0f};  // the player's car at the latest ball hit
    float lastTouchTime = -10.0f;                // match clock at that hit; negative = none recorded
    bool lastTouchByLocalCar = false;            // whether the car that made that hit was the player's
    // The player's own latest hit: where a shot or goal the game credits to the player happened, even
    // when another car touched the ball after it.
    std::optional<Vector> ownTouchLocation;
};

// [SECTION] What the handlers are shown

struct CarPlace {
    Vector location;
    int team = -1;  // 0 blue, 1 orange
};

// One tick of the game while the match is sampled.
struct TickView {
    float now = 0.0f;            // the match clock, s
    std::optional<Vector> car;   // the player's car; none while it is demolished or not spawned
    int carTeam = -1;            // its team
    std::optional<float> boost;  // its tank, 0..1; none without a boost component
    std::optional<Vector> ball;
    std::span<const CarPlace> cars;  // every car on the field; only read when SamplesPossessionAt(now)
};

// A car hit the ball.
struct TouchView {
    float now = 0.0f;
    Vector car;             // the player's car
    bool byPlayer = false;  // the hitter is the player's car
};

// The ball entered a goal.
struct GoalHitView {
    float now = 0.0f;
    Vector ball;
    int team = 0;  // the player's team
};

// The stat ticker credited the player with a shot on goal or a goal.
struct StatView {
    enum class Kind { Shot, Goal };
    Kind kind = Kind::Shot;
    float now = 0.0f;
    int team = 0;               // the player's team
    std::optional<Vector> car;  // the player's car, none while it is demolished
    std::optional<Vector> ball;
};

// What a handler counted.
struct Counted {
    enum class What { Nothing, Shot, Goal };
    What what = What::Nothing;
    Zone zone;
    std::vector<std::string> lines;  // what it says on the console, in order
};

class MatchTracker {
public:
    // Its grids are sized by the first ClearFigures (a plug-in object is made before it is loaded).
    explicit MatchTracker(ZoneFunction zoneOf) : zoneOf_(zoneOf) {}

    // Speed, boost and possession sampled at a tick.
    void Tick(const TickView& view);
    // Whether a tick at now takes a possession sample (the caller then gives it every car).
    bool SamplesPossessionAt(float now) const;
    std::string Touch(const TouchView& view);  // the console's line
    Counted GoalHit(const GoalHitView& view);
    Counted Stat(const StatView& view);
    // The stat ticker's other credits: the player's save or assist, a demolition by or of the player.
    enum class Credit { Save, Assist, Demolition, Demolished };
    void Count(Credit credit);

    // A fresh record of figures (the metadata kept) and fresh sampling, the grids sized.
    void ClearFigures();
    // A match followed afresh: the handlers forget their previous events, and the player's own touch.
    void ForgetPreviousEvents() {
        guards = {};
        touch.ownTouchLocation.reset();
    }

    MatchRecord match;       // the figures and metadata of the match
    MatchSampling sampling;  // what the tick samplers remember
    EventGuards guards;      // the handlers' memory of their previous event
    BallTouch touch;         // the latest ball hit

private:
    Counted CountGoal(Zone zone, float now, Vector car, Vector ball);
    // Keeps where a counted shot or goal happened.
    void KeepPlace(bool goal, float now, Vector car, Vector ball);
    ZoneFunction zoneOf_;
};

}  // namespace zando
