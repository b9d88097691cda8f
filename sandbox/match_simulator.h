// A session of simulated online matches, tick by tick at the game's 120 physics ticks a second: kickoff
// countdowns, cars driving and boosting at game speeds, boost pads, ball touches, shots, saves and
// goals with their stat-ticker messages, goal replays, overtime, forfeits, the end of the match with
// the new rating, and the match object's destruction; and the ways real sessions go: InitGame at most
// match loads, the local player leaving a match, several matches in a row, the plug-in reloaded during
// a match or while it waits for the new rating. The matches come out as trace records, in time order;
// the local player's true figures are kept beside each, to compare with what the plug-in measured.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "sandbox/field_layout.h"
#include "sandbox/trace_record.h"

namespace sandbox {

struct SimulationSettings {
    std::uint64_t seed = 1;
    int teamSize = 3;   // 1, 2 or 3 cars a team
    double fps = 60.0;  // rendered frames a second
    int matches = 1;    // matches in the session; the ones after the first are of a mode drawn by chance
};

// The local player's figures as they really were in the match (a reload during play keeps them: the
// plug-in keeps the match's figures across it).
struct LocalTruth {
    std::string name;
    int team = 0;
    double playSeconds = 0.0;        // match-clock time in play
    double drivingSeconds = 0.0;     // match-clock time in play with the car on the field (not demolished)
    double distance = 0.0;           // units driven (and jumped) while the clock ran
    double supersonicSeconds = 0.0;  // driving time at 2200 units/s or faster
    double emptyTankSeconds = 0.0;   // driving time with no boost
    double fullTankSeconds = 0.0;    // driving time with a full tank
    double boostCollected = 0.0;     // pads' worth: 12 a small pad, 100 a large one, however full the tank was
    double boostGained = 0.0;        // percent points the tank took from pads (a pad's worth less the overfill)
    double boostUsed = 0.0;          // percent points burnt
    int shots = 0;                   // "Shot on Goal" messages about the player
    int goals = 0;                   // "Goal" messages about the player
    double possessionSeconds =
        0.0;  // driving time in which the car nearest the ball (within 400 units) was a team-mate's or the player's
    double lastTouchPossessionSeconds = 0.0;  // driving time in which the player's team made the last touch
    int demolished = 0;                       // times the player's car was demolished
    // Where each of the player's shots and goals is placed: the player's car as last shown to the game
    // at the ball's last touch before it (any car's; the car itself when no touch was seen since the
    // match or the plug-in began), with the player's team, which sets the grid's orientation.
    struct Spot {
        float x = 0.0f, y = 0.0f;
        int team = 0;
    };
    std::vector<Spot> shotSpots;
    std::vector<Spot> goalSpots;
    double AverageSpeed() const { return drivingSeconds > 0.0 ? distance / drivingSeconds : 0.0; }  // units/s, time-weighted
};

struct MatchOutcome {
    std::string playlist;
    int goals[2] = {0, 0};  // blue, orange
    bool overtime = false;
    int forfeitingTeam = -1;
    float mmrBefore = 0.0f;
    float mmrAfter = 0.0f;  // the rating after the match (the one before it when the player left)
    double clock = 0.0;     // match clock at the end, seconds
    int teamSize = 3;
    // How the session went around this match.
    bool initGame = true;            // the game sent InitGame when the match loaded
    bool localLeft = false;          // the local player left before the end: Destroyed with no end events
    bool reloadedInPlay = false;     // the plug-in was reloaded while the match was played
    bool reloadedInMmrWait = false;  // ... within 3 s after the end, once the new rating was posted
    // Situations of play in this match, any car.
    int kickoffShots = 0;   // shots on goal straight from a kickoff, the ball on the centre spot
    int ownHalfShots = 0;   // shots on goal from the shooter's own half
    int deflections = 0;    // shots a defender touched that still went in (own goals)
    int aerialTouches = 0;  // touches of a ball above the reach of a car on the ground
    int demolitions = 0;
    int teamMateGoals = 0;  // goals of the local player's team-mates
};

struct SimulatedResult {
    LocalTruth truth;
    MatchOutcome outcome;
};

class MatchSimulator {
public:
    using Sink = std::function<void(const TraceRecord&)>;

    MatchSimulator(SimulationSettings settings, Sink sink);
    void Run();  // every match of the session, from joining it to the menu after it

