// The field's true grid of places.
#include "dashboard/place_grid.h"

#include <algorithm>
#include <cmath>

namespace dashboard {

namespace {

int CellAlong(float units, int half, int cells) {
    const double cell = std::floor((static_cast<double>(units) + half) / PlaceCellUnits);
    return static_cast<int>(std::clamp(cell, 0.0, static_cast<double>(cells - 1)));
}

}  // namespace

PlaceCell PlaceCellOf(const FieldPoint& car, int team) {
    // Orange attacks -Y: its places turned half a turn are a blue player's.
    const float sign = team == 1 ? -1.0f : 1.0f;
    return {CellAlong(sign * car.x, PlaceRows * PlaceCellUnits / 2, PlaceRows),
            CellAlong(sign * car.y, PlaceColumns * PlaceCellUnits / 2, PlaceColumns)};
}

void AddPlaces(PlaceDensity& density, const WholeMatchPart& whole) {
    if (!whole.team) return;
    for (const ShotPlace& place : whole.places) {
        const PlaceCell cell = PlaceCellOf(place.car, *whole.team);
        PlaceGrid& grid = place.goal ? density.goals : density.shots;
        ++grid[static_cast<std::size_t>(cell.row)][static_cast<std::size_t>(cell.column)];
    }
}

void ForEachCell(const PlaceDensity& density,
                 const std::function<void(const char* kind, int row, int column, int64_t count)>& each) {
    for (const auto& [kind, grid] : {std::pair{ShotPlaceKind, &density.shots}, std::pair{GoalPlaceKind, &density.goals}})
        for (int r = 0; r < PlaceRows; ++r)
            for (int c = 0; c < PlaceColumns; ++c)
                if (const int64_t count = (*grid)[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]; count != 0)
                    each(kind, r, c, count);
}

void AddCell(PlaceDensity& density, const std::string& kind, int64_t row, int64_t column, int64_t count) {
    PlaceGrid* grid = kind == ShotPlaceKind ? &density.shots : kind == GoalPlaceKind ? &density.goals : nullptr;
    if (!grid || row < 0 || row >= PlaceRows || column < 0 || column >= PlaceColumns) return;
    (*grid)[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] += count;
}

}  // namespace dashboard
