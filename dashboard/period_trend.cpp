// Periods' running totals summed into the points of the trend charts.
#include "dashboard/period_trend.h"

#include <set>

#include "dashboard/match_summary.h"
#include "dashboard/periods.h"

namespace {

// A point's sums while its rows are added, with each playlist's newest rating.
struct Sums {
    dashboard::FigureSums totals;
    std::map<std::string, std::pair<std::string, double>> ratings;  // playlist: when rated, rating
};

void Add(Sums& sums, const dashboard::PeriodTotals& row) {
    sums.totals += row;
    if (row.ratedAt.empty()) return;
    auto& [ratedAt, rating] = sums.ratings[row.playlist];
    if (row.ratedAt >= ratedAt) {
        ratedAt = row.ratedAt;
        rating = row.rating;
    }
}

dashboard::PeriodPoint PointOf(const std::string& period, const Sums& sums) {
    const dashboard::FigureSums& t = sums.totals;
    const double matches = static_cast<double>(t.matches);
    const double gameTime = t.figures[4];
    dashboard::PeriodPoint point;
    point.period = period;
    point.matches = t.matches;
    point.speedKmh = t.figures[0] / matches * dashboard::KilometresPerHourPerUnit;
    point.boostCollectedPerMinute = dashboard::PerMinute(t.figures[2], gameTime);
    point.boostUsedPerMinute = dashboard::PerMinute(t.figures[3], gameTime);
    point.shotsPerMatch = static_cast<double>(t.shots) / matches;
    point.goalsPerMatch = static_cast<double>(t.goals) / matches;
    if (t.shots > 0) point.shootingPercent = dashboard::PercentOf(static_cast<double>(t.goals), static_cast<double>(t.shots));
    point.possessionPercent = dashboard::PercentOf(t.figures[5], gameTime);
    for (const auto& [playlist, rated] : sums.ratings) point.ratings[playlist] = rated.second;
    return point;
}

std::string MonthOf(const std::string& date) { return date.substr(0, 7); }

}  // namespace

namespace dashboard {

const char* StepName(TrendStep step) { return step == TrendStep::Day ? "day" : step == TrendStep::Month ? "month" : "year"; }

PeriodTrend TrendByPeriod(Storage& storage, int64_t accountId, const MatchQuery& query) {
    // The months the range touches tell its span; a row a month and playlist, so few to read.
    const std::vector<PeriodTotals> months =
        storage.Periods(accountId, {PeriodUnit::Month, MonthOf(query.from), MonthOf(query.to)}, query.playlist);
    std::set<std::string> touched;
    for (const PeriodTotals& month : months) touched.insert(month.period);

    PeriodTrend trend;
    std::vector<PeriodTotals> rows;
    if (touched.size() <= DailyTrendMonthsAtMost) {
        trend.step = TrendStep::Day;
        rows = storage.Periods(accountId, {PeriodUnit::Day, query.from, query.to}, query.playlist);
    } else {
        // A month (or a year) at a time: whole months from the rows read, those cut by a date from their days.
        trend.step = touched.size() <= MonthlyTrendMonthsAtMost ? TrendStep::Month : TrendStep::Year;
        for (const PeriodRange& range : WholePeriods(query.from, query.to)) {
            if (range.unit == PeriodUnit::Month) {
                for (const PeriodTotals& month : months)
                    if ((range.first.empty() || month.period >= range.first) &&
                        (range.last.empty() || month.period <= range.last))
                        rows.push_back(month);
                continue;
            }
            std::vector<PeriodTotals> days = storage.Periods(accountId, range, query.playlist);
            rows.insert(rows.end(), days.begin(), days.end());
        }
    }
    std::map<std::string, Sums> points;
    const std::size_t keyLength = trend.step == TrendStep::Day ? 10 : trend.step == TrendStep::Month ? 7 : 4;
    for (const PeriodTotals& row : rows) Add(points[row.period.substr(0, keyLength)], row);
    for (const auto& [period, sums] : points) {
        if (sums.totals.matches == 0) continue;
        trend.matches += sums.totals.matches;
        trend.points.push_back(PointOf(period, sums));
    }
    return trend;
}

std::optional<PeriodTrend> TrendOfMany(Storage& storage, int64_t accountId, const MatchQuery& query) {
    if (query.limit >= 0 || query.offset > 0 || !BoundedByDays(query)) return std::nullopt;
    PeriodTrend trend = TrendByPeriod(storage, accountId, query);
    if (trend.matches <= TrendMatchesAtMost) return std::nullopt;
    return trend;
}

ChosenMatches ChooseMatches(Storage& storage, int64_t accountId, const MatchQuery& query) {
    ChosenMatches chosen{TrendOfMany(storage, accountId, query), {}};
    MatchQuery listed = query;
    if (chosen.periods) listed.limit = 5;
    chosen.matches = storage.FindMatches(accountId, listed);
    return chosen;
}

}  // namespace dashboard