    // The last match of the session.
    const LocalTruth& Truth() const { return truth_; }
    const MatchOutcome& Outcome() const { return outcome_; }
    const std::vector<SimulatedResult>& Results() const { return results_; }  // every match, in order
    std::string Source() const;  // the command that makes this match, for the trace header

private:
    std::map<int, float> ratings_;  // each playlist's rating after its last match of the session
    enum class Role { Attacker, Support, Goalie };
    struct Car {
        int team = 0;
        std::string name;
        bool local = false;
        double x = 0, y = 0, heading = 0, speed = 0;
        double z = 17.01, vz = 0;  // height of the car's centre and its vertical speed (jumps)
        double boost = 33.0;       // percent points
        bool demolished = false;   // blown up: off the field until respawnAt
        double respawnAt = 0;
        double supersonicAt = -1;  // host time the car was last at 2200 units/s or more; -1 = never
        double huntUntil = 0;      // host time until which it drives at the nearest opponent for a demolition
        double touchReadyAt = 0;   // host time from which it can touch the ball again
        double shotReadyAt = 0;    // host time from which a hit of it can be a shot again
        double wanderX = 0, wanderY = 0, wanderUntil = 0;
        Role role = Role::Support;
    };
    struct Ball {
        double x = 0, y = 0, z = field::BallRadius, vx = 0, vy = 0, vz = 0;
        bool exists = true;
    };
    enum class Phase { Countdown, Play, Celebration, Idle };

    // [SECTION] Match flow
    void SetUpMatch(int teamSize);  // the teams, names, rating and the session's turns for the next match
    void PlayMatch();
    void ReloadPlugin(bool inPlay);  // the console statement that reloads the plug-in
    void Kickoff();                  // cars and ball to their kickoff places, shown to the game
    void PlaceForKickoff();
    enum class Stoppage { Goal, MatchOver, LocalLeft };
    Stoppage PlayUntilStoppage();
    void AfterGoal();
    void EndMatch();
    void RunTicks(double seconds, Phase phase);

    // [SECTION] One tick
    void Tick(Phase phase);
    void AssignRoles();
    void Drive(Car& car, double targetX, double targetY, double wantedSpeed, bool mayBoost);
    void PickUpPads(Car& car);
    void MoveBall();
    void TouchBall();
    void Hit(int carIndex);
    bool CheckGoal();
    void MeasureLocal(double oldX, double oldY, double oldZ);
    void MoveVertically(Car& car);
    const field::PadSpot* NearestPad(const Car& car, double reach) const;
    void Demolitions();
    void Respawn(Car& car);
    // Supersonic from 2200 units/s, and held down to 2100 for up to 1 s.
    bool Supersonic(const Car& car) const {
        return car.speed >= 2200.0 || (car.speed >= 2100.0 && car.supersonicAt >= 0.0 && Now() - car.supersonicAt <= 1.0);
    }

    // [SECTION] Output
    double Now() const;
    float Clock() const;
    void Emit(RecordBody body);
    void EmitEvent(GameEvent event, int car = -1);
    void EmitStat(int receiver, const std::string& label, int victim = -1);
    void EmitState(bool withCars, bool withOvertime = false);

    double Uniform(double low, double high);
    double SessionUniform(double low, double high);            // from the session's stream
    int Attack(int team) const { return team == 0 ? 1 : -1; }  // +1: the team scores at +Y

    SimulationSettings settings_;
    Sink sink_;
    std::mt19937_64 rng_;
    std::mt19937_64 sessionRng_;  // the session's turns (leaving, reloads, InitGame), apart from the play's
    std::vector<Car> cars_;
    int localIndex_ = 0;
    Ball ball_;
    struct PadState {
        double readyAt = 0;
    };
    std::vector<PadState> pads_;
    long long tick_ = 0;        // host ticks since the trace began
    long long clockTicks_ = 0;  // ticks the match clock has run
    long long nextFrame_ = 0;
    bool overtime_ = false;
    int lastTeamToucher_[2] = {-1, -1};
    int previousTeamToucher_[2] = {-1, -1};
    double lastTeamTouchTime_[2] = {-100, -100};
    double previousTeamTouchTime_[2] = {-100, -100};
    double ballTouchableAt_ = 0.0;  // host time from which a car can hit the ball again
    int shooter_ = -1;              // whose on-target shot the ball is, -1 for none
    bool kickoffPending_ = false;   // no car has touched the ball since the kickoff
    int lastToucherTeam_ = -1;      // team of the car that touched the ball last
    bool localTeleported_ = false;  // the local car respawned this tick: no distance driven
    int scoringTeam_ = -1;          // the team that scored the goal just reported
    double forfeitAt_ = -1.0;       // match clock at which a team far behind may forfeit
    double regulationSeconds_ = 300.0;
    double leaveAt_ = -1.0;   // match clock at which the local player leaves, -1: stays
    double reloadAt_ = -1.0;  // match clock at which the plug-in is reloaded, -1: not in play
    LocalTruth truth_;
    LocalTruth::Spot shownLocal_;     // the player's car as last shown in a state
    bool shownLocalOnField_ = false;  // ... and on the field then (not demolished)
    LocalTruth::Spot touchSpot_;      // the player's car at the ball's last touch
    bool touchSeen_ = false;          // a touch since the match or the plug-in began
    MatchOutcome outcome_;
    std::vector<SimulatedResult> results_;
    host::game::Playlist playlist_;
};

}  // namespace sandbox
