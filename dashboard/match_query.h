// Which of an account's matches a page asks for (playlist, time range, order, page) and the SQL that
// answers it from the matches' indexes, the same text for SQLite and PostgreSQL.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dashboard {

// Columns a list may be ordered by, as the JSON API names them.
inline const std::vector<std::string> MatchSortKeys = {"time", "shots", "goals", "averageSpeed", "mmrChange", "gameTime"};

struct MatchQuery {
    std::string playlist;       // empty: every playlist
    std::string from, to;       // bounds on the upload's "timestamp" (ISO 8601 UTC), inclusive; empty: open
    std::string sort = "time";  // one of MatchSortKeys
    bool descending = true;     // newest (largest) first
    int64_t offset = 0;         // matches skipped
    int64_t limit = 50;         // matches at most; -1: all
    bool withZones = true;      // false: the grids are left empty (lists and trends do not show them)
};

// The limit "last" asks for: "10", "50" or "all" (-1); nullopt for anything else.
std::optional<int64_t> LastMatchesLimit(const std::string& last);

// A statement on one account's rows: the account's id is $1, the texts follow as $2, $3, ...
struct AccountSql {
    std::string text;
    std::vector<std::string> texts;
};

// The page's statement and the count's.
struct MatchQuerySql {
    AccountSql select;
    AccountSql count;
    AccountSql averages;       // the columns of MatchAverages in order
    AccountSql shotsPerBlock;  // row, column, shots of the matches' blocks that hold any
    AccountSql places;         // kind, row, column, count of the matches' cells of the true grid that hold any
};

// Empty when the query cannot be answered (an unknown sort key, a negative page); the reason in error.
std::optional<MatchQuerySql> MatchQueryToSql(const MatchQuery& query, std::string& error);
// The same, throwing std::invalid_argument with the reason.
MatchQuerySql CheckedMatchQuerySql(const MatchQuery& query);

// Whether the query takes every match of the account or of its playlist (no dates, no limit): what the
// running totals hold.
inline bool TakesEveryMatch(const MatchQuery& query) {
    return query.from.empty() && query.to.empty() && query.limit < 0 && query.offset == 0;
}

// Whether the query's bounds are whole days (dates or open), which the running totals of the days
// and months can answer.
bool BoundedByDays(const MatchQuery& query);

// SQL for the whole shots of a block of one match in match_zones (as BlockShots), the table named alias.
std::string BlockShotsSql(const std::string& alias);

// The columns every match read selects, in the order the storages read them.
inline constexpr const char* MatchColumns =
    "id, account_id, received_at, sent_at, shots, goals, average_speed, speed_samples, boost_collected,"
    " boost_used, game_time, possession_time, team_possession_time, opponent_possession_time, playlist, is_ranked,"
    " mmr, mmr_change, fingerprint, whole";

}  // namespace dashboard
