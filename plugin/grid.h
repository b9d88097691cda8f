// Grid: the 62 x 50 zone grid that shots and goals are placed on, addressed [row][column].
#pragma once

#include <cstdint>
#include <vector>

inline constexpr int GridRows = 62;  // rows run from the end the player attacks (0) to their own end (61)
inline constexpr int GridCols = 50;  // columns run from the +X side (0) to the -X side (49)

template <class Cell>
using Grid = std::vector<std::vector<Cell>>;

// Sizes a grid to GridRows rows of GridCols zero cells.
template <class Cell>
void SizeGrid(Grid<Cell>& grid) {
    grid.assign(GridRows, std::vector<Cell>(GridCols, Cell{}));
}

// Sets every cell to zero, row by row, keeping the dimensions.
template <class Cell>
void ClearGrid(Grid<Cell>& grid) {
    for (auto& row : grid)
        for (auto& cell : row) cell = Cell{};
}
