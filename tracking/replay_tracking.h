// A recorded match counted by the match tracker as if it had been followed live: the replay's frames
// and what the game's hooks would have said of them (replay/match_events.h) fed to a MatchTracker in
// the hooks' order, for one player.
#pragma once

#include <optional>
#include <string>

#include "replay/match_events.h"
#include "tracking/match_record.h"
#include "tracking/match_tracker.h"

namespace zando {

// Why a replay is not one of the player's matches the history can take: empty when it is.
// player: the participant it is imported for, -1 when the player is not in it.
std::string ReplayNotTracked(const replay::Replay& replay, int player);

// The player's whole match as the tracker counts it: figures, zones, playlist, team, final score,
// overtime, and whether the recording ends before the match did (left). No MMR is read from a replay.
MatchRecord TrackReplayMatch(const replay::Replay& replay, const replay::MatchEvents& events, int player, ZoneFunction zoneOf);

// The participant whose account number is account (the game's unique id of the player); -1 when none.
int ReplayPlayerByAccount(const replay::Replay& replay, unsigned long long account);

// The replay's date ("2024-04-08 20-31-10", the recording machine's time) as the history writes
// times ("2024-04-08T20:31:10Z"); nullopt when it is not such a date.
std::optional<std::string> ReplayDateText(const std::string& date);

}  // namespace zando
