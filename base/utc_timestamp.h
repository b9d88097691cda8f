// The current time in UTC as "%Y-%m-%dT%H:%M:%SZ" (2025-03-01T18:04:09Z), whatever the machine's zone.
#pragma once

#include <string>

namespace zando {

std::string UtcTimestamp();

}  // namespace zando
