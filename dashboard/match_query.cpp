// A match query turned into SQL: its filters as numbered parameters, its order from a fixed list.
#include "dashboard/match_query.h"

#include <cstdint>
#include <map>
#include <stdexcept>

#include "dashboard/match_summary.h"

namespace dashboard {

std::optional<MatchQuerySql> MatchQueryToSql(const MatchQuery& query, std::string& error) {
    static const std::map<std::string, std::string> Columns = {{"time", "sent_at"},         {"shots", "shots"},
                                                               {"goals", "goals"},          {"averageSpeed", "average_speed"},
                                                               {"mmrChange", "mmr_change"}, {"gameTime", "game_time"}};
    const auto column = Columns.find(query.sort);
    if (column == Columns.end()) {
        error = "\"sort\" must be one of time, shots, goals, averageSpeed, mmrChange, gameTime";
        return std::nullopt;
    }
    if (query.offset < 0 || query.limit < -1) {
        error = "the page must not be negative";
        return std::nullopt;
    }
    MatchQuerySql sql;
    std::string where = " FROM matches WHERE account_id = $1";
    const auto add = [&](const std::string& condition, const std::string& text) {
        sql.texts.push_back(text);
        where += " AND " + condition + " $" + std::to_string(sql.texts.size() + 1);
    };
    if (!query.playlist.empty()) add("playlist =", query.playlist);
    if (!query.from.empty()) add("sent_at >=", query.from);
    if (!query.to.empty()) add("sent_at <=", query.to);
    const std::string direction = query.descending ? " DESC" : " ASC";
    std::string order = " ORDER BY " + column->second + direction + ", id" + direction;
    // LIMIT with the largest count stands for "all" in both dialects.
    const bool limited = query.limit >= 0 || query.offset > 0;
    if (limited)
        order +=
            " LIMIT " + std::to_string(query.limit >= 0 ? query.limit : INT64_MAX) + " OFFSET " + std::to_string(query.offset);
    sql.select = std::string("SELECT ") + MatchColumns + where + order;
    // The matches an aggregate takes: their order matters only when a limit picks some of them.
    const std::string chosen = where + (limited ? order : "");
    sql.shotsPerBlock = "SELECT z.row_index, z.col_index, SUM(" + BlockShotsSql("z") +
                        ") FROM match_zones z WHERE z.kind = 'shot' AND z.match_id IN (SELECT id" + chosen +
                        ") GROUP BY z.row_index, z.col_index";
    // Without dates, the running totals count the matches (one row a playlist, not one a match).
    sql.count = !query.from.empty() || !query.to.empty()
                    ? "SELECT COUNT(*)" + where
                    : std::string("SELECT COALESCE(SUM(matches), 0) FROM playlist_totals WHERE account_id = $1") +
                          (query.playlist.empty() ? "" : " AND playlist = $2");
    if (TakesEveryMatch(query)) {
        // Every match of the account or of a playlist: the running totals' sums over their count.
        std::string means = "SELECT COALESCE(SUM(matches), 0)";
        for (const char* column :
             {"shots", "goals", "average_speed", "speed_samples", "boost_collected", "boost_used", "game_time", "possession_time",
              "team_possession_time", "opponent_possession_time", "mmr_change"})
            means += std::string(", SUM(") + column + ") / CAST(NULLIF(SUM(matches), 0) AS DOUBLE PRECISION)";
        sql.averages =
            means + " FROM playlist_totals WHERE account_id = $1" + (query.playlist.empty() ? "" : " AND playlist = $2");
        return sql;
    }
    sql.averages =
        "SELECT COUNT(*), AVG(shots), AVG(goals), AVG(average_speed), AVG(speed_samples), AVG(boost_collected),"
        " AVG(boost_used), AVG(game_time), AVG(possession_time), AVG(team_possession_time),"
        " AVG(opponent_possession_time), AVG(mmr_change) FROM (SELECT *" +
        chosen + ") AS chosen";
    return sql;
}

std::string BlockShotsSql(const std::string& alias) {
    // A block's shots: its mean heat times its zones over a shot's heat, rounded a match at a time.
    // The block's zones: those its row covers of the 62 times those its column covers of the 50.
    std::string zones;
    for (const auto& [column, sideZones] : {std::pair{".row_index", 62}, std::pair{".col_index", 50}}) {
        zones += std::string(zones.empty() ? "" : " * ") + "CASE " + alias + column;
        for (int i = 0; i < UploadGridSize; ++i)
            zones += " WHEN " + std::to_string(i) + " THEN " + std::to_string(ZonesAlong(sideZones, i));
        zones += " END";
    }
    return "ROUND(" + alias + ".value * (" + zones + ") / " + std::to_string(ShotHeat) + ")";
}

std::optional<int64_t> LastMatchesLimit(const std::string& last) {
    if (last == "10" || last == "50") return std::stoll(last);
    if (last == "all") return -1;
    return std::nullopt;
}

MatchQuerySql CheckedMatchQuerySql(const MatchQuery& query) {
    std::string error;
    std::optional<MatchQuerySql> sql = MatchQueryToSql(query, error);
    if (!sql) throw std::invalid_argument(error);
    return std::move(*sql);
}

}  // namespace dashboard
