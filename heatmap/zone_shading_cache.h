// The zones a heatmap view colours, kept from frame to frame. Smoothing a grid, finding its peak and
// colouring every zone is the costly part of drawing a heatmap; a view keeps one of these and asks it
// every frame, and it works the zones out again only when the grids' cells, the view's mode or its
// opacity differ from the frame before. What a view draws from it is what it would draw from scratch.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "heatmap/heatmap_drawing.h"
#include "plugin/grid.h"
#include "plugin/saturating.h"

namespace zando {

// How a view colours its zones.
struct ShadingMode {
    bool accuracy = false;    // goals over shots, else the smoothed shot frequency
    bool limitGoals = false;  // accuracy: a zone counts no more goals than shots before smoothing
    float opacity = 1.0f;     // what the colours were made for
    bool operator==(const ShadingMode&) const = default;
};

template <class Colour>
class ZoneShadingCache {
public:
    struct Zone {
        int row = 0;
        int col = 0;
        Colour colour{};
    };
    struct Shading {
        std::vector<Zone> zones;  // the zones to colour, row 0 first
        int32_t totalShots = 0;   // shots over the grid, stopping at the largest count
        int32_t totalGoals = 0;   // goals over the grid, stopping at the largest count
        bool anyShot = false;     // some zone holds heat
    };

    // The zones of these grids in this mode. colourOf(value) gives a zone's colour from its smoothed
    // frequency over the peak (0..1) or its accuracy (0..1, no more than 1); it may depend only on
    // the mode. The grids are 62 x 50.
    template <class ColourOf>
    const Shading& Get(const Grid<float>& shots, const Grid<int32_t>& goals, const ShadingMode& mode, ColourOf&& colourOf) {
        if (valid_ && mode == mode_ && SameCells(shots, shots_) && SameCells(goals, goals_)) return shading_;
        shots_ = shots;
        goals_ = goals;
        mode_ = mode;
        valid_ = true;
        ++recomputations_;
        Recompute(colourOf);
        return shading_;
    }

    // How often the zones were worked out: once per change, not once per frame.
    long Recomputations() const { return recomputations_; }

private:
    template <class Cell>
    static bool SameCells(const Grid<Cell>& now, const Grid<Cell>& kept) {
        return now.size() == kept.size() && now.Cols() == kept.Cols() &&
               std::memcmp(now.Cells().data(), kept.Cells().data(), now.Cells().size_bytes()) == 0;
    }

    template <class ColourOf>
    void Recompute(ColourOf& colourOf) {
        shading_.zones.clear();
        shading_.totalShots = 0;
        shading_.totalGoals = 0;
        shading_.anyShot = false;
        for (const float heat : shots_.Cells()) {
            shading_.totalShots = SaturatingAdd(shading_.totalShots, ShotsIn(heat));
            shading_.anyShot = shading_.anyShot || heat > 0.0f;
        }
        for (const int32_t goals : goals_.Cells()) shading_.totalGoals = SaturatingAdd(shading_.totalGoals, goals);
        if (!shading_.anyShot) return;
        if (!mode_.accuracy) {
            const SmoothedGrid smoothed = SmoothedShots(shots_);
            for (int r = 0; r < GridRows; ++r)
                for (int c = 0; c < GridCols; ++c) {
                    const float value = smoothed.values[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
                    if (value > 0.001f) shading_.zones.push_back({r, c, colourOf(value / smoothed.peak)});
                }
        } else {
            const Grid<float> accuracy = SmoothedAccuracy(shots_, goals_, mode_.limitGoals);
            for (int r = 0; r < GridRows; ++r)
                for (int c = 0; c < GridCols; ++c) {
                    if (ShotsIn(shots_[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]) <= 0) continue;
                    const float value = std::min(1.0f, accuracy[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
                    shading_.zones.push_back({r, c, colourOf(value)});
                }
        }
    }

    Grid<float> shots_;
    Grid<int32_t> goals_;
    ShadingMode mode_;
    bool valid_ = false;
    long recomputations_ = 0;
    Shading shading_;
};

}  // namespace zando
