// UTC timestamps for the statistics file, the upload body and the dashboard, and their reading back.
#include "base/utc_timestamp.h"

#include <cstdio>
#include <ctime>

namespace zando {

std::string UtcTimestamp(std::chrono::seconds later) {
    return UtcText(static_cast<int64_t>(std::time(nullptr)) + static_cast<int64_t>(later.count()));
}

int64_t UnixNow() { return static_cast<int64_t>(std::time(nullptr)); }

std::string UtcText(int64_t unixSeconds) {
    const auto now = static_cast<std::time_t>(unixSeconds);
    std::tm utc{};
#if defined(_WIN32)
    gmtime_s(&utc, &now);
#else
    gmtime_r(&now, &utc);
#endif
    char text[100];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return std::string(text, length);
}

int64_t UtcSeconds(const std::string& text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char tail = 0;
    if (text.size() != 20 ||
        std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &year, &month, &day, &hour, &minute, &second, &tail) != 7 ||
        tail != 'Z' || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return -1;
    // Days from 1970-01-01 to the date (the proleptic Gregorian calendar, years counted from March).
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const int64_t days = static_cast<int64_t>(era) * 146097 + dayOfEra - 719468;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

std::string LocalMinuteText(const std::string& utcText) {
    const int64_t seconds = UtcSeconds(utcText);
    if (seconds < 0) return utcText;
    const auto time = static_cast<std::time_t>(seconds);
    std::tm local{};
#if defined(_WIN32)
    if (localtime_s(&local, &time) != 0) return utcText;
#else
    if (!localtime_r(&time, &local)) return utcText;
#endif
    char text[100];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return length ? std::string(text, length) : utcText;
}

}  // namespace zando
