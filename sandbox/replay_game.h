// A real match, read from the game's replay file, played through the plug-in as the game's hooks would
// play it: the match's start, kickoff countdowns, each car's inputs, the ball's touches, the stat
// ticker's messages at the frames where the game's counters rose, goals and their replays, overtime,
// the end and the match's destruction, on the host's virtual clock, as one chosen player. Beside it,
// that player's figures as the game recorded them (its scoreboard) and as the frames show them (an
// independent computation), to hold the plug-in's figures to.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "replay/match_events.h"
#include "replay/replay_file.h"
#include "replay/replay_players.h"
#include "sandbox/trace_record.h"

namespace sandbox {

using replay::FindReplayPlayer;
using replay::PlaylistTitle;
using replay::RankedPlaylist;
using replay::RecordingPlayer;
using replay::ReplayParticipants;

// One player's figures of a real match.
struct ReplayPlayerTruth {
    int player = -1;  // among the replay's players
    std::string name;
    std::string id;  // "Steam:7656...", "Epic:...", ...
    int team = -1;
    bool bot = false;
    // The game's own scoreboard (the replay's header), the player's line found by platform id, else by name.
    bool onScoreboard = false;
    int score = 0, goals = 0, shots = 0, saves = 0, assists = 0;
    // The stat-ticker messages played to the plug-in, one for each rise of the game's counters.
    int shotsPlayed = 0, goalsPlayed = 0, savesPlayed = 0, assistsPlayed = 0;
    // Computed from the frames: the match clock running (after each kickoff's first touch, before the
    // goal or the end) with the player's car on the field.
    double playSeconds = 0.0;
    double averageSpeed = 0.0;       // units/s: the cars' own velocity, averaged over that time
    double boostUsed = 0.0;          // percent points the tank fell, car on the field
    double boostCollected = 0.0;     // percent points it rose
    double possessionSeconds = 0.0;  // of that time: the car nearest the ball, within 400 units, of the player's team
    int demolitions = 0, demolished = 0;
};

// How the match went, as the frames show it.
using ReplayMatchOutcome = replay::MatchEvents;

class ReplayGame {
public:
    using Sink = std::function<void(const TraceRecord&)>;
    // player: one of ReplayParticipants. The replay must outlive this object.
    ReplayGame(const replay::Replay& replay, int player);

    // Every record of the match, in time order, from its start to the menu after it.
    void Play(const Sink& sink) const;

    const ReplayPlayerTruth& Truth() const { return truth_; }
    const ReplayMatchOutcome& Outcome() const { return events_; }

private:
    void ComputeTruth();

    const replay::Replay& replay_;
    int player_;
    replay::MatchEvents events_;    // its participants are the host's cars, in the order they join
    std::vector<int> carOfPlayer_;  // player -> car index, -1 for none
    ReplayPlayerTruth truth_;
};

}  // namespace sandbox
