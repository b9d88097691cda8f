// What a batch of stored matches adds to their accounts' running totals, and the SQL that adds it
// (the same in both databases).
#pragma once

#include <compare>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

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

// A day or a month of an account's matches of one playlist.
struct PeriodKey {
    int64_t accountId = 0;
    PeriodUnit unit = PeriodUnit::Day;
    std::string period;
    std::string playlist;
    auto operator<=>(const PeriodKey&) const = default;
};
using PeriodDeltas = std::map<PeriodKey, PeriodTotals>;  // in key order, as TotalsDeltas

// Counts a stored match into the deltas: its playlist's totals, and its day's and month's.
void AddToTotals(TotalsDeltas& deltas, PeriodDeltas& periods, const Submission& stored);

// $1 the account, $2 the playlist, $3 matches, $4 shots, $5 goals, $6 to $14 the figures' sums.
// The figures' sums of a group of matches' rows, in the totals' column order from matches on.
inline constexpr const char* FigureSumsSql =
    "COUNT(*), SUM(shots), SUM(goals), SUM(average_speed), SUM(speed_samples), SUM(boost_collected), SUM(boost_used),"
    " SUM(game_time), SUM(possession_time), SUM(team_possession_time), SUM(opponent_possession_time), SUM(mmr_change)";
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
// $1 the account, $2 the unit, $3 the period, $4 the playlist, $5 matches, $6 shots, $7 goals, $8 to
// $16 the figures' sums, $17 when the newest rated match was sent ('' for none) and $18 its rating.
inline constexpr const char* AddPeriodTotalsSql =
    "INSERT INTO period_totals (account_id, unit, period, playlist, matches, shots, goals, average_speed, speed_samples,"
    " boost_collected, boost_used, game_time, possession_time, team_possession_time, opponent_possession_time,"
    " mmr_change, rated_at, rating) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15, $16, $17,"
    " $18) ON CONFLICT (account_id, unit, period, playlist) DO UPDATE SET matches = period_totals.matches + excluded.matches,"
    " shots = period_totals.shots + excluded.shots, goals = period_totals.goals + excluded.goals,"
    " average_speed = period_totals.average_speed + excluded.average_speed,"
    " speed_samples = period_totals.speed_samples + excluded.speed_samples,"
    " boost_collected = period_totals.boost_collected + excluded.boost_collected,"
    " boost_used = period_totals.boost_used + excluded.boost_used,"
    " game_time = period_totals.game_time + excluded.game_time,"
    " possession_time = period_totals.possession_time + excluded.possession_time,"
    " team_possession_time = period_totals.team_possession_time + excluded.team_possession_time,"
    " opponent_possession_time = period_totals.opponent_possession_time + excluded.opponent_possession_time,"
    " mmr_change = period_totals.mmr_change + excluded.mmr_change,"
    " rating = CASE WHEN excluded.rated_at <> '' AND excluded.rated_at >= period_totals.rated_at"
    " THEN excluded.rating ELSE period_totals.rating END,"
    " rated_at = CASE WHEN excluded.rated_at >= period_totals.rated_at THEN excluded.rated_at"
    " ELSE period_totals.rated_at END";
// A table of the period_totals rows of the ranges (none: no row) of the account ($1), of one playlist
// when one is named, each range read from the index on its own; its texts appended to texts,
// numbered after the account and those already there.
std::string PeriodRowsSql(const std::vector<PeriodRange>& ranges, const std::string& playlist, std::vector<std::string>& texts);
// The columns of PeriodTotals in order, of the rows of one range of periods.
AccountSql PeriodTotalsQuery(const PeriodRange& range, const std::string& playlist);

// $1 the account, $2 the playlist or '' for all.
inline constexpr const char* PlaylistTotalsSql =
    "SELECT COALESCE(SUM(matches), 0), COALESCE(SUM(shots), 0), COALESCE(SUM(goals), 0) FROM playlist_totals"
    " WHERE account_id = $1 AND ($2 = '' OR playlist = $2)";
// $1 the account, $2 the playlist, $3 the kind (ShotPlaceKind or GoalPlaceKind), $4 the row, $5 the
// column, $6 the count.
inline constexpr const char* AddPlaceTotalSql =
    "INSERT INTO place_totals (account_id, playlist, kind, row_index, col_index, count) VALUES ($1, $2, $3, $4, $5, $6)"
    " ON CONFLICT (account_id, playlist, kind, row_index, col_index) DO UPDATE SET count = place_totals.count +"
    " excluded.count";
// $1 the account, $2 the playlist or '' for all: kind, row, column, count.
inline constexpr const char* PlaceTotalsSql =
    "SELECT kind, row_index, col_index, SUM(count) FROM place_totals WHERE account_id = $1 AND ($2 = '' OR playlist = $2)"
    " GROUP BY kind, row_index, col_index";
inline constexpr const char* BlockTotalsSql =
    "SELECT row_index, col_index, SUM(shots) FROM block_totals WHERE account_id = $1 AND ($2 = '' OR playlist = $2)"
    " GROUP BY row_index, col_index";

}  // namespace dashboard
