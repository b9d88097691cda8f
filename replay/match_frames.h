// What a replay's network frames say about the match, frame by frame: the ball, each player's car
// (place, velocity, boost, on the field or not), the clock and round state, and the moments the
// game's counters changed (each player's score, goals, shots, saves and assists, the teams' goals,
// demolitions). Players are told apart by their platform id, whatever name they show.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace replay {

struct Vec3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

inline float Length(const Vec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
inline float Distance(const Vec3& a, const Vec3& b) { return Length({a.x - b.x, a.y - b.y, a.z - b.z}); }

// A player's account: the platform (the game's system number: 1 Steam, 2 PlayStation, 4 Xbox,
// 6 Switch, 7 PsyNet, 11 Epic, 0 split screen) and the id on it, a number or (Epic) text.
struct PlayerId {
    std::uint8_t system = 0;
    std::uint64_t number = 0;
    std::string text;
    bool operator==(const PlayerId&) const = default;
    std::string PlatformName() const;  // "Steam", "Epic", ...
    std::string Text() const;          // "Steam:76561198...", "Epic:0123abcd..."
};

struct PlayerFrame {
    Vec3 location;
    Vec3 velocity;
    float boost = 0.0f;    // tank, 0 to 1
    bool onField = false;  // the player has a car in the match at this frame
};

struct MatchPlayer {
    std::string name;  // as the frames show it (the last one shown)
    PlayerId id;
    bool hasId = false;
    int team = -1;  // 0 blue, 1 orange
    bool bot = false;
    std::vector<PlayerFrame> frames;  // one a frame of the replay
};

struct GameFrame {
    float time = 0.0f;   // seconds since the recording began
    float delta = 0.0f;  // seconds since the frame before
    bool ballPresent = false;
    Vec3 ball;
    Vec3 ballVelocity;
    int secondsRemaining = -1;  // the match clock as the game shows it; -1 before the game sends it
    int countdown = -1;         // the kickoff countdown's number (3, 2, 1, then 0)
    bool overtime = false;
    bool ballHasBeenHit = false;  // since the last kickoff
    bool matchEnded = false;
    int ballHitTeam = -1;  // the team of the ball's last toucher
    int state = -1;        // the game's state: an index into MatchFrames::stateNames, -1 when unknown
};

enum class Stat : std::uint8_t { Score, Goals, Shots, Saves, Assists };

struct StatChange {
    int frame = 0;
    int player = 0;
    Stat stat = Stat::Score;
    int value = 0;  // the counter's new value
};

struct Demolition {
    int frame = 0;
    int attacker = -1;  // players; -1 when not known
    int victim = -1;
};

struct TeamGoals {
    int frame = 0;
    int team = 0;
    int goals = 0;  // the team's new total
};

struct MatchFrames {
    std::vector<GameFrame> frames;
    std::vector<MatchPlayer> players;
    std::vector<StatChange> stats;
    std::vector<Demolition> demolitions;
    std::vector<TeamGoals> teamGoals;
    std::vector<std::string> stateNames;  // the names GameFrame::state points into
    int playlist = -1;                    // the game's playlist id, -1 when the frames do not say
    // What was read.
    std::uint64_t actorsOpened = 0;  // actors announced as new (a keyframe's announcements of open ones included)
    std::uint64_t actorsClosed = 0;
    std::uint64_t propertyUpdates = 0;

    int PlayerById(const PlayerId& id) const;  // -1 when none
    bool OnField(int player, std::size_t frame) const { return players[static_cast<std::size_t>(player)].frames[frame].onField; }
};

}  // namespace replay
