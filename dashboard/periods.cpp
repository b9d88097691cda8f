// Calendar arithmetic on dates written as text.
#include "dashboard/periods.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <regex>

namespace {

using namespace std::chrono;

year_month_day Parse(const std::string& date) {
    return year_month_day{year{std::stoi(date.substr(0, 4))}, month{static_cast<unsigned>(std::stoi(date.substr(5, 2)))},
                          day{static_cast<unsigned>(std::stoi(date.substr(8, 2)))}};
}

std::string Text(const year_month& when) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u", static_cast<int>(when.year()), static_cast<unsigned>(when.month()));
    return text;
}

}  // namespace

namespace dashboard {

const char* UnitName(PeriodUnit unit) { return unit == PeriodUnit::Day ? "day" : "month"; }

bool IsDate(const std::string& text) {
    static const std::regex Date(R"(\d{4}-\d{2}-\d{2})");
    return std::regex_match(text, Date) && Parse(text).ok();
}

std::string NextDay(const std::string& date) {
    const year_month_day next{sys_days{Parse(date)} + days{1}};
    char text[16];
    std::snprintf(text, sizeof text, "%s-%02u", Text(next.year() / next.month()).c_str(), static_cast<unsigned>(next.day()));
    return text;
}

std::vector<PeriodRange> WholePeriods(const std::string& first, const std::string& last) {
    std::vector<PeriodRange> ranges;
    if (!first.empty() && !last.empty() && first > last) return ranges;  // no day is in it
    // The whole months between the bounds; a bound inside a month leaves that month's days to a range of days.
    std::string monthsFrom, monthsTo;
    std::optional<year_month> fromMonth, toMonth;
    if (!first.empty()) {
        const year_month_day from = Parse(first);
        fromMonth = from.year() / from.month();
        if (from.day() == day{1}) {
            monthsFrom = Text(*fromMonth);
        } else {
            monthsFrom = Text(*fromMonth + months{1});
        }
    }
    if (!last.empty()) {
        const year_month_day to = Parse(last);
        toMonth = to.year() / to.month();
        monthsTo =
            to == year_month_day_last{to.year() / to.month() / std::chrono::last} ? Text(*toMonth) : Text(*toMonth - months{1});
    }
    if (fromMonth && toMonth && *fromMonth == *toMonth && (monthsFrom != Text(*fromMonth) || monthsTo != Text(*toMonth))) {
        // Both bounds in one month that is not whole: its days alone.
        ranges.push_back({PeriodUnit::Day, first, last});
        return ranges;
    }
    if (!first.empty() && monthsFrom != first.substr(0, 7))
        ranges.push_back({PeriodUnit::Day, first, first.substr(0, 7) + "-31"});
    if (first.empty() || last.empty() || monthsFrom <= monthsTo) ranges.push_back({PeriodUnit::Month, monthsFrom, monthsTo});
    if (!last.empty() && monthsTo != last.substr(0, 7)) ranges.push_back({PeriodUnit::Day, last.substr(0, 7) + "-01", last});
    return ranges;
}

}  // namespace dashboard
