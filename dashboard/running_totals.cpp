// A stored match's part of its account's totals.
#include "dashboard/running_totals.h"

#include "dashboard/match_summary.h"

namespace dashboard {

void AddToTotals(TotalsDeltas& deltas, PeriodDeltas& periods, const Submission& stored) {
    const UploadedMatch& m = stored.match;
    const FigureSums one = FigureSums::Of(m);
    MatchTotals& totals = deltas[{stored.accountId, m.playlist}];
    totals += one;
    for (int r = 0; r < UploadGridSize; ++r)
        for (int c = 0; c < UploadGridSize; ++c) totals.shotsPerBlock[r][c] += BlockShots(m.shotHeatmap[r][c], r, c);
    if (m.whole) AddPlaces(totals.places, *m.whole);
    for (const auto& [unit, length] : {std::pair{PeriodUnit::Day, 10}, std::pair{PeriodUnit::Month, 7}}) {
        PeriodTotals& period = periods[{stored.accountId, unit, m.timestamp.substr(0, length), m.playlist}];
        period += one;
        // The newest rated match gives the period's rating; of two sent at once, the one stored last.
        if (m.mmr > 0.0 && m.timestamp >= period.ratedAt) {
            period.ratedAt = m.timestamp;
            period.rating = m.mmr + m.mmrChange;
        }
    }
}

std::string PeriodRowsSql(const std::vector<PeriodRange>& ranges, const std::string& playlist, std::vector<std::string>& texts) {
    const auto parameter = [&texts](const std::string& text) {
        texts.push_back(text);
        return " $" + std::to_string(texts.size() + 1);
    };
    std::string rows, playlistParameter;
    for (const PeriodRange& range : ranges) {
        rows += std::string(rows.empty() ? "" : " UNION ALL ") +
                "SELECT * FROM period_totals WHERE account_id = $1 AND unit = '" + UnitName(range.unit) + "'";
        if (!range.first.empty()) rows += " AND period >=" + parameter(range.first);
        if (!range.last.empty()) rows += " AND period <=" + parameter(range.last);
        if (playlist.empty()) continue;
        if (playlistParameter.empty()) playlistParameter = parameter(playlist);
        rows += " AND playlist =" + playlistParameter;
    }
    if (rows.empty()) rows = "SELECT * FROM period_totals WHERE account_id = $1 AND FALSE";
    return "(" + rows + ") AS periods";
}

AccountSql PeriodTotalsQuery(const PeriodRange& range, const std::string& playlist) {
    AccountSql sql;
    sql.text =
        "SELECT period, playlist, matches, shots, goals, average_speed, speed_samples, boost_collected, boost_used,"
        " game_time, possession_time, team_possession_time, opponent_possession_time, mmr_change, rated_at, rating"
        " FROM " +
        PeriodRowsSql({range}, playlist, sql.texts) + " ORDER BY period, playlist";
    return sql;
}

}  // namespace dashboard
