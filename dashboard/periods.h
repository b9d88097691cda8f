// Days and months of matches as their timestamps begin ("YYYY-MM-DD", "YYYY-MM"), and a range of days
// split into the whole months and the days around them, so that a range's sums read a row a month.
#pragma once

#include <string>
#include <vector>

namespace dashboard {

enum class PeriodUnit { Day, Month };

// "day" or "month", as kept.
const char* UnitName(PeriodUnit unit);

// Whether text is a date of the calendar written YYYY-MM-DD.
bool IsDate(const std::string& text);
// The date after a date (YYYY-MM-DD).
std::string NextDay(const std::string& date);

// The periods of one unit from first to last, inclusive (empty: open on that side).
struct PeriodRange {
    PeriodUnit unit = PeriodUnit::Day;
    std::string first, last;
};

// The days from first to last (dates; either empty: open) as the fewest ranges: whole months as
// months, the days of a month cut by a bound as days. Timestamps that begin with a date fall in exactly
// one of them when, and only when, that date is in the range.
std::vector<PeriodRange> WholePeriods(const std::string& first, const std::string& last);

}  // namespace dashboard
