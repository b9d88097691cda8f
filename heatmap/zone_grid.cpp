// ZoneOf: the zone of the 62 x 50 grid that a field position falls in.
#include "plugin/zando.h"
#include "tracking/game_constants.h"

namespace {

// The cell a scaled coordinate falls in: truncated toward zero, then kept inside 0..cells-1 (so the
// strip from -1 to 1 is cell 0). Values far outside, or not a number, never reach the integer conversion.
int CellOf(float scaled, int cells) {
    if (!(scaled > -1.0f)) return 0;
    if (scaled >= static_cast<float>(cells)) return cells - 1;
    const int cell = static_cast<int>(scaled);
    return cell <= 0 ? 0 : cell;
}

}  // namespace

ZANDO::Zone ZANDO::ZoneOf(float x, float y, int team) {
    using zando::constants::fieldLength, zando::constants::fieldWidth;
    const float u = 1.0f - (x + fieldLength * 0.5f) / fieldLength;
    float v = (y + fieldWidth * 0.5f) / fieldWidth;
    if (team == 0) v = 1.0f - v;

    return {CellOf(u * static_cast<float>(GridCols), GridCols), CellOf(v * static_cast<float>(GridRows), GridRows)};
}
