// The zones a heatmap view colours, kept from frame to frame. Smoothing a grid, finding its peak and
// colouring every zone is the costly part of drawing a heatmap; a view keeps one of these and asks it
// every frame, and it works the zones out again only when the grids' cells, the view's mode or its
// opacity differ from the frame before. What a view draws from it is what it would draw from scratch.
//
// A canvas view draws the zones as colour runs: side-by-side zones of one colour in a row make one
// rectangle, and the runs of one colour follow each other, so the colour is set once per colour rather
// than once per zone. The zones do not overlap, so the picture is the same in any order; a filled grid
// takes about half the canvas calls it would zone by zone.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <type_traits>
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
    struct Run {
        int row = 0;
        int col = 0;     // the first zone
        int length = 0;  // zones of the run, at least 1
    };
    struct Rect {  // a run's rectangle on the canvas, from (x1, y1) to (x2, y2)
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    };
    struct ColourRuns {
        Colour colour{};
        std::size_t first = 0;  // its runs: runs[first, first + count)
        std::size_t count = 0;
    };
    struct Runs {
        std::vector<Run> runs;            // grouped by colour, each colour's runs row 0 first
        std::vector<Rect> rects;          // each run's rectangle, where the view was placed last
        std::vector<ColourRuns> colours;  // in the order the colours first appear, row 0 first
    };

    // The zones of these grids in this mode. colourOf(value) gives a zone's colour from its smoothed
    // frequency over the peak (0..1) or its accuracy (0..1, no more than 1); it may depend only on
    // the mode. The grids are 62 x 50.
    template <class ColourOf>
    const Shading& Get(const Grid<float>& shots, const Grid<int32_t>& goals, const ShadingMode& mode, ColourOf&& colourOf) {
        const bool sameCells = valid_ && SameCells(shots, shots_) && SameCells(goals, goals_);
        if (sameCells && mode == mode_) return shading_;
        // The smoothed values depend on the cells and on what is smoothed, not on the opacity: a
        // slider being dragged only colours the zones again.
        const bool sameValues = sameCells && mode.accuracy == mode_.accuracy && (!mode.accuracy || mode.limitGoals == mode_.limitGoals);
        if (!sameCells) {
            shots_ = shots;
            goals_ = goals;
        }
        mode_ = mode;
        valid_ = true;
        ++recomputations_;
        runsValid_ = false;
        if (!sameValues) WorkOutValues();
        for (std::size_t k = 0; k < shading_.zones.size(); ++k) shading_.zones[k].colour = colourOf(values_[k]);
        return shading_;
    }

    // The zones from the last Get as colour runs, with their rectangles for a grid whose zone (0, 0)
    // is at (x0, y0) and whose zones are cell pixels square. Worked out again only after a change
    // of the zones or of the placement.
    const Runs& PlacedRuns(int x0, int y0, int cell) {
        if (!runsValid_) {
            GroupRuns();
            runsValid_ = true;
            placedValid_ = false;
        }
        if (!placedValid_ || x0 != placedX0_ || y0 != placedY0_ || cell != placedCell_) {
            runs_.rects.resize(runs_.runs.size());
            for (std::size_t i = 0; i < runs_.runs.size(); ++i) {
                const Run& run = runs_.runs[i];
                runs_.rects[i] = {x0 + run.col * cell, y0 + run.row * cell, x0 + (run.col + run.length) * cell,
                                  y0 + (run.row + 1) * cell};
            }
            placedX0_ = x0, placedY0_ = y0, placedCell_ = cell;
            placedValid_ = true;
        }
        return runs_;
    }

    // How often the zones were coloured: once per change, not once per frame.
    long Recomputations() const { return recomputations_; }
    // How often the grids were smoothed: once per change of the cells or of what is smoothed.
    long Smoothings() const { return smoothings_; }

