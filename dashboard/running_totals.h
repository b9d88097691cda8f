// What a batch of stored matches adds to their accounts' running totals, and the SQL that adds it
// (the same in both databases).
#pragma once

#include <compare>
#include <cstdint>
#include <map>
#include <string>

#include "dashboard/storage.h"

namespace dashboard {

struct TotalsKey {
    int64_t accountId = 0;
    std::string playlist;
    auto operator<=>(const TotalsKey&) const = default;
};

// In key order: the order every batch updates the totals' rows in, so that two instances storing
// at once wait for each other in one order, never in a circle.
using TotalsDeltas = std::map<TotalsKey, MatchTotals>;

// Counts a stored match into the deltas.
void AddToTotals(TotalsDeltas& deltas, const Submission& stored);

// $1 the account, $2 the playlist, $3 matches, $4 shots, $5 goals, $6 to $14 the figures' sums.
inline constexpr const char* AddPlaylistTotalsSql =
    "INSERT INTO playlist_totals (account_id, playlist, matches, shots, goals, average_speed, speed_samples,"
    " boost_collected, boost_used, game_time, possession_time, team_possession_time, opponent_possession_time,"
    " mmr_change) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14)"
    " ON CONFLICT (account_id, playlist) DO UPDATE SET matches = playlist_totals.matches + excluded.matches,"
    " shots = playlist_totals.shots + excluded.shots, goals = playlist_totals.goals + excluded.goals,"
    " average_speed = playlist_totals.average_speed + excluded.average_speed,"
    " speed_samples = playlist_totals.speed_samples + excluded.speed_samples,"
    " boost_collected = playlist_totals.boost_collected + excluded.boost_collected,"
    " boost_used = playlist_totals.boost_used + excluded.boost_used,"
    " game_time = playlist_totals.game_time + excluded.game_time,"
    " possession_time = playlist_totals.possession_time + excluded.possession_time,"
    " team_possession_time = playlist_totals.team_possession_time + excluded.team_possession_time,"
    " opponent_possession_time = playlist_totals.opponent_possession_time + excluded.opponent_possession_time,"
    " mmr_change = playlist_totals.mmr_change + excluded.mmr_change";
inline constexpr const char* AddBlockTotalSql =
    "INSERT INTO block_totals (account_id, playlist, row_index, col_index, shots) VALUES ($1, $2, $3, $4, $5)"
    " ON CONFLICT (account_id, playlist, row_index, col_index) DO UPDATE SET shots = block_totals.shots + excluded.shots";
// $1 the account, $2 the playlist or '' for all.
inline constexpr const char* PlaylistTotalsSql =
    "SELECT COALESCE(SUM(matches), 0), COALESCE(SUM(shots), 0), COALESCE(SUM(goals), 0) FROM playlist_totals"
    " WHERE account_id = $1 AND ($2 = '' OR playlist = $2)";
inline constexpr const char* BlockTotalsSql =
    "SELECT row_index, col_index, SUM(shots) FROM block_totals WHERE account_id = $1 AND ($2 = '' OR playlist = $2)"
    " GROUP BY row_index, col_index";

}  // namespace dashboard
