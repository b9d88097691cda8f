// The bytes of the all-time heatmap file "zando_alltime_heatmap.dat", apart from any file access.
//
// Layout (little-endian int32 / float32, no padding):
//   version 2:  version, width (50), height (62), 3100 shot-heat floats, 3100 goal-count ints  (24812 bytes)
//   legacy:     width (50), height (62), 3100 shot-heat floats                                (12408 bytes)
// A first value of 1..10 is a version (1 reads like legacy after its three-field header); any other
// first value is a legacy file's width. Cells run row 0 first, column 0 first within a row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "base/grid.h"

namespace zando {

inline constexpr int32_t AllTimeFileVersion = 2;
inline constexpr std::size_t AllTimeFileBytes = 12 + 2 * static_cast<std::size_t>(GridRows) * GridCols * 4;  // 24812

// The whole file the current version writes, built in one pass.
std::string EncodeAllTimeHeatmap(const Grid<float>& shots, const Grid<int32_t>& goals);

struct DecodedAllTimeHeatmap {
    int32_t version = 0;  // 1 for a legacy file
    Grid<float> shots;    // a heat that is not a finite number reads as 0
    Grid<int32_t> goals;  // all zero for a legacy file
    int shotZones = 0;    // zones with heat above 0
    int goalZones = 0;    // zones with a goal count above 0
};

// Reads the file's first bytes (at most AllTimeFileBytes of them; fileSize is the whole file's size).
// A file this build cannot use gives the console line that says why, beginning "[LOAD] ".
std::variant<DecodedAllTimeHeatmap, std::string> DecodeAllTimeHeatmap(std::string_view bytes, std::uintmax_t fileSize);

}  // namespace zando
