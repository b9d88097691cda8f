// A match query turned into SQL: its filters as numbered parameters, its order from a fixed list.
#include "dashboard/match_query.h"

#include <cstdint>
#include <map>

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
    sql.select = std::string("SELECT ") + MatchColumns + where + " ORDER BY " + column->second + direction + ", id" + direction;
    // LIMIT with the largest count stands for "all" in both dialects.
    if (query.limit >= 0 || query.offset > 0)
        sql.select +=
            " LIMIT " + std::to_string(query.limit >= 0 ? query.limit : INT64_MAX) + " OFFSET " + std::to_string(query.offset);
    sql.count = "SELECT COUNT(*)" + where;
    return sql;
}

}  // namespace dashboard
