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
    if (query.limit >= 0 || query.offset > 0)
        order +=
            " LIMIT " + std::to_string(query.limit >= 0 ? query.limit : INT64_MAX) + " OFFSET " + std::to_string(query.offset);
    sql.select = std::string("SELECT ") + MatchColumns + where + order;
    // A block's shots: its mean heat times its zones over a shot's heat, rounded a match at a time.
    std::string zones = "CASE z.row_index * " + std::to_string(UploadGridSize) + " + z.col_index";
    for (int r = 0; r < UploadGridSize; ++r)
        for (int c = 0; c < UploadGridSize; ++c)
            zones += " WHEN " + std::to_string(r * UploadGridSize + c) + " THEN " + std::to_string(ZonesInBlock(r, c));
    zones += " END";
    sql.shotsPerBlock = "SELECT z.row_index, z.col_index, SUM(ROUND(z.value * " + zones + " / " + std::to_string(ShotHeat) +
                        ")) FROM match_zones z WHERE z.kind = 'shot' AND z.match_id IN (SELECT id" + where + order +
                        ") GROUP BY z.row_index, z.col_index";
    sql.count = "SELECT COUNT(*)" + where;
    sql.averages =
        "SELECT COUNT(*), AVG(shots), AVG(goals), AVG(average_speed), AVG(speed_samples), AVG(boost_collected),"
        " AVG(boost_used), AVG(game_time), AVG(possession_time), AVG(team_possession_time),"
        " AVG(opponent_possession_time), AVG(mmr_change) FROM (SELECT *" +
        where + order + ") AS chosen";
    return sql;
}

MatchQuerySql CheckedMatchQuerySql(const MatchQuery& query) {
    std::string error;
    std::optional<MatchQuerySql> sql = MatchQueryToSql(query, error);
    if (!sql) throw std::invalid_argument(error);
    return std::move(*sql);
}

}  // namespace dashboard
