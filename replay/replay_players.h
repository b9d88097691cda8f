// The players of a replay as a player knows them: those who took part, the one who recorded it, one by
// name or platform id, each one's line of the game's own scoreboard; and the game's playlists by id.
#pragma once

#include <string>
#include <vector>

#include "replay/replay_file.h"

namespace replay {

// The players who took part: on a team, with a car on the field at some frame.
std::vector<int> ReplayParticipants(const Replay& replay);
// The player who recorded the replay (the header's player name, else the first participant who is not
// a bot); -1 when there is none.
int RecordingPlayer(const Replay& replay);
// A participant by name or platform id ("Steam:7656...", or the bare number or Epic id); -1 when none.
int FindReplayPlayer(const Replay& replay, const std::string& nameOrId);
// A player's line of the header's scoreboard: by platform id where the header gives a number, else by
// name; nullptr when it has none (a bot that stood in, a player who left).
const ScoreboardLine* ScoreboardLineOf(const Replay& replay, int player);
// The game's own playlist title for its id ("Ranked Doubles"), and whether it is ranked.
std::string PlaylistTitle(int playlistId);
bool RankedPlaylist(int playlistId);

}  // namespace replay
