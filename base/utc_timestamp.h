// UTC times as "%Y-%m-%dT%H:%M:%SZ" (2025-03-01T18:04:09Z), whatever the machine's zone: the current
// one (or one a while from now), such a text read back as seconds, and shown in the machine's zone.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace zando {

// Now, or later seconds from now.
std::string UtcTimestamp(std::chrono::seconds later = {});
// The time unixSeconds after 1970-01-01 as such a text.
std::string UtcText(int64_t unixSeconds);
// Now, in seconds since 1970-01-01.
int64_t UnixNow();
// Seconds since 1970-01-01 of a "2025-03-01T18:04:09Z" time; -1 when the text is not such a time.
int64_t UtcSeconds(const std::string& text);
// Such a time in the machine's own zone, to the minute, as the player reads it ("2025-03-01 19:04");
// a text that is not such a time is given back as it is.
std::string LocalMinuteText(const std::string& utcText);

}  // namespace zando
