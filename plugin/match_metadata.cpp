// Match metadata: playlist, ranked flag and MMR at the first kickoff, and the MMR change after the end.
#include <algorithm>
#include <cmath>
#include <exception>
#include <stdexcept>
#include <string>

#include "bakkesmod/wrappers/GameEvent/ServerWrapper.h"
#include "plugin/zando.h"
#include "tracking/game_constants.h"

namespace {

bool InRankedList(int playlistId) {
    const auto& ids = zando::constants::RankedPlaylistIds;
    return std::find(ids.begin(), ids.end(), playlistId) != ids.end();
}

const char* YesNo(bool value) { return value ? "Yes" : "No"; }

}  // namespace

void ZANDO::CaptureMatchMetadata() {
    if (!gameWrapper) {
        cvarManager->log("[METADATA] gameWrapper is null");
        return;
    }
    ServerWrapper server = gameWrapper->GetCurrentGameState();
    if (server.IsNull()) server = gameWrapper->GetOnlineGame();
    if (server.IsNull()) {
        cvarManager->log("[METADATA] Server is null, cannot capture match metadata");
        return;
    }
    flags.matchMetadataCaptured = true;

    GameSettingPlaylistWrapper playlist = server.GetPlaylist();
    if (playlist.IsNull()) {
        tracker.match.playlistName = "Unknown";
        tracker.match.isRanked = false;
        cvarManager->log("[METADATA] Playlist is null, using defaults");
    } else {
        tracker.match.playlistName = playlist.GetTitle().ToString();
        tracker.match.isRanked = playlist.GetbRanked() != 0;
        tracker.match.playlistId = playlist.GetPlaylistId();
        // The game's flag is kept when it says ranked; the list only adds playlists it misreports.
        if (!tracker.match.isRanked && InRankedList(tracker.match.playlistId)) {
            tracker.match.isRanked = true;
            cvarManager->log("[METADATA] GetbRanked returned false, but playlist ID " + std::to_string(tracker.match.playlistId) +
                             " is ranked - overriding");
        }
        cvarManager->log("[METADATA] Playlist: " + tracker.match.playlistName + " | Ranked: " + YesNo(tracker.match.isRanked) +
                         " | Playlist ID: " + std::to_string(tracker.match.playlistId));
    }

    UpdateHistoryAverages(tracker.match.playlistId, false);  // the card's comparison: the playlist's last 10 matches

    tracker.match.initialMmr = 0.0f;
    tracker.match.mmrChange = 0.0f;
    if (!playlist.IsNull() && tracker.match.playlistId >= 1) {
        try {
            MMRWrapper mmr = gameWrapper->GetMMRWrapper();
            UniqueIDWrapper player = gameWrapper->GetUniqueID();
            // A rating the service does not have (offline, or not fetched yet) reads 0: not a rating.
            if (!mmr.IsSynced(player, tracker.match.playlistId)) throw std::runtime_error("rating not synced");
            tracker.match.initialMmr = mmr.GetPlayerMMR(player, tracker.match.playlistId);
            if (!std::isfinite(tracker.match.initialMmr)) {
                cvarManager->log("[METADATA] Initial MMR is not a number - continuing without it");
                tracker.match.initialMmr = 0.0f;
            }
            cvarManager->log("[METADATA] Initial MMR: " + std::to_string(tracker.match.initialMmr) + " (Playlist ID: " +
                             std::to_string(tracker.match.playlistId) + ", Ranked: " + YesNo(tracker.match.isRanked) + ")");
        } catch (...) {
            cvarManager->log("[METADATA] Failed to get MMR - continuing without it");
            tracker.match.initialMmr = 0.0f;
        }
    }
}

void ZANDO::ReadFinalMmr(GameWrapper* game, MatchRecord& record) {
    try {
        if (!game) throw std::runtime_error("no game handle");
        MMRWrapper mmr = game->GetMMRWrapper();
        UniqueIDWrapper player = game->GetUniqueID();
        // The match's update has arrived when the rating is synced and nothing is on its way any more;
        // a rating read before that is the one from before the match.
        if (!mmr.IsSynced(player, record.playlistId) || mmr.IsSyncing(player)) throw std::runtime_error("rating not synced");
        const float finalMmr = mmr.GetPlayerMMR(player, record.playlistId);
        // A rating that is not a finite number is as invalid as one of 0 (it would make the change so too).
        if (finalMmr > 0.0f && std::isfinite(finalMmr)) {
            record.mmrChange = finalMmr - record.initialMmr;
            cvarManager->log("[METADATA] MMR Change: " + std::to_string(record.mmrChange) +
                             " (Initial: " + std::to_string(record.initialMmr) + ", Final: " + std::to_string(finalMmr) + ")");
        } else {
            cvarManager->log("[METADATA] Final MMR was 0 or invalid, skipping MMR change calc");
        }
    } catch (...) {
        cvarManager->log("[METADATA] Failed to get final MMR in delayed callback");
    }
}
