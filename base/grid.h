// Grid: the 62 x 50 zone grid that shots and goals are placed on, addressed [row][column], its cells
// in one contiguous block, row 0 first.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <vector>

inline constexpr int GridRows = 62;  // rows run from the end the player attacks (0) to their own end (61)
inline constexpr int GridCols = 50;  // columns run from the +X side (0) to the -X side (49)

template <class Cell>
class Grid {
public:
    Grid() = default;  // no rows
    Grid(std::size_t rows, std::size_t cols, Cell fill = Cell{}) : rows_(rows), cols_(cols), cells_(rows * cols, fill) {}

    std::size_t size() const { return rows_; }  // rows
    bool empty() const { return rows_ == 0; }
    std::size_t Cols() const { return cols_; }

    std::span<Cell> operator[](std::size_t row) { return {cells_.data() + row * cols_, cols_}; }
    std::span<const Cell> operator[](std::size_t row) const { return {cells_.data() + row * cols_, cols_}; }

    // Every cell, row after row.
    std::span<Cell> Cells() { return cells_; }
    std::span<const Cell> Cells() const { return cells_; }

    bool operator==(const Grid& other) const = default;

    // The rows, each a span of its cells: for (auto row : grid).
    template <class Value>
    class RowIterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::span<Value>;
        using difference_type = std::ptrdiff_t;
        RowIterator() = default;
        RowIterator(Value* at, std::size_t cols) : at_(at), cols_(cols) {}
        std::span<Value> operator*() const { return {at_, cols_}; }
        RowIterator& operator++() {
            at_ += cols_;
            return *this;
        }
        RowIterator operator++(int) {
            RowIterator was = *this;
            ++*this;
            return was;
        }
        bool operator==(const RowIterator& other) const { return at_ == other.at_; }

    private:
        Value* at_ = nullptr;
        std::size_t cols_ = 0;
    };
    RowIterator<Cell> begin() { return {cells_.data(), cols_}; }
    RowIterator<Cell> end() { return {cells_.data() + cells_.size(), cols_}; }
    RowIterator<const Cell> begin() const { return {cells_.data(), cols_}; }
    RowIterator<const Cell> end() const { return {cells_.data() + cells_.size(), cols_}; }

private:
    std::size_t rows_ = 0;
    std::size_t cols_ = 0;
    std::vector<Cell> cells_;
};

// Sizes a grid to GridRows rows of GridCols zero cells.
template <class Cell>
void SizeGrid(Grid<Cell>& grid) {
    grid = Grid<Cell>(GridRows, GridCols);
}

// Sets every cell to zero, keeping the dimensions.
template <class Cell>
void ClearGrid(Grid<Cell>& grid) {
    std::ranges::fill(grid.Cells(), Cell{});
}
