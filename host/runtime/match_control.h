// MatchControl: puts the modelled game into any state the plug-in reads (match, clock, ball, cars,
// playlist, MMR) and fires the game's events the way the game does, with their callers and parameters.
#pragma once

#include <list>
#include <string>

#include "game_events.h"
#include "game_objects.h"
#include "host.h"

namespace host {

class MatchControl {
public:
    // Gives the local player an account when the host has none yet, so ratings can be set for it.
    explicit MatchControl(Host& host);

    // [SECTION] State
    // A new match object: clock 0, ball at the centre, no cars; replaces any match in progress.
    game::Server& StartMatch(const game::Playlist* playlist = nullptr);
    // Removes the match object (after its Destroyed event): no current game, no local car.
    void RemoveMatch();
    game::Server& Match();  // the match in progress; throws std::logic_error when there is none
    // A car with driver info and a boost component; the local player's car when local is set.
    game::Car& AddCar(int team, Vector location, bool local = false, float boost = 0.33f, std::string name = "");
    void SetClock(float secondsElapsed) { Match().secondsElapsed = secondsElapsed; }
    void SetBall(Vector location);
    void SetMmr(int playlistId, float mmr) { host_.World().mmr.ratings[{host_.World().localPlayer.id, playlistId}] = mmr; }

    // [SECTION] Events
    int Fire(const char* eventName) { return host_.FireEvent(eventName); }
    // The ball entering a goal: the ball is the caller. The goal it is in decides which team scores
    // (orange's goal is at +Y: a ball there is a goal for blue).
    int BallHitGoal();
    // A stat-ticker message about the driver of receiver, shown with label ("Shot on Goal", "Goal", ...);
    // victim, when given, is the other driver involved. The event's name is the game's name for an
    // English label ("Shot", "Goal", ...) unless given (a translated label keeps its event's name).
    int StatTicker(const game::Car& receiver, const std::string& label, const game::Car* victim = nullptr,
                   const std::string& name = {});
    // One car's input for this tick (the game sends one per car); the car is the caller.
    int CarInput(const game::Car& car) { return host_.FireEvent(events::CarSetInput, Address(car)); }
    // A car hitting the ball; the car is the caller.
    int CarHitBall(const game::Car& hitter) { return host_.FireEvent(events::CarHitBall, Address(hitter)); }

    static std::uintptr_t Address(const game::Car& car) { return reinterpret_cast<std::uintptr_t>(&car); }

private:
    Host& host_;
    std::list<game::StatEvent> statEvents_;  // stat events handed out stay valid for the host's life
};

}  // namespace host
