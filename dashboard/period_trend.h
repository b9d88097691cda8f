// The trends of many matches: a point a day, or a month over a longer span, read from the running
// totals of the days and months rather than from every match.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "dashboard/storage.h"

namespace dashboard {

// Past this many matches, a trend of every match is drawn a period at a time.
inline constexpr int64_t TrendMatchesAtMost = 200;
// A trend whose matches span at most this many months is drawn a day at a time; up to the second
// many, a month at a time; past it, a year at a time.
inline constexpr std::size_t DailyTrendMonthsAtMost = 13;
inline constexpr std::size_t MonthlyTrendMonthsAtMost = 240;

// What a point of a trend of many matches stands for.
enum class TrendStep { Day, Month, Year };
// "day", "month" or "year".
const char* StepName(TrendStep step);

// The matches of one period on each trend chart: the figures of the matches together.
struct PeriodPoint {
    std::string period;  // "YYYY-MM-DD", "YYYY-MM" or "YYYY"
    int64_t matches = 0;
    double speedKmh = 0.0;  // the mean of the matches' average speeds
    double boostCollectedPerMinute = 0.0;
    double boostUsedPerMinute = 0.0;
    double shotsPerMatch = 0.0;
    double goalsPerMatch = 0.0;
    std::optional<double> shootingPercent;  // goals per shot; none without a shot
    double possessionPercent = 0.0;         // of the matches' time
    // Each playlist's rating after its newest rated match of the period.
    std::map<std::string, double> ratings;
};

struct PeriodTrend {
    TrendStep step = TrendStep::Day;
    int64_t matches = 0;
    std::vector<PeriodPoint> points;  // oldest first; periods without a match left out
};

// The trend of every match of the query's playlist between its dates (BoundedByDays must hold).
PeriodTrend TrendByPeriod(Storage& storage, int64_t accountId, const MatchQuery& query);
// The same when the query takes every match of its range and they are more than TrendMatchesAtMost;
// otherwise none: a point a match is drawn.
std::optional<PeriodTrend> TrendOfMany(Storage& storage, int64_t accountId, const MatchQuery& query);

// The query's matches as the overview shows them: their trend a period at a time when they are many
// (and then only the newest five matches read), otherwise every one of them, newest first.
struct ChosenMatches {
    std::optional<PeriodTrend> periods;
    MatchPage matches;
};
ChosenMatches ChooseMatches(Storage& storage, int64_t accountId, const MatchQuery& query);

}  // namespace dashboard