private:
    template <class Cell>
    static bool SameCells(const Grid<Cell>& now, const Grid<Cell>& kept) {
        return now.size() == kept.size() && now.Cols() == kept.Cols() &&
               std::memcmp(now.Cells().data(), kept.Cells().data(), now.Cells().size_bytes()) == 0;
    }

    // The zones to colour and the value each is coloured from, with the totals.
    void WorkOutValues() {
        ++smoothings_;
        auto& zones = shading_.zones;
        zones.clear();
        values_.clear();
        int64_t shots = 0;
        int32_t goals = 0;
        bool anyShot = false;
        for (const float heat : shots_.Cells()) {
            shots += ShotsIn(heat);  // each at most the ceiling, so 3,100 of them fit
            anyShot = anyShot || heat > 0.0f;
        }
        for (const int32_t zoneGoals : goals_.Cells()) goals = SaturatingAdd(goals, zoneGoals);
        shading_.totalShots = static_cast<int32_t>(std::min<int64_t>(shots, CountCeiling));
        shading_.totalGoals = goals;
        shading_.anyShot = anyShot;
        if (!anyShot) return;
        if (!mode_.accuracy) {
            smoothed_ = shots_;  // reuses the kept grid's storage
            SmoothHeatmap(smoothed_);
            const std::span<const float> cells = smoothed_.Cells();
            float peak = 0.0f;
            for (const float value : cells) peak = std::max(peak, value);
            for (int r = 0, i = 0; r < GridRows; ++r)
                for (int c = 0; c < GridCols; ++c, ++i) {
                    const float value = cells[static_cast<std::size_t>(i)];
                    if (value > 0.001f) {
                        zones.push_back({r, c, Colour{}});
                        values_.push_back(value / peak);
                    }
                }
        } else {
            const Grid<float> accuracy = SmoothedAccuracy(shots_, goals_, mode_.limitGoals);
            for (int r = 0; r < GridRows; ++r)
                for (int c = 0; c < GridCols; ++c) {
                    if (ShotsIn(shots_[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]) <= 0) continue;
                    zones.push_back({r, c, Colour{}});
                    values_.push_back(std::min(1.0f, accuracy[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]));
                }
        }
    }

    // Colours are compared and hashed by their bytes.
    using Key = std::conditional_t<sizeof(Colour) <= sizeof(std::uint32_t), std::uint32_t, std::uint64_t>;
    static Key KeyOf(const Colour& colour) {
        static_assert(std::has_unique_object_representations_v<Colour> && sizeof(Colour) <= sizeof(Key));
        Key key = 0;
        std::memcpy(&key, &colour, sizeof colour);
        return key;
    }

    // Runs in row order, then a counting sort by colour: each run's colour is found in a small open-
    // addressing table (stamped per grouping, so it is never cleared), numbered in order of first use.
    void GroupRuns() {
        if (table_.empty() || ++stamp_ == 0) {  // first use, or the stamps wrapped round
            table_.assign(std::size_t{1} << TableBits, Slot{});
            stamp_ = 1;
        }
        runs_.colours.clear();
        const std::size_t zoneCount = shading_.zones.size();
        rowRuns_.resize(zoneCount);
        runColour_.resize(zoneCount);
        const Zone* zones = shading_.zones.data();
        Run* rowRuns = rowRuns_.data();
        std::uint32_t* runColour = runColour_.data();
        std::size_t count = 0;
        Key lastKey = 0;
        for (std::size_t z = 0; z < zoneCount; ++z) {
            const Zone& zone = zones[z];
            const Key key = KeyOf(zone.colour);
            if (count > 0) {
                Run& last = rowRuns[count - 1];
                if (key == lastKey && zone.row == last.row && zone.col == last.col + last.length) {
                    ++last.length;
                    continue;
                }
            }
            rowRuns[count] = {zone.row, zone.col, 1};
            runColour[count] = ColourIndex(key, zone.colour);
            lastKey = key;
            ++count;
        }
        std::size_t first = 0;
        for (ColourRuns& group : runs_.colours) {
            group.first = first;
            first += group.count;
            group.count = 0;
        }
        runs_.runs.resize(count);
        Run* grouped = runs_.runs.data();
        ColourRuns* groups = runs_.colours.data();
        for (std::size_t r = 0; r < count; ++r) {
            ColourRuns& group = groups[runColour[r]];
            grouped[group.first + group.count++] = rowRuns[r];
        }
    }

    // The colour's place in runs_.colours, adding it (and counting one more run of it).
    std::uint32_t ColourIndex(Key key, const Colour& colour) {
        constexpr std::size_t mask = (std::size_t{1} << TableBits) - 1;
        Slot* const table = table_.data();
        std::size_t slot =
            static_cast<std::size_t>((static_cast<std::uint64_t>(key) * 0x9E3779B97F4A7C15ull) >> (64 - TableBits));
        for (;; slot = (slot + 1) & mask) {
            Slot& entry = table[slot];
            if (entry.stamp != stamp_) {
                entry = {key, static_cast<std::uint32_t>(runs_.colours.size()), stamp_};
                runs_.colours.push_back({colour, 0, 1});
                return entry.index;
            }
            if (entry.key == key) {
                ++runs_.colours[entry.index].count;
                return entry.index;
            }
        }
    }

    // More slots than a grid has zones, so the table never fills.
    static constexpr int TableBits = 13;
    static_assert((1 << TableBits) > GridRows * GridCols);
    struct Slot {
        Key key = 0;
        std::uint32_t index = 0;
        std::uint32_t stamp = 0;  // 0: never used
    };

    Grid<float> shots_;
    Grid<int32_t> goals_;
    ShadingMode mode_;
    bool valid_ = false;
    long recomputations_ = 0;
    long smoothings_ = 0;
    Grid<float> smoothed_;       // the shot grid smoothed (frequency)
    std::vector<float> values_;  // each zone's value to colour from: over the peak, or its accuracy
    Shading shading_;
    bool runsValid_ = false;
    bool placedValid_ = false;
    int placedX0_ = 0, placedY0_ = 0, placedCell_ = 0;
    Runs runs_;
    std::vector<Run> rowRuns_;              // the runs in row order, while grouping
    std::vector<std::uint32_t> runColour_;  // each of those runs' colour index
    std::vector<Slot> table_;               // made on first use: the window's views never group
    std::uint32_t stamp_ = 0;
};

}  // namespace zando
