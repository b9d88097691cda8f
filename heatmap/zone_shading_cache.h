// The zones a heatmap view colours, kept from frame to frame. Smoothing a grid, finding its peak and
// colouring every zone is the costly part of drawing a heatmap; a view keeps one of these and asks it
// every frame, and it works the zones out again only when the grids' cells or the view's mode differ
// from the frame before. What a view draws from it is what it would draw from scratch.
//
// A zone's colour is made in two steps: its shade, from its value and the view's mode (frequency or
// accuracy), and the colour, the shade at the view's opacity. A change of the opacity (a slider being
// dragged changes it every frame) only makes the colours again; a change of the cells works out the
// values again but makes the shade again only of the zones whose value changed, so a shot that leaves
// the peak where it was shades the few zones around it.
//
// A canvas view draws the zones as shade runs: side-by-side zones of one shade in a row make one
// rectangle, and the runs of one shade follow each other, so the colour is set once per shade rather
// than once per zone. The zones do not overlap, so the picture is the same in any order; a filled grid
// takes about half the canvas calls it would zone by zone. A row's runs are made again only when a
// shade in it changed.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <type_traits>
#include <vector>

#include "heatmap/heatmap_drawing.h"
#include "base/grid.h"
#include "base/saturating.h"

namespace zando {

// How a view colours its zones.
struct ShadingMode {
    bool accuracy = false;           // goals over shots, else the smoothed shot frequency
    bool goalsCountAsShots = false;  // accuracy: a zone's goals are also shots on goal (FiguresOf)
    float opacity = 1.0f;            // what the colours are made for
    bool operator==(const ShadingMode&) const = default;
};

// Shade: what a zone's colour is made from, apart from the opacity. Colour: what the view draws with.
template <class Shade, class Colour>
class ZoneShadingCache {
public:
    struct Totals {
        int32_t totalShots = 0;  // shots over the grid, stopping at the largest count
        int32_t totalGoals = 0;  // goals over the grid, stopping at the largest count
        bool anyShot = false;    // some zone holds heat
    };
    struct Zone {
        int row = 0;
        int col = 0;
        Colour colour{};
    };
    struct Rect {  // a run's rectangle on the canvas, from (x1, y1) to (x2, y2)
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    };
    struct ColourRuns {
        Colour colour{};
        std::uint32_t first = 0;  // its runs' rectangles: rects[first, first + count)
        std::uint32_t count = 0;
    };
    struct Runs {
        std::vector<Rect> rects;          // each run's rectangle, grouped by shade, each shade's runs row 0 first
        std::vector<ColourRuns> colours;  // one per shade, in the order the shades first appear, row 0 first
    };

    // Brings the zones up to date with these grids (62 x 50) and this mode. shadeOf(value) gives a
    // zone's shade from its smoothed frequency over the peak (0..1) or its accuracy (0..1, no more
    // than 1); it may depend only on whether the mode is accuracy.
    template <class ShadeOf>
    const Totals& Get(const Grid<float>& shots, const Grid<int32_t>& goals, const ShadingMode& mode, ShadeOf&& shadeOf) {
        const GridArea shotArea = valid_ ? ChangedArea(shots, shots_) : WholeGrid(shots);
        const bool goalsChanged = !valid_ || !SameCells(goals, goals_);
        if (shotArea.Empty() && !goalsChanged && mode == mode_) return totals_;
        // The values depend on the cells and on what is smoothed, the shades on the values and on the
        // kind of view, the colours on the shades and the opacity.
        const bool shadeAll = !valid_ || mode.accuracy != mode_.accuracy;
        const bool valuesChanged = shadeAll || !shotArea.Empty() ||
                                   (mode.accuracy && (goalsChanged || mode.goalsCountAsShots != mode_.goalsCountAsShots));
        if (!shotArea.Empty()) TakeShots(shots, shotArea);
        if (goalsChanged) {
            goals_ = goals;
            int32_t total = 0;
            for (const int32_t zoneGoals : goals_.Cells()) total = SaturatingAdd(total, zoneGoals);
            totals_.totalGoals = total;
        }
        mode_ = mode;
        valid_ = true;
        ++recomputations_;
        zonesValid_ = false;
        coloured_ = false;
        if (valuesChanged) WorkOutValues(shadeOf, shadeAll, shotArea);
        return totals_;
    }

