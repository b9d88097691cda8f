// UTC times as "%Y-%m-%dT%H:%M:%SZ" (2025-03-01T18:04:09Z), whatever the machine's zone: the current
// one (or one a while from now), and such a text read back as seconds.
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

}  // namespace zando
