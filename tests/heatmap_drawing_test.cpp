// Heatmap smoothing, the colour ramps and the schematic field.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "heatmap/heatmap_drawing.h"
#include "host/runtime/recording_canvas.h"
#include "sdk_value_equality.h"

using zando::Rgba;

namespace {

int Distance(const Rgba& a, const Rgba& b) {
    return std::max(
        {std::abs(a.red - b.red), std::abs(a.green - b.green), std::abs(a.blue - b.blue), std::abs(a.alpha - b.alpha)});
}

Grid<float> OneCell(int row, int col) {
    Grid<float> grid;
    SizeGrid(grid);
    grid[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = 1.0f;
    return grid;
}

}  // namespace

TEST(ColourRamps, AreContinuousAndEndAtTheirStops) {
    EXPECT_EQ(zando::FrequencyCellColour(0.0f, 1.0f), (Rgba{0, 50, 200, 80}));
    EXPECT_EQ(zando::FrequencyCellColour(1.0f, 1.0f), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(zando::FrequencyCellColour(1.0f, 0.5f).alpha, 127) << "alpha follows the opacity";
    for (float stop : {0.2f, 0.4f, 0.6f, 0.8f})
        EXPECT_LE(Distance(zando::FrequencyCellColour(stop - 1e-4f, 1.0f), zando::FrequencyCellColour(stop, 1.0f)), 1) << stop;
    for (float stop : {0.25f, 0.5f, 0.75f})
        EXPECT_LE(Distance(zando::FrequencyLegendColour(stop - 1e-4f, 200), zando::FrequencyLegendColour(stop, 200)), 1) << stop;
    EXPECT_EQ(zando::FrequencyLegendColour(0.0f, 200), (Rgba{40, 120, 220, 200}));
    EXPECT_EQ(zando::FrequencyLegendColour(1.0f, 200), (Rgba{255, 0, 0, 200}));

    EXPECT_EQ(zando::AccuracyCellColour(0.0f, 1.0f), (Rgba{255, 0, 0, 180}));
    EXPECT_EQ(zando::AccuracyCellColour(0.5f, 1.0f), (Rgba{255, 255, 0, 180}));
    EXPECT_EQ(zando::AccuracyCellColour(1.0f, 0.5f), (Rgba{0, 255, 0, 90}));
    EXPECT_LE(Distance(zando::AccuracyCellColour(0.5f - 1e-4f, 1.0f), zando::AccuracyCellColour(0.5f, 1.0f)), 1);
    EXPECT_EQ(zando::AccuracyLegendColour(1.0f, 77), (Rgba{0, 255, 0, 77}));
}

// Inside the ramps' segments, worked out by hand from the stops (dark blue 0, 50, 200 / 80 at 0;
// light blue 100, 200, 255 / 160 at 0.2; lime 150, 255, 100 / 210 at 0.4; yellow 255, 255, 0 / 235 at
// 0.6; orange 255, 155, 0 / 245 at 0.8; red 255, 0, 0 / 255 at 1), each component cut to a whole number.
TEST(ColourRamps, BlendTheirStopsInsideEachSegment) {
    EXPECT_EQ(zando::FrequencyCellColour(0.1f, 1.0f), (Rgba{50, 125, 227, 120}));
    EXPECT_EQ(zando::FrequencyCellColour(0.3f, 1.0f), (Rgba{125, 227, 177, 185}));
    EXPECT_EQ(zando::FrequencyCellColour(0.5f, 1.0f), (Rgba{202, 255, 50, 222}));
    EXPECT_EQ(zando::FrequencyCellColour(0.85f, 1.0f), (Rgba{255, 116, 0, 247}));
    EXPECT_EQ(zando::FrequencyCellColour(0.3f, 0.5f).alpha, 92) << "185 at half opacity";
    // Accuracy: red to yellow over the first half, yellow to green over the second.
    EXPECT_EQ(zando::AccuracyCellColour(0.25f, 1.0f), (Rgba{255, 127, 0, 180}));
    EXPECT_EQ(zando::AccuracyCellColour(0.75f, 1.0f), (Rgba{127, 255, 0, 180}));
}

// A view keeps each zone's shade and makes its colour at the opacity: that must be the colour the ramp
// gives at that opacity, for every value and every opacity the setting allows.
TEST(ColourRamps, AShadeAtAnOpacityIsTheRampsColourAtThatOpacity) {
    for (int step = 0; step <= 2000; ++step) {
        const float t = static_cast<float>(step) / 2000.0f;
        for (const float opacity : {0.0f, 0.1f, 1.0f / 3.0f, 0.5f, 0.77f, 0.85f, 0.999f, 1.0f}) {
            ASSERT_EQ(zando::AtOpacity(zando::FrequencyShade(t), opacity),
                      zando::ToCanvas(zando::FrequencyCellColour(t, opacity)))
                << "frequency " << t << " at " << opacity;
            ASSERT_EQ(zando::AtOpacity(zando::AccuracyShade(t), opacity), zando::ToCanvas(zando::AccuracyCellColour(t, opacity)))
                << "accuracy " << t << " at " << opacity;
        }
    }
}

// A view smooths again only where changed cells reach: after each of many changes (a zone, a block, at
// the borders and corners too) that must give every zone bit for bit what smoothing the whole grid gives.
TEST(HeatmapSmoothing, SmoothingWhereCellsChangedGivesWhatSmoothingTheWholeGridGives) {
    Grid<float> cells;
    SizeGrid(cells);
    std::mt19937 random(11);
    for (float& cell : cells.Cells()) cell = static_cast<float>(random() % 7) * 5.0f;
    Grid<float> across, kept;
    zando::SmoothHeatmapArea(cells, across, kept, zando::WholeGrid(cells));
    for (int change = 0; change < 300; ++change) {
        const int rows = 1 + static_cast<int>(random() % 3), cols = 1 + static_cast<int>(random() % 3);
        const zando::GridArea area{static_cast<int>(random() % (GridRows - rows + 1)),
                                   static_cast<int>(random() % (GridCols - cols + 1)), rows, cols};
        for (int r = area.row; r < area.row + rows; ++r)
            for (int c = area.col; c < area.col + cols; ++c)
                cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] += static_cast<float>(random() % 3) * 5.0f + 0.1f;
        zando::SmoothHeatmapArea(cells, across, kept, area);
        Grid<float> whole = cells;
        zando::SmoothHeatmap(whole);
        ASSERT_EQ(std::memcmp(kept.Cells().data(), whole.Cells().data(), whole.Cells().size_bytes()), 0) << "change " << change;
    }
}

TEST(HeatmapSmoothing, SpreadsAZoneOverTwoRowsAndColumnsAndDarkensTheBorder) {
    Grid<float> interior = OneCell(30, 25);
    zando::SmoothHeatmap(interior);
    const float peak = interior[30][25];
    EXPECT_NEAR(peak, 0.4026f * 0.4026f, 1e-4f);
    EXPECT_NEAR(interior[30][26] / peak, 0.6065f, 1e-3f);
    EXPECT_NEAR(interior[29][25] / peak, 0.6065f, 1e-3f);
    EXPECT_NEAR(interior[31][24] / peak, 0.3679f, 1e-3f);
    EXPECT_NEAR(interior[28][27] / peak, std::exp(-4.0f), 1e-3f);
    int nonZero = 0;
    float total = 0.0f;
    for (const auto& row : interior)
        for (float value : row) {
            nonZero += value > 0.0f;
            total += value;
        }
    EXPECT_EQ(nonZero, 25);
    EXPECT_NEAR(total, 1.0f, 1e-4f) << "inside the grid nothing is lost";

    Grid<float> corner = OneCell(0, 0);
    zando::SmoothHeatmap(corner);
    // The corner keeps its own share (only its own tap is non-zero); what the dropped taps cost is the
    // heat that would have spread beyond the border, which is not given back to the zones inside.
    EXPECT_NEAR(corner[0][0], peak, 1e-6f);
    float cornerTotal = 0.0f;
    for (const auto& row : corner)
        for (float value : row) cornerTotal += value;
    EXPECT_NEAR(cornerTotal, (0.4026f + 0.2442f + 0.0545f) * (0.4026f + 0.2442f + 0.0545f), 1e-3f);
}

// Every zone of a grid with heat everywhere against a plain 5 x 5 sum in double precision: the weights
// are exp(-d^2/2) normalised over d = -2..2, taps outside the grid dropped. Catches a wrong border
// (the unchecked inner zones begin two from each edge) on every side.
TEST(HeatmapSmoothing, MatchesAPlainFiveByFiveSumOnEveryZone) {
    double weights[5], sum = 0.0;
    for (int d = -2; d <= 2; ++d) sum += weights[d + 2] = std::exp(-d * d / 2.0);
    for (double& weight : weights) weight /= sum;
    Grid<float> grid;
    SizeGrid(grid);
    for (int r = 0; r < GridRows; ++r)
        for (int c = 0; c < GridCols; ++c)
            grid[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] = static_cast<float>((r * 7 + c * 13) % 17);
    const Grid<float> source = grid;
    zando::SmoothHeatmap(grid);
    for (int r = 0; r < GridRows; ++r) {
        for (int c = 0; c < GridCols; ++c) {
            double expected = 0.0;
            for (int dr = -2; dr <= 2; ++dr)
                for (int dc = -2; dc <= 2; ++dc)
                    if (r + dr >= 0 && r + dr < GridRows && c + dc >= 0 && c + dc < GridCols)
                        expected += weights[dr + 2] * weights[dc + 2] *
                                    source[static_cast<std::size_t>(r + dr)][static_cast<std::size_t>(c + dc)];
            ASSERT_NEAR(grid[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)], expected, 1e-4) << r << "," << c;
        }
    }
}

