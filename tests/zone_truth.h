// The simulator's truth of where the player's shots and goals were, as zones of the 62 x 50 grid,
// worked out here from the grid's definition (not with the plug-in's own mapping).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <map>
#include <utility>

#include "sandbox/match_simulator.h"

namespace zando_test {

// The zone (row, column) of a field position, from the grid's definition: 50 columns over the field's
// 10240 units of X, from +X (column 0) to -X; 62 rows over its 8192 units of Y, from the end the
// player attacks (row 0) to their own; a position beyond an edge belongs to the zone at that edge.
inline std::pair<int, int> ZoneOfSpot(const sandbox::LocalTruth::Spot& spot) {
    const double across = (5120.0 - static_cast<double>(spot.x)) / 10240.0;
    double along = (static_cast<double>(spot.y) + 4096.0) / 8192.0;
    if (spot.team == 0) along = 1.0 - along;  // blue attacks +Y
    const auto cell = [](double fraction, int cells) { return std::clamp(static_cast<int>(std::floor(fraction * cells)), 0, cells - 1); };
    return {cell(along, 62), cell(across, 50)};
}

// Shots and goals per zone (row, column); zones without any are left out.
struct ZoneCounts {
    std::map<std::pair<int, int>, int> shots, goals;
};

inline ZoneCounts CountsOfTruth(const sandbox::LocalTruth& truth) {
    ZoneCounts counts;
    for (const auto& spot : truth.shotSpots) ++counts.shots[ZoneOfSpot(spot)];
    for (const auto& spot : truth.goalSpots) ++counts.goals[ZoneOfSpot(spot)];
    return counts;
}

// The counts of a plug-in's grids: a shot adds 5 to its zone's heat, a goal 1 to its goal count.
template <class ShotGrid, class GoalGrid>
ZoneCounts CountsOfGrids(const ShotGrid& shots, const GoalGrid& goals) {
    ZoneCounts counts;
    for (std::size_t r = 0; r < shots.size(); ++r)
        for (std::size_t c = 0; c < shots[r].size(); ++c)
            if (shots[r][c] != 0.0f)
                counts.shots[{static_cast<int>(r), static_cast<int>(c)}] = static_cast<int>(std::lround(shots[r][c] / 5.0f));
    for (std::size_t r = 0; r < goals.size(); ++r)
        for (std::size_t c = 0; c < goals[r].size(); ++c)
            if (goals[r][c] != 0) counts.goals[{static_cast<int>(r), static_cast<int>(c)}] = goals[r][c];
    return counts;
}

}  // namespace zando_test
