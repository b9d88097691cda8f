// What a whole match adds to the defined figures (its id, start, team, score, result, overtime, the
// stat ticker's counts and each counted shot's and goal's place), written once as JSON members for
// the match file and the whole-match upload, each of which lays them out its own way.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tracking/match_record.h"

namespace zando {

// How the members are spaced: compact for an upload body, readable for a file.
struct JsonLayout {
    const char* comma = ",";      // between an object's or array's items
    const char* colon = ":";      // after a key
    const char* placeBreak = "";  // before each place of the list
    const char* listEnd = "";     // before the end of a list that has places
};
inline constexpr JsonLayout CompactJson{};
inline constexpr JsonLayout ReadableJson{", ", ": ", "\n    ", "\n  "};

// Each member as its key and its JSON value, in the upload's order (the keys of upload::whole). Every
// place was checked finite and on the field when it was kept.
std::vector<std::pair<const char*, std::string>> WholeMatchMembers(const MatchRecord& record, const JsonLayout& layout);

}  // namespace zando