    // The zones to colour, row 0 first, in the colours colourOf(shade) gives; colourOf may depend only
    // on the mode's opacity. Made again only after a change.
    template <class ColourOf>
    const std::vector<Zone>& Zones(ColourOf&& colourOf) {
        if (!zonesValid_) {
            zones_.clear();
            for (int r = 0, i = 0; r < GridRows; ++r)
                for (int c = 0; c < GridCols; ++c, ++i)
                    if (Drawn(values_[static_cast<std::size_t>(i)]))
                        zones_.push_back({r, c, colourOf(shades_[static_cast<std::size_t>(i)])});
            zonesValid_ = true;
        }
        return zones_;
    }

    // The zones as shade runs in the colours colourOf(shade) gives, with their rectangles for a grid
    // that fills box, each zone edge placed by ZoneEdge. The runs are made again
    // only where a shade changed, the rectangles only after that or a change of the placement, and the
    // colours only after that or a change of the opacity.
    template <class ColourOf>
    const Runs& PlacedRuns(ZoneBox box, ColourOf&& colourOf) {
        if (anyRowChanged_ || shadeOfId_.size() > MaxShadeIds) {
            RunRows();
            GroupRuns(box);
            coloured_ = false;
        } else if (box != placed_) {
            GroupRuns(box);
        }
        if (!coloured_) {
            for (std::size_t g = 0; g < runs_.colours.size(); ++g) runs_.colours[g].colour = colourOf(shadeOfId_[groupShade_[g]]);
            coloured_ = true;
        }
        return runs_;
    }

    // How often the zones were worked out again: once per change, not once per frame.
    long Recomputations() const { return recomputations_; }
    // How often the grids were smoothed: once per change of the cells or of what is smoothed.
    long Smoothings() const { return smoothings_; }
    // How many zones were shaded: all of them at first or for another kind of view, then those whose
    // value changed.
    long ShadedZones() const { return shadedZones_; }

private:
    static constexpr std::size_t CellCount = static_cast<std::size_t>(GridRows) * GridCols;

    template <class Cell>
    static bool SameCells(const Grid<Cell>& now, const Grid<Cell>& kept) {
        return now.size() == kept.size() && now.Cols() == kept.Cols() &&
               std::memcmp(now.Cells().data(), kept.Cells().data(), now.Cells().size_bytes()) == 0;
    }

    // The block of cells that differ (compared bit for bit) between two grids of one size; all of
    // them when the sizes differ.
    template <class Cell>
    static GridArea ChangedArea(const Grid<Cell>& now, const Grid<Cell>& kept) {
        if (now.size() != kept.size() || now.Cols() != kept.Cols()) return WholeGrid(now);
        GridArea area{0, 0, 0, 0};
        if (SameCells(now, kept)) return area;  // most frames: one comparison of the whole grid
        int lastRow = -1, firstCol = static_cast<int>(now.Cols()), lastCol = -1;
        for (std::size_t r = 0; r < now.size(); ++r) {
            const Cell *a = now[r].data(), *b = kept[r].data();
            if (std::memcmp(a, b, now.Cols() * sizeof(Cell)) == 0) continue;
            if (lastRow < 0) area.row = static_cast<int>(r);
            lastRow = static_cast<int>(r);
            for (int c = 0; c < static_cast<int>(now.Cols()); ++c)
                if (std::memcmp(a + c, b + c, sizeof(Cell)) != 0)
                    firstCol = std::min(firstCol, c), lastCol = std::max(lastCol, c);
        }
        if (lastRow < 0) return area;
        return {area.row, firstCol, lastRow - area.row + 1, lastCol - firstCol + 1};
    }

