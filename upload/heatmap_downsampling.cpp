// 10 x 10 block means of a zone grid.
#include "upload/heatmap_downsampling.h"

#include "base/upload_contract.h"

namespace zando {

namespace {

template <class Cell, class Sum>
Grid<Cell> Downsample(const Grid<Cell>& grid) {
    Grid<Cell> reduced;
    const std::size_t rows = grid.size();
    if (rows == 0) return reduced;
    const std::size_t cols = grid[0].size();
    const int blocks = upload::BlocksPerSide;
    reduced = Grid<Cell>(blocks, blocks);
    for (int i = 0; i < blocks; ++i) {
        const auto rowFrom = static_cast<std::size_t>(upload::BlockEdge(static_cast<int>(rows), i));
        const auto rowTo = static_cast<std::size_t>(upload::BlockEdge(static_cast<int>(rows), i + 1));
        for (int j = 0; j < blocks; ++j) {
            const auto colFrom = static_cast<std::size_t>(upload::BlockEdge(static_cast<int>(cols), j));
            const auto colTo = static_cast<std::size_t>(upload::BlockEdge(static_cast<int>(cols), j + 1));
            Sum sum{};
            Sum count{};
            for (std::size_t r = rowFrom; r < rowTo && r < rows; ++r)
                for (std::size_t c = colFrom; c < colTo && c < cols && c < grid[r].size(); ++c) {
                    sum += grid[r][c];
                    count += 1;
                }
            reduced[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] =
                count > 0 ? static_cast<Cell>(sum / count) : Cell{};
        }
    }
    return reduced;
}

}  // namespace

// Sums are kept wider than the cells, so a block of large cells cannot overflow its sum.
Grid<float> DownsampleShotHeatmap(const Grid<float>& grid) { return Downsample<float, double>(grid); }
Grid<int32_t> DownsampleGoalHeatmap(const Grid<int32_t>& grid) { return Downsample<int32_t, int64_t>(grid); }

}  // namespace zando
