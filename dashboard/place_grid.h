// Where the shots and goals of many matches happened, on a true grid of the field: square cells of
// 512 world units, 20 along the field's length and 16 across it, each match turned so that the goal
// its player attacked is on the right. Only a match sent whole says where its shots happened (and on
// which team its player was); the others add nothing here.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "base/shot_place.h"
#include "dashboard/upload_format.h"

namespace dashboard {

inline constexpr int PlaceCellUnits = 512;
inline constexpr int PlaceColumns = 20;  // along the length, from the player's own goal line to the one attacked
inline constexpr int PlaceRows = 16;     // across (X), as a blue player's match page draws it
// How each match's cells are kept beside its zones (match_zones' kind), and in the running totals.
inline constexpr const char* ShotPlaceKind = "shot-place";
inline constexpr const char* GoalPlaceKind = "goal-place";

using PlaceGrid = std::array<std::array<int64_t, PlaceColumns>, PlaceRows>;

struct PlaceDensity {
    PlaceGrid shots{};  // each counted shot by the cell of the player's car at the touch
    PlaceGrid goals{};
    bool operator==(const PlaceDensity&) const = default;
};

struct PlaceCell {
    int row = 0;
    int column = 0;
};
// The cell of a car's place for a player of team (0 blue, attacking +Y; 1 orange, turned half a turn):
// a place beyond the field (in a goal, up a wall's curve) is in the cell at that edge.
PlaceCell PlaceCellOf(const FieldPoint& car, int team);

// A whole match's shots and goals added to density; nothing without the player's team.
void AddPlaces(PlaceDensity& density, const WholeMatchPart& whole);

// Each cell that holds any, as the database keeps it: kind, row, column, count.
void ForEachCell(const PlaceDensity& density,
                 const std::function<void(const char* kind, int row, int column, int64_t count)>& each);
// A kept cell added back (a kind or a cell of no grid is left out).
void AddCell(PlaceDensity& density, const std::string& kind, int64_t row, int64_t column, int64_t count);

}  // namespace dashboard