    // Takes the shot cells that changed, counting their shots in and the old ones out.
    void TakeShots(const Grid<float>& shots, GridArea area) {
        const bool whole = shots_.size() != shots.size() || shots_.Cols() != shots.Cols();
        if (whole) {
            shots_ = Grid<float>(shots.size(), shots.Cols());
            shotCount_ = 0, heatedZones_ = 0;
            area = WholeGrid(shots);
        }
        for (int r = area.row; r < area.row + area.rows; ++r) {
            const std::span<const float> now = shots[static_cast<std::size_t>(r)];
            const std::span<float> kept = shots_[static_cast<std::size_t>(r)];
            for (int c = area.col; c < area.col + area.cols; ++c) {
                float& cell = kept[static_cast<std::size_t>(c)];
                const float heat = now[static_cast<std::size_t>(c)];
                shotCount_ += ShotsIn(heat) - ShotsIn(cell);  // each at most the ceiling, so 3,100 of them fit
                heatedZones_ += int{heat > 0.0f} - int{cell > 0.0f};
                cell = heat;
            }
        }
        totals_.totalShots = static_cast<int32_t>(std::min<int64_t>(shotCount_, CountCeiling));
        totals_.anyShot = heatedZones_ > 0;
        smoothedValid_ = smoothedValid_ && !whole;
    }

    // Each zone's value and the shade of each zone whose value changed (of every zone when shadeAll).
    // After a change of a few shot cells, the frequency view smooths and compares only the zones those
    // cells reach, unless the peak moved.
    template <class ShadeOf>
    void WorkOutValues(ShadeOf& shadeOf, bool shadeAll, GridArea shotArea) {
        ++smoothings_;
        float* const next = nextValues_.data();
        const bool lastPeak = peakValid_;
        peakValid_ = false;
        if (!totals_.anyShot) {
            std::fill_n(next, CellCount, NotDrawn);
            smoothedValid_ = false;
        } else if (!mode_.accuracy) {
            const bool few = smoothedValid_ && shotArea.rows <= FewCells && shotArea.cols <= FewCells;
            SmoothHeatmapArea(shots_, across_, smoothed_, few ? shotArea : WholeGrid(shots_));
            smoothedValid_ = true;
            const float* const cells = smoothed_.Cells().data();
            const float peak = PeakOf(cells);
            peakValid_ = true;
            const bool samePeak = lastPeak && std::memcmp(&peak, &peak_, sizeof peak) == 0;
            peak_ = peak;
            if (few && samePeak && !shadeAll) {
                // Only the zones within two rows and columns of the changed cells have new values.
                const int rowFirst = std::max(shotArea.row - 2, 0), rowEnd = std::min(shotArea.row + shotArea.rows + 2, GridRows);
                const int colFirst = std::max(shotArea.col - 2, 0), colEnd = std::min(shotArea.col + shotArea.cols + 2, GridCols);
                for (int r = rowFirst; r < rowEnd; ++r) {
                    for (int c = colFirst; c < colEnd; ++c) {
                        const std::size_t i = static_cast<std::size_t>(r * GridCols + c);
                        next[i] = cells[i] > 0.001f ? cells[i] / peak : NotDrawn;
                    }
                    UpdateRow(static_cast<std::size_t>(r), static_cast<std::size_t>(colFirst), static_cast<std::size_t>(colEnd),
                              shadeOf, false);
                }
                anyRowChanged_ = anyRowChanged_ || std::find(rowChanged_.begin(), rowChanged_.end(), true) != rowChanged_.end();
                return;
            }
            for (std::size_t i = 0; i < CellCount; ++i) next[i] = cells[i] > 0.001f ? cells[i] / peak : NotDrawn;
        } else {
            smoothedValid_ = false;
            const Grid<float> accuracy = SmoothedAccuracy(shots_, goals_, mode_.goalsCountAsShots);
            const float *const shotCells = shots_.Cells().data(), *const accuracyCells = accuracy.Cells().data();
            const int32_t* const goalCells = goals_.Cells().data();
            for (std::size_t i = 0; i < CellCount; ++i) {
                const bool taken = ShotsIn(shotCells[i]) > 0 || (mode_.goalsCountAsShots && goalCells[i] > 0);
                next[i] = taken ? std::min(1.0f, accuracyCells[i]) : NotDrawn;
            }
        }
        // Rows whose values are all as they were are passed over whole.
        for (std::size_t r = 0; r < static_cast<std::size_t>(GridRows); ++r) {
            if (!shadeAll && std::memcmp(values_.data() + r * GridCols, next + r * GridCols, GridCols * sizeof(float)) == 0)
                continue;
            UpdateRow(r, 0, GridCols, shadeOf, shadeAll);
        }
        anyRowChanged_ = std::find(rowChanged_.begin(), rowChanged_.end(), true) != rowChanged_.end();
    }

