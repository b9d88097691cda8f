// The players of a replay: who took part, the recording player, a player by name or platform id, a
// player's line of the game's scoreboard; and the game's playlists by id.
#include "replay/replay_players.h"

#include <algorithm>
#include <map>

namespace replay {

namespace {

// The game's system number for a scoreboard platform name.
int SystemOfPlatform(const std::string& platform) {
    if (platform == "OnlinePlatform_Steam") return 1;
    if (platform == "OnlinePlatform_PS4") return 2;
    if (platform == "OnlinePlatform_Dingo") return 4;
    if (platform == "OnlinePlatform_Switch") return 6;
    if (platform == "OnlinePlatform_Epic") return 11;
    return -1;
}

}  // namespace

const ScoreboardLine* ScoreboardLineOf(const Replay& replay, int player) {
    const MatchPlayer& p = replay.match.players[static_cast<std::size_t>(player)];
    for (const auto& line : replay.header.scoreboard)
        if (line.onlineId != 0 && p.hasId && p.id.number == line.onlineId && SystemOfPlatform(line.platform) == p.id.system)
            return &line;
    for (const auto& line : replay.header.scoreboard)
        if (line.onlineId == 0 && line.name == p.name) return &line;
    return nullptr;
}

std::vector<int> ReplayParticipants(const Replay& replay) {
    std::vector<int> participants;
    const MatchFrames& match = replay.match;
    for (std::size_t p = 0; p < match.players.size(); ++p) {
        const MatchPlayer& player = match.players[p];
        if (player.team != 0 && player.team != 1) continue;
        if (std::any_of(player.frames.begin(), player.frames.end(), [](const PlayerFrame& f) { return f.onField; }))
            participants.push_back(static_cast<int>(p));
    }
    return participants;
}

int FindReplayPlayer(const Replay& replay, const std::string& nameOrId) {
    const std::vector<int> participants = ReplayParticipants(replay);
    for (const int p : participants) {
        const MatchPlayer& player = replay.match.players[static_cast<std::size_t>(p)];
        const std::string id = player.id.Text();
        const std::string bare = id.substr(id.find(':') + 1);
        if (player.name == nameOrId || (player.hasId && (id == nameOrId || bare == nameOrId))) return p;
    }
    // The header's name of a player, which can differ from the frames'.
    for (const int p : participants) {
        const ScoreboardLine* line = ScoreboardLineOf(replay, p);
        if (line && line->name == nameOrId) return p;
    }
    return -1;
}

int RecordingPlayer(const Replay& replay) {
    if (!replay.header.recordedBy.empty())
        if (const int p = FindReplayPlayer(replay, replay.header.recordedBy); p >= 0) return p;
    for (const int p : ReplayParticipants(replay))
        if (!replay.match.players[static_cast<std::size_t>(p)].bot) return p;
    return -1;
}

std::string PlaylistTitle(int playlistId) {
    static const std::map<int, const char*> titles = {
        {1, "Duel"},
        {2, "Doubles"},
        {3, "Standard"},
        {4, "Chaos"},
        {6, "Private Match"},
        {8, "Exhibition"},
        {10, "Ranked Duel"},
        {11, "Ranked Doubles"},
        {13, "Ranked Standard"},
        {15, "Snow Day"},
        {16, "Rocket Labs"},
        {17, "Hoops"},
        {18, "Rumble"},
        {22, "Tournament"},
        {23, "Dropshot"},
        {27, "Ranked Hoops"},
        {28, "Ranked Rumble"},
        {29, "Ranked Dropshot"},
        {30, "Ranked Snow Day"},
        {34, "Tournament"},
    };
    const auto found = titles.find(playlistId);
    return found != titles.end() ? found->second
                                 : (playlistId < 0 ? std::string("Unknown") : "Playlist " + std::to_string(playlistId));
}

bool RankedPlaylist(int playlistId) {
    return playlistId == 10 || playlistId == 11 || playlistId == 13 || playlistId == 27 || playlistId == 28 || playlistId == 29 ||
           playlistId == 30 || playlistId == 34;
}

}  // namespace replay
