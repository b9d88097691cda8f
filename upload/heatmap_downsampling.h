// The upload body's 10 x 10 reductions of the per-match grids: each output cell is the mean of its
// block of source cells (for goals, the integer mean, cut toward zero).
#pragma once

#include <cstdint>

#include "base/grid.h"

namespace zando {

Grid<float> DownsampleShotHeatmap(const Grid<float>& grid);      // empty when the grid has no rows
Grid<int32_t> DownsampleGoalHeatmap(const Grid<int32_t>& grid);  // empty when the grid has no rows

}  // namespace zando