TEST(FieldOutline, HasRingsOfAFifthOfTheWidthAndGoalsOfAThird) {
    host::RecordingCanvas recording;
    CanvasWrapper canvas(host::AddressOf<host::CanvasBackend>(&recording));
    zando::DrawFieldOutline(canvas, 100, 200, 250, 310, 1.0f);
    const auto lines = recording.CallsOf(host::CanvasCall::Kind::DrawLine);
    ASSERT_EQ(lines.size(), 12u + 2u + 32u);
    const int cx = 225, cy = 355;
    EXPECT_EQ(lines[14].start, (Vector2{cx + 53, cy})) << "outer ring";
    EXPECT_EQ(lines[30].start, (Vector2{cx + 50, cy})) << "inner ring";
    EXPECT_EQ(lines[14].colour, (host::CanvasColour{120, 140, 160, 60}));
    const auto goals = recording.CallsOf(host::CanvasCall::Kind::DrawRect);
    ASSERT_EQ(goals.size(), 2u);
    EXPECT_EQ(goals[0].end.X - goals[0].start.X, 82);
    EXPECT_EQ(goals[0].start, (Vector2{cx - 41, 200})) << "the opponent's goal at the top";
    EXPECT_EQ(goals[1].end, (Vector2{cx + 41, 510}));
    EXPECT_EQ(goals[1].colour, (host::CanvasColour{120, 120, 255, 100}));
    ASSERT_NE(recording.FindText("YOU"), nullptr);
    EXPECT_EQ(recording.FindText("YOU")->position, (Vector2{cx - 13, 510 - 31 + 5}));
    EXPECT_FLOAT_EQ(recording.FindText("YOU")->yScale, 0.8f) << "the labels follow the field's size";
}

