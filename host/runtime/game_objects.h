// The modelled game's objects, laid out in host memory. SDK wrappers are views onto these by address,
// the way the real SDK's wrappers view the game's own objects; the host runtime creates and moves them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bakkesmod/wrappers/wrapperstructs.h"

namespace host::game {

struct UniqueId {
    std::uint64_t id = 0;  // platform account number of the player
    int platform = 0;      // platform code (0 = unknown)
    bool operator==(const UniqueId&) const = default;
};

// Player replication info: who a car's driver is and which team they are on.
struct Pri {
    int team = 0;               // 0 blue, 1 orange
    std::string playerName;     // display name
    UniqueId uniqueId;          // the driver's account
};

struct BoostComponent {
    float amount = 0.33f;  // fraction of a full tank, 0..1; a car spawns with a third
};

// Anything placed in the world: the ball, cars.
struct Actor {
    Vector location;       // world units
    int teamNum2 = 255;    // team of the actor; 255 = none (the ball)
};

struct Ball : Actor {};

struct Car : Actor {
    std::optional<Pri> pri;                 // absent while the car has no driver info
    std::optional<BoostComponent> boost;    // absent for cars without a boost component
    bool demolished = false;                // blown up: out of the match until it respawns
};

struct Playlist {
    std::string title = "Casual";  // title shown by the game
    unsigned long ranked = 0;      // non-zero = ranked
    int id = 0;                    // the game's playlist id
};

// One match in progress (a game event, or "server", in the SDK's terms).
// One of a match's two teams and its goals.
struct Team {
    int index = 0;  // 0 blue, 1 orange
    int score = 0;  // goals
};

struct Server {
    float secondsElapsed = 0.0f;                // match clock, seconds
    bool overtime = false;                      // overtime flag
    std::unique_ptr<Ball> ball;                 // null while the ball does not exist (e.g. after a goal)
    std::vector<std::unique_ptr<Car>> cars;     // every car of the match
    std::unique_ptr<Playlist> playlist;         // null when the game reports none
    std::vector<std::unique_ptr<Team>> teams;   // blue, then orange
};

// A stat-ticker event object: its stable name ("Shot", "Goal", "Save", ...) and the label the game
// shows for it ("Shot on Goal", "Goal", "Save", ...).
struct StatEvent {
    std::string name;
    std::string label;
};

// The parameter block of the stat-ticker message function: three pointer-sized fields.
struct StatTickerParams {
    std::uintptr_t receiver = 0;   // Pri of the player the message is about
    std::uintptr_t victim = 0;     // Pri of the other player involved, if any
    std::uintptr_t statEvent = 0;  // StatEvent
};

// The skill-rating service: a rating per (player, playlist), 0 for a playlist never played. The
// ratings are synced while the service is reachable; while an update is on its way they are syncing;
// while the service is offline (failing) nothing is synced and every rating reads 0.
struct MmrService {
    std::map<std::pair<std::uint64_t, int>, float> ratings;  // (player id, playlist id) -> MMR
    bool syncing = false;                                    // an update of the ratings is on its way
    bool failing = false;                                    // the service cannot be reached
};

// Everything the SDK can reach of the running game.
struct World {
    std::unique_ptr<Server> currentGame;  // null outside a match
    bool onlineGame = true;               // whether the current game is an online one
    Car* localCar = nullptr;              // the car the local player drives, owned by currentGame
    UniqueId localPlayer;                 // the local player's account
    MmrService mmr;
};

}  // namespace host::game
