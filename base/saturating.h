// Counts that stop at the largest int32 instead of wrapping round to a negative number: a goal cell,
// a match's shot count or a sum over a whole grid of a file that has been kept for years (or edited).
#pragma once

#include <cstdint>
#include <limits>

namespace zando {

inline constexpr int32_t CountCeiling = std::numeric_limits<int32_t>::max();

inline int32_t SaturatingAdd(int32_t total, int32_t more) {
    if (more > 0 && total > CountCeiling - more) return CountCeiling;
    if (more < 0 && total < std::numeric_limits<int32_t>::min() - more) return std::numeric_limits<int32_t>::min();
    return total + more;
}

}  // namespace zando
