// The upload bodies: one compact JSON line with the match's figures, its metadata and both grids
// reduced to 10 x 10, in a fixed key order that the dashboard reads; and the whole match, which adds
// what the defined body leaves out.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "tracking/match_record.h"

namespace zando {

// timestamp: the "timestamp" value as written (UTC, ISO 8601). A figure that is not a finite number
// is sent as 0 after notFinite(key) is called with the figure's key.
std::string UploadBody(const MatchRecord& record, std::string_view timestamp,
                       const std::function<void(const char* key)>& notFinite);
// The whole match, for a server that takes it: the defined body's fields ("timestamp" endedAt, the
// match's end), then its id, start, team, score, result, the ticker's counts and each shot's and goal's place.
std::string WholeMatchBody(const MatchRecord& record, std::string_view endedAt,
                           const std::function<void(const char* key)>& notFinite);

}  // namespace zando
