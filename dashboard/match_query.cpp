// A match query turned into SQL: its filters as numbered parameters, its order from a fixed list.
#include "dashboard/match_query.h"

#include <cstdint>
#include <map>
#include <stdexcept>

#include "base/grid.h"
#include "dashboard/match_summary.h"
#include "dashboard/periods.h"
#include "dashboard/place_grid.h"
#include "dashboard/running_totals.h"

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
    std::vector<std::string> texts;
    const auto add = [&](const std::string& condition, const std::string& text) {
        texts.push_back(text);
        where += " AND " + condition + " $" + std::to_string(texts.size() + 1);
    };
    if (!query.playlist.empty()) add("playlist =", query.playlist);
    // A date takes its whole day: what follows a date in a timestamp sorts after it.
    if (!query.from.empty()) add("sent_at >=", query.from);
    if (IsDate(query.to))
        add("sent_at <", NextDay(query.to));
    else if (!query.to.empty())
        add("sent_at <=", query.to);
    const std::string direction = query.descending ? " DESC" : " ASC";
    std::string order = " ORDER BY " + column->second + direction + ", id" + direction;
    // LIMIT with the largest count stands for "all" in both dialects.
    const bool limited = query.limit >= 0 || query.offset > 0;
    if (limited)
        order +=
            " LIMIT " + std::to_string(query.limit >= 0 ? query.limit : INT64_MAX) + " OFFSET " + std::to_string(query.offset);
    sql.select = {std::string("SELECT ") + MatchColumns + where + order, texts};
    // The matches an aggregate takes: their order matters only when a limit picks some of them.
    const std::string chosen = where + (limited ? order : "");
    sql.shotsPerBlock = {"SELECT z.row_index, z.col_index, SUM(" + BlockShotsSql("z") +
                             ") FROM match_zones z WHERE z.kind = 'shot' AND z.match_id IN (SELECT id" + chosen +
                             ") GROUP BY z.row_index, z.col_index",
                         texts};
    sql.places = {std::string("SELECT z.kind, z.row_index, z.col_index, SUM(z.value) FROM match_zones z WHERE z.kind IN ('") +
                      ShotPlaceKind + "', '" + GoalPlaceKind + "') AND z.match_id IN (SELECT id" + chosen +
                      ") GROUP BY z.kind, z.row_index, z.col_index",
                  texts};
    // Without dates, the running totals of the playlists count the matches (one row a playlist, not one
    // a match); between dates, those of the days and months (a row a month and a day around it).
    std::string totals;  // the rows of the running totals that sum to the matches, if there are such rows
    std::vector<std::string> totalsTexts;
    if (query.from.empty() && query.to.empty()) {
        totals = " FROM playlist_totals WHERE account_id = $1";
        if (!query.playlist.empty()) {
            totals += " AND playlist = $2";
            totalsTexts.push_back(query.playlist);
        }
    } else if (BoundedByDays(query)) {
        totals = " FROM " + PeriodRowsSql(WholePeriods(query.from, query.to), query.playlist, totalsTexts);
    }
    sql.count = totals.empty() ? AccountSql{"SELECT COUNT(*)" + where, texts}
                               : AccountSql{"SELECT COALESCE(SUM(matches), 0)" + totals, totalsTexts};
    if (!totals.empty() && !limited) {
        // Every match of the range: the running totals' sums over their count.
        std::string means = "SELECT COALESCE(SUM(matches), 0)";
        for (const char* column :
             {"shots", "goals", "average_speed", "speed_samples", "boost_collected", "boost_used", "game_time", "possession_time",
              "team_possession_time", "opponent_possession_time", "mmr_change"})
            means += std::string(", SUM(") + column + ") / CAST(NULLIF(SUM(matches), 0) AS DOUBLE PRECISION)";
        sql.averages = {means + totals, totalsTexts};
        return sql;
    }
    sql.averages = {
        "SELECT COUNT(*), AVG(shots), AVG(goals), AVG(average_speed), AVG(speed_samples), AVG(boost_collected),"
        " AVG(boost_used), AVG(game_time), AVG(possession_time), AVG(team_possession_time),"
        " AVG(opponent_possession_time), AVG(mmr_change) FROM (SELECT *" +
            chosen + ") AS chosen",
        texts};
    return sql;
}

bool BoundedByDays(const MatchQuery& query) {
    return (query.from.empty() || IsDate(query.from)) && (query.to.empty() || IsDate(query.to));
}

std::string BlockShotsSql(const std::string& alias) {
    // A block's shots: its mean heat times its zones over a shot's heat, rounded a match at a time.
    // The block's zones: those its row covers of the 62 times those its column covers of the 50.
    std::string zones;
    for (const auto& [column, sideZones] : {std::pair{".row_index", GridRows}, std::pair{".col_index", GridCols}}) {
        zones += std::string(zones.empty() ? "" : " * ") + "CASE " + alias + column;
        for (int i = 0; i < UploadGridSize; ++i)
            zones += " WHEN " + std::to_string(i) + " THEN " + std::to_string(zando::upload::ZonesAlong(sideZones, i));
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