TEST(ZoneFigures, SumABlockInsideTheGridAndCountEachGoalAsAShotZoneByZone) {
    Grid<float> shots;
    Grid<int32_t> goals;
    SizeGrid(shots);
    SizeGrid(goals);
    shots[60][48] = 10.0f;  // 2 shots
    goals[60][48] = 3;      // an edited file: more goals than shots
    shots[61][49] = 5.0f;
    goals[57][45] = 1;                                                                   // goals without shots
    shots[55][48] = 50.0f;                                                               // outside the block
    const zando::ZoneFigures raw = zando::FiguresOf(shots, goals, 56, 44, 8, 8, false);  // runs past the grid's end
    EXPECT_EQ(raw.shots, 3);
    EXPECT_EQ(raw.goals, 4);
    EXPECT_FLOAT_EQ(raw.heat, 15.0f);
    const zando::ZoneFigures counted = zando::FiguresOf(shots, goals, 56, 44, 8, 8, true);
    EXPECT_EQ(counted.goals, 4);
    EXPECT_EQ(counted.shots, 5) << "3 where 2 shots gave 3 goals, 1 where a goal came without a shot, and the lone shot";
    EXPECT_FLOAT_EQ(counted.AccuracyPercent(), 80.0f);
    EXPECT_EQ(zando::FiguresOf(shots, goals, -3, -3, 2, 2, false).shots, 0) << "wholly outside";
}

TEST(ShotsInAZone, AreTheHeatOverFiveAndStopAtTheLargestCount) {
    EXPECT_EQ(zando::ShotsIn(0.0f), 0);
    EXPECT_EQ(zando::ShotsIn(14.9f), 2);
    EXPECT_EQ(zando::ShotsIn(15.0f), 3);
    EXPECT_EQ(zando::ShotsIn(-5.0f), 0);
    EXPECT_EQ(zando::ShotsIn(std::nanf("")), 0);
    EXPECT_EQ(zando::ShotsIn(1e30f), 2147483647) << "an edited file's heat is not a wrapped count";
    EXPECT_EQ(zando::ShotsIn(std::numeric_limits<float>::infinity()), 2147483647);
    EXPECT_EQ(zando::SaturatingAdd(2147483600, 100), 2147483647);
    EXPECT_EQ(zando::SaturatingAdd(-5, 3), -2);
}
