// 10 x 10 block means of a zone grid.
#include "upload/heatmap_downsampling.h"

namespace zando {

namespace {

template <class Cell, class Sum>
Grid<Cell> Downsample(const Grid<Cell>& grid) {
    Grid<Cell> reduced;
    const std::size_t rows = grid.size();
    if (rows == 0) return reduced;
    const std::size_t cols = grid[0].size();
    const float rowStep = static_cast<float>(rows) / 10.0f;
    const float colStep = static_cast<float>(cols) / 10.0f;
    reduced = Grid<Cell>(10, 10);
    for (int i = 0; i < 10; ++i) {
        const auto rowFrom = static_cast<std::size_t>(static_cast<float>(i) * rowStep);
        const auto rowTo = static_cast<std::size_t>(static_cast<float>(i + 1) * rowStep);
        for (int j = 0; j < 10; ++j) {
            const auto colFrom = static_cast<std::size_t>(static_cast<float>(j) * colStep);
            const auto colTo = static_cast<std::size_t>(static_cast<float>(j + 1) * colStep);
            Sum sum{};
            Sum count{};
            for (std::size_t r = rowFrom; r < rowTo && r < rows; ++r)
                for (std::size_t c = colFrom; c < colTo && c < cols && c < grid[r].size(); ++c) {
                    sum += grid[r][c];
                    count += 1;
                }
            reduced[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = count > 0 ? static_cast<Cell>(sum / count) : Cell{};
        }
    }
    return reduced;
}

}  // namespace

// Sums are kept wider than the cells, so a block of large cells cannot overflow its sum.
Grid<float> DownsampleShotHeatmap(const Grid<float>& grid) { return Downsample<float, double>(grid); }
Grid<int32_t> DownsampleGoalHeatmap(const Grid<int32_t>& grid) { return Downsample<int32_t, int64_t>(grid); }

}  // namespace zando