    // Takes the new values of row r's zones [colFirst, colEnd): a zone keeps its shade while it is
    // drawn from the same value (compared bit for bit). The row is marked changed when a zone's shade
    // or whether it is drawn changed.
    template <class ShadeOf>
    void UpdateRow(std::size_t r, std::size_t colFirst, std::size_t colEnd, ShadeOf& shadeOf, bool shadeAll) {
        float* const kept = values_.data() + r * GridCols;
        const float* const now = nextValues_.data() + r * GridCols;
        Shade* const shades = shades_.data() + r * GridCols;
        bool changed = shadeAll;
        for (std::size_t c = colFirst; c < colEnd; ++c) {
            if (!shadeAll && std::memcmp(&kept[c], &now[c], sizeof(float)) == 0) continue;
            const bool wasDrawn = Drawn(kept[c]);
            kept[c] = now[c];
            if (!Drawn(now[c])) {
                changed = changed || wasDrawn;
                continue;
            }
            const Shade shade = shadeOf(now[c]);
            ++shadedZones_;
            changed = changed || !wasDrawn || std::memcmp(&shade, &shades[c], sizeof shade) != 0;
            shades[c] = shade;
        }
        rowChanged_[r] = rowChanged_[r] || changed;
    }

    // A change of no more than this many rows and columns of shot cells is smoothed where it reaches.
    static constexpr int FewCells = 8;

    // A zone's value when it is not coloured. Coloured zones' values are never below 0: a smoothed
    // frequency over the peak is above 0 (or not a number, for an edited file's infinite heat), an
    // accuracy is at least 0.
    static constexpr float NotDrawn = -1.0f;
    static bool Drawn(float value) { return !(value < 0.0f); }

