// One record of a match trace: something the game does at a moment of the host's clock (a match
// appears, a car joins, the world moves, a game event fires, a console statement, a rendered frame).
#pragma once

#include <array>
#include <optional>
#include <utility>
#include <string>
#include <variant>
#include <vector>

#include "host/runtime/game_objects.h"
#include "bakkesmod/wrappers/wrapperstructs.h"

namespace sandbox {

// The twelve game functions the plug-in hooks, named in traces by the part after the last '.'
// (Active.BeginState and the two Countdown states keep their state name).
enum class GameEvent {
    InitGame,
    ActiveBeginState,
    CountdownEndState,
    MatchEnded,
    ScoreUpdated,
    CountdownBeginState,
    MatchWinnerSet,
    MatchDestroyed,
    BallHitGoal,
    CarHitBall,
    StatTickerMessage,
    CarSetInput,
};

struct GameEventName {
    GameEvent event;
    const char* traceName;     // as written in a trace
    const char* functionName;  // the game function the host reports
};
const std::vector<GameEventName>& GameEventNames();
const GameEventName& NameOf(GameEvent event);
std::optional<GameEvent> EventFromTraceName(const std::string& traceName);

namespace record {

// A new match object replaces any match in progress: clock 0, the ball at the centre, no cars.
struct Match {
    std::optional<host::game::Playlist> playlist;  // none: the game reports no playlist
    bool online = true;
};
// A car joins the match; cars are numbered from 0 in the order they join.
struct Car {
    int team = 0;
    std::string name;
    bool local = false;  // the local player's car
    Vector location;
    float boost = 0.33f;  // fraction of a full tank
};
struct CarState {
    Vector location;
    float boost = 0.0f;
    bool demolished = false;  // blown up: out of the match until it respawns
};
// What a version-2 line leaves out of a car's entry and of the inputs after a state, filled in by the
// reader from the records before it (docs/trace-format.md).
struct CompactState {
    std::vector<bool> shortEntry;  // per car: the height (and boost) as in the car's entry before
    std::vector<bool> boostGiven;  // per car: a short entry that gives the boost
    bool moved = false;            // the entries' x and y are moves from each car's location before
    std::vector<std::pair<double, double>> moves;  // those moves, as written
    bool inputsImplied = false;    // one SetInput for every car, in car order, follows the state
    bool inputsOnly = false;       // an "inputs" line: no state, only the SetInputs
    bool frameBefore = false;      // a frame at the same moment comes before the state
    std::optional<std::array<double, 3>> ballMove;  // "ballMoved": the ball's move from where it was
};
// The world at this moment; absent fields keep their values.
struct State {
    std::optional<float> clock;     // match clock, seconds
    std::optional<bool> overtime;
    std::optional<Vector> ball;     // the ball's location
    bool removeBall = false;        // the ball does not exist (after it exploded in a goal)
    std::vector<CarState> cars;     // every car, in order; empty: unchanged
    CompactState compact;           // as read from a version-2 line; ignored when played
};
struct Event {
    GameEvent event = GameEvent::InitGame;
    int car = -1;        // CarHitBall, CarSetInput: the car whose function fires
    int receiver = -1;   // StatTickerMessage: the car whose driver the message is about
    int victim = -1;     // StatTickerMessage: the other driver involved, -1 for none
    std::string label;   // StatTickerMessage: "Shot on Goal", "Goal", "Save", ...
    std::string stat;    // StatTickerMessage: the stat event's name ("Shot", ...); empty = the game's for an English label
};
// The local player's skill rating in a playlist, as the rating service will answer it from now on.
struct Mmr {
    int playlist = 0;
    float mmr = 0.0f;
};
struct Console {
    std::string statements;
};
struct Frame {};
// The match object is gone (after its Destroyed event): no current game, no local car.
struct RemoveMatch {};

}  // namespace record

using RecordBody = std::variant<record::Match, record::Car, record::State, record::Event, record::Mmr,
                                record::Console, record::Frame, record::RemoveMatch>;

struct TraceRecord {
    double t = 0.0;  // seconds on the host's clock since the trace began
    RecordBody body;
};

inline constexpr int TraceFormatVersion = 2;        // the version written
inline constexpr int OldestTraceFormatVersion = 1;  // still read, and played the same

// The first line of a trace.
struct TraceHeader {
    int version = TraceFormatVersion;
    std::string source;  // what made the trace, free text
};

}  // namespace sandbox