    // The largest of the cells and 0, four at a time. Comparisons with a NaN are false, so a cell that
    // is not a number is passed over, as std::max(peak, cell) would.
    static float PeakOf(const float* cells) {
        static_assert(CellCount % 4 == 0);
        float peaks[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        for (std::size_t i = 0; i < CellCount; i += 4)
            for (std::size_t k = 0; k < 4; ++k) peaks[k] = peaks[k] < cells[i + k] ? cells[i + k] : peaks[k];
        return std::max({peaks[0], peaks[1], peaks[2], peaks[3]});
    }

    // Shades are compared and hashed by their bytes.
    using Key = std::conditional_t<sizeof(Shade) <= sizeof(std::uint32_t), std::uint32_t, std::uint64_t>;
    static Key KeyOf(const Shade& shade) {
        static_assert(std::has_unique_object_representations_v<Shade> && sizeof(Shade) <= sizeof(Key));
        Key key = 0;
        std::memcpy(&key, &shade, sizeof shade);
        return key;
    }

    // The runs of each changed row, each with its shade's number. Numbers are given in a small open-
    // addressing table that lives as long as the view; when it has numbered more than MaxShadeIds
    // shades (old shades pile up over a session), it starts again and every row is run again.
    void RunRows() {
        if (table_.empty() || shadeOfId_.size() > MaxShadeIds) {
            if (table_.empty() || ++stamp_ == 0) {  // first use, or the stamps wrapped round
                table_.assign(std::size_t{1} << TableBits, Slot{});
                stamp_ = 1;
            }
            shadeOfId_.clear();
            rowChanged_.fill(true);
        }
        for (std::size_t r = 0; r < static_cast<std::size_t>(GridRows); ++r) {
            if (!rowChanged_[r]) continue;
            rowChanged_[r] = false;
            RowRun* runs = rowRuns_.data() + r * GridCols;
            std::size_t count = 0;
            Key lastKey = 0;
            for (std::size_t c = 0, i = r * GridCols; c < static_cast<std::size_t>(GridCols); ++c, ++i) {
                if (!Drawn(values_[i])) continue;
                const Key key = KeyOf(shades_[i]);
                if (count > 0) {
                    RowRun& last = runs[count - 1];
                    if (key == lastKey && c == last.col + last.length) {
                        ++last.length;
                        continue;
                    }
                }
                runs[count++] = {static_cast<std::uint16_t>(c), 1, ShadeId(key, shades_[i])};
                lastKey = key;
            }
            rowRunCount_[r] = static_cast<std::uint16_t>(count);
        }
        anyRowChanged_ = false;
    }

    // All rows' runs grouped by shade (a counting sort), the shades in the order they first appear,
    // with their rectangles at this placement.
    void GroupRuns(ZoneBox box) {
        std::uint32_t* const groupOf = groupOfId_.data();  // NoGroup for every shade between groupings
        std::uint32_t* const runGroup = runGroup_.data();
        std::uint32_t* const counts = groupCount_.data();
        std::uint32_t* const groupShade = groupShade_.data();
        std::uint32_t groups = 0;
        std::size_t total = 0;
        for (std::size_t r = 0; r < static_cast<std::size_t>(GridRows); ++r) {
            const RowRun* const runs = rowRuns_.data() + r * GridCols;
            for (std::size_t k = 0, count = rowRunCount_[r]; k < count; ++k) {
                std::uint32_t group = groupOf[runs[k].id];
                if (group == NoGroup) {
                    group = groupOf[runs[k].id] = groups;
                    groupShade[groups] = runs[k].id;
                    counts[groups++] = 0;
                }
                ++counts[group];
                runGroup[total++] = group;
            }
        }
        runs_.colours.resize(groups);
        std::uint32_t first = 0;
        for (std::uint32_t g = 0; g < groups; ++g) {
            runs_.colours[g].first = first;
            runs_.colours[g].count = counts[g];
            counts[g] = first;  // where the group's next run goes
            first += runs_.colours[g].count;
        }
        runs_.rects.resize(total);
        Rect* const rects = runs_.rects.data();
        std::array<int, GridCols + 1> xs;  // each column's left edge, and the grid's right edge
        for (int c = 0; c <= GridCols; ++c) xs[static_cast<std::size_t>(c)] = ZoneEdge(box.x, box.width, c, GridCols);
        for (std::size_t r = 0, n = 0; r < static_cast<std::size_t>(GridRows); ++r) {
            const RowRun* const runs = rowRuns_.data() + r * GridCols;
            const int top = ZoneEdge(box.y, box.height, static_cast<int>(r), GridRows);
            const int bottom = ZoneEdge(box.y, box.height, static_cast<int>(r) + 1, GridRows);
            for (std::size_t k = 0, count = rowRunCount_[r]; k < count; ++k, ++n)
                rects[counts[runGroup[n]]++] = {xs[runs[k].col], top, xs[runs[k].col + runs[k].length], bottom};
        }
        for (std::uint32_t g = 0; g < groups; ++g) groupOf[groupShade[g]] = NoGroup;
        placed_ = box;
    }

    // The shade's number, giving it the next one if it has none.
    std::uint32_t ShadeId(Key key, const Shade& shade) {
        constexpr std::size_t mask = (std::size_t{1} << TableBits) - 1;
        Slot* const table = table_.data();
        std::size_t slot =
            static_cast<std::size_t>((static_cast<std::uint64_t>(key) * 0x9E3779B97F4A7C15ull) >> (64 - TableBits));
        for (;; slot = (slot + 1) & mask) {
            Slot& entry = table[slot];
            if (entry.stamp != stamp_) {
                entry = {key, static_cast<std::uint32_t>(shadeOfId_.size()), stamp_};
                shadeOfId_.push_back(shade);
                return entry.index;
            }
            if (entry.key == key) return entry.index;
        }
    }

    // At most MaxShadeIds shades are numbered before the table starts again, so the runs made since
    // (at most a grid more) keep it under half full.
    static constexpr int TableBits = 14;
    static constexpr std::size_t MaxShadeIds = 4 * CellCount / 3;
    static_assert(MaxShadeIds + CellCount <= (std::size_t{1} << TableBits) / 2);
    static constexpr std::uint32_t NoGroup = ~std::uint32_t{0};
    struct Slot {
        Key key = 0;
        std::uint32_t index = 0;
        std::uint32_t stamp = 0;  // 0: never used
    };
    struct RowRun {
        std::uint16_t col = 0;
        std::uint16_t length = 0;
        std::uint32_t id = 0;  // the shade's number
    };

    Grid<float> shots_;
    Grid<int32_t> goals_;
    ShadingMode mode_;
    bool valid_ = false;
    long recomputations_ = 0;
    long smoothings_ = 0;
    long shadedZones_ = 0;
    Totals totals_;
    int64_t shotCount_ = 0;                                                // shots over the kept grid
    int heatedZones_ = 0;                                                  // zones of the kept grid with heat
    Grid<float> across_;                                                   // the smoothing's pass along the rows
    Grid<float> smoothed_;                                                 // the shot grid smoothed (frequency)
    bool smoothedValid_ = false;                                           // across_ and smoothed_ are the smoothing of shots_
    float peak_ = 0.0f;                                                    // the largest smoothed value, when peakValid_
    bool peakValid_ = false;                                               // the values were worked out from peak_
    std::vector<float> values_ = std::vector<float>(CellCount, NotDrawn);  // each zone's value: over the peak, or its accuracy
    std::vector<float> nextValues_ = std::vector<float>(CellCount);        // the values being worked out
    std::vector<Shade> shades_ = std::vector<Shade>(CellCount);            // each drawn zone's shade
    std::array<bool, GridRows> rowChanged_{};
    bool anyRowChanged_ = false;
    std::vector<Zone> zones_;
    bool zonesValid_ = false;
    bool coloured_ = false;
    ZoneBox placed_;
    Runs runs_;
    std::vector<RowRun> rowRuns_ = std::vector<RowRun>(CellCount);  // each row's runs, GridCols places a row
    std::array<std::uint16_t, GridRows> rowRunCount_{};
    // While grouping: each shade number's group (NoGroup between groupings), each run's group, each
    // group's count of runs, then where its next run goes, and each group's shade number.
    std::vector<std::uint32_t> groupOfId_ = std::vector<std::uint32_t>(MaxShadeIds + CellCount, NoGroup);
    std::vector<std::uint32_t> runGroup_ = std::vector<std::uint32_t>(CellCount);
    std::vector<std::uint32_t> groupCount_ = std::vector<std::uint32_t>(CellCount);
    std::vector<std::uint32_t> groupShade_ = std::vector<std::uint32_t>(CellCount);
    std::vector<Shade> shadeOfId_;  // each numbered shade
    std::vector<Slot> table_;       // made on first use: the window's views never run rows
    std::uint32_t stamp_ = 0;
};

}  // namespace zando
