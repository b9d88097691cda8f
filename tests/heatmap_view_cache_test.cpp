// The heatmap views keep their zones' colours from frame to frame: what they draw from what they kept
// must be what they would draw from scratch, and they must work the zones out again on every change
// they depend on (a shot, a goal, the view, the mode, the opacity) and on nothing else.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <variant>
#include <vector>

#include "heatmap/heatmap_views.h"
#include "heatmap/zone_shading_cache.h"
#include "host/runtime/recording_canvas.h"
#include "sandbox/match_simulator.h"
#include "sandbox/trace_player.h"
#include "sdk_value_equality.h"
#include "test_support.h"

namespace {

namespace sb = sandbox;

// The same call with the same arguments, in the same colour (and, for text, at the same place).
bool SameCall(const host::CanvasCall& a, const host::CanvasCall& b) {
    using Kind = host::CanvasCall::Kind;
    if (a.kind != b.kind || !(a.colour == b.colour)) return false;
    switch (a.kind) {
    case Kind::SetColor: return true;
    case Kind::SetPosition: return a.position == b.position;
    case Kind::DrawRect: return a.start == b.start && a.end == b.end;
    case Kind::DrawLine: return a.start == b.start && a.end == b.end && a.width == b.width;
    case Kind::DrawString: return a.position == b.position && a.text == b.text && a.xScale == b.xScale && a.yScale == b.yScale;
    }
    return false;
}

std::string Describe(const host::CanvasCall& call) {
    return std::to_string(static_cast<int>(call.kind)) + " rgba(" + std::to_string(call.colour.red) + "," +
           std::to_string(call.colour.green) + "," + std::to_string(call.colour.blue) + "," + std::to_string(call.colour.alpha) +
           ") at " + std::to_string(call.position.X) + "," + std::to_string(call.position.Y) + " " +
           std::to_string(call.start.X) + "," + std::to_string(call.start.Y) + "-" + std::to_string(call.end.X) + "," +
           std::to_string(call.end.Y) + " \"" + call.text + "\"";
}

// A colour that tells the value and the mode's opacity apart, for the cache on its own.
struct Tagged {
    float value = 0.0f;
    float opacity = 0.0f;
};

}  // namespace

// The plug-in plays a 2v2 match and draws every frame from what its views kept. Every 20 s, after a
// statement changed something the views depend on (or nothing), the frame is drawn a second time with
// nothing kept, from scratch; both must be the same calls.
TEST(HeatmapViewCache, DrawsCallForCallWhatAViewDrawsFromScratch) {
    zando_test::TempDir home;
    zando_test::LoadedZando zando(home.path());
    zando.Run("zando_enable_upload 0; zando_show_heatmap 1; zando_show_postgame 1; zando_sticky_mode 1");

    host::RecordingCanvas kept, fresh;
    bool checkpoint = false;
    long recomputedWhileKept = 0;
    int checkpoints = 0, checkpointsWithZones = 0;
    sb::TracePlayer player(zando.Host(), [&](double t) {
        kept.Clear();
        zando.Host().RenderFrame(&kept);
        if (!checkpoint) return;
        // What the frames since the last checkpoint worked out; the view made at that checkpoint began at 1.
        recomputedWhileKept += zando.Zando().heatmapShading->overlay.Recomputations() - (checkpoints > 0 ? 1 : 0);
        zando.Zando().heatmapShading->overlay = {};
        fresh.Clear();
        zando.Host().RenderFrame(&fresh);
        ++checkpoints;
        ASSERT_EQ(kept.Calls().size(), fresh.Calls().size()) << "checkpoint " << checkpoints << " at " << t << " s";
        for (std::size_t i = 0; i < kept.Calls().size(); ++i)
            ASSERT_TRUE(SameCall(kept.Calls()[i], fresh.Calls()[i]))
                << "call " << i << " at checkpoint " << checkpoints << " (" << t << " s): " << Describe(kept.Calls()[i]) << " / "
                << Describe(fresh.Calls()[i]);
        // Zones are the small squares (a cell is 5 pixels at scale 1); tabs, boxes and bars are not square.
        int zones = 0;
        for (const auto& rect : kept.CallsOf(host::CanvasCall::Kind::DrawRect)) {
            const int width = rect.end.X - rect.start.X, height = rect.end.Y - rect.start.Y;
            zones += width == height && width > 0 && width <= 12;
        }
        checkpointsWithZones += zones > 0;
    });

    const std::vector<std::string> changes = {
        "toggle_accuracy_view", "zando_window_opacity 0.5",  "toggle_heatmap_view",     "",
        "toggle_accuracy_view", "zando_window_opacity 0.85", "zando_heatmap_scale 1.5", "toggle_heatmap_view"};
    double nextCheck = 20.0;
    sb::MatchSimulator simulator({21, 2, 30.0, 1}, [&](const sb::TraceRecord& record) {
        checkpoint = std::holds_alternative<sb::record::Frame>(record.body) && record.t >= nextCheck;
        if (checkpoint) {
            zando.Run(changes[static_cast<std::size_t>(checkpoints) % changes.size()]);
            nextCheck += 20.0;
        }
        player.Play(record);
    });
    simulator.Run();
    ASSERT_GE(checkpoints, 12);
    EXPECT_GE(checkpointsWithZones, 3) << "the frames compared drew zones (the first checkpoints come before any shot)";

    // One recomputation per change, not per frame: each of the player's shots and goals changes a
    // grid once, and each checkpoint's statement once more (a few more for the match's start and end).
    recomputedWhileKept += zando.Zando().heatmapShading->overlay.Recomputations() - 1;
    EXPECT_LE(recomputedWhileKept, simulator.Truth().shots + simulator.Truth().goals + checkpoints + 4);
    EXPECT_GE(recomputedWhileKept, checkpoints / 2);
}

TEST(HeatmapViewCache, WorksTheZonesOutAgainOnlyWhenACellTheModeOrTheOpacityChanged) {
    Grid<float> shots;
    Grid<int32_t> goals;
    SizeGrid(shots);
    SizeGrid(goals);
    shots[10][10] = 10.0f;
    goals[10][10] = 1;
    zando::ZoneShadingCache<float, Tagged> cache;
    int shaded = 0;
    struct Shading {
        zando::ZoneShadingCache<float, Tagged>::Totals totals;
        std::vector<zando::ZoneShadingCache<float, Tagged>::Zone> zones;
    };
    const auto get = [&](zando::ShadingMode mode) {
        const auto totals = cache.Get(shots, goals, mode, [&](float value) {
            ++shaded;
            return value;
        });
        return Shading{totals, cache.Zones([&](float shade) { return Tagged{shade, mode.opacity}; })};
    };
    const zando::ShadingMode frequency{false, true, 1.0f};
    EXPECT_EQ(get(frequency).zones.size(), 25u) << "a lone zone spreads over 5 x 5 zones";
    EXPECT_EQ(get(frequency).totals.totalShots, 2);
    EXPECT_EQ(cache.Recomputations(), 1);
    EXPECT_EQ(shaded, 25);

    shots[10][11] = 5.0f;  // a new shot beside it
    EXPECT_EQ(get(frequency).zones.size(), 30u);
    EXPECT_EQ(get(frequency).totals.totalShots, 3);
    goals[10][11] = 1;  // a goal alone changes only the goal grid
    EXPECT_EQ(get(frequency).totals.totalGoals, 2);
    EXPECT_EQ(cache.Recomputations(), 3);

    const auto accuracy = get({true, true, 1.0f});
    ASSERT_EQ(accuracy.zones.size(), 2u) << "accuracy colours the zones with shots";
    // Zone (10, 11): one shot and one goal beside (10, 10)'s two shots and one goal; the neighbour's
    // weight over its own is exp(-1/2).
    const float beside = std::exp(-0.5f);
    EXPECT_NEAR(accuracy.zones[1].colour.value, (beside * 1 + 1) / (beside * 2 + 1), 1e-5f);
    EXPECT_EQ(get({true, true, 0.5f}).zones[0].colour.opacity, 0.5f);
    const int shadedBefore = shaded;
    EXPECT_EQ(get({true, true, 0.25f}).zones[1].colour.value, accuracy.zones[1].colour.value);
    EXPECT_EQ(shaded, shadedBefore) << "an opacity change makes the colours again, not the shades";
    EXPECT_EQ(get({true, false, 0.5f}).totals.totalGoals, 2);
    EXPECT_EQ(cache.Recomputations(), 7);
    get({true, false, 0.5f});
    EXPECT_EQ(cache.Recomputations(), 7);

    // The smoothed values depend on the shot cells and on what is smoothed, not on the opacity: of the
    // seven recomputations so far, the first, the new shot, the change to accuracy and the change of
    // the goal limit smoothed; the goal did not (the frequency view's values have no goals in them),
    // nor did the opacity changes.
    EXPECT_EQ(cache.Smoothings(), 4);
    get({true, false, 0.25f});
    get({false, false, 0.25f});
    get({false, true, 0.25f});  // the goal limit does not change the frequency view's values
    get({false, true, 0.75f});
    EXPECT_EQ(cache.Recomputations(), 11);
    EXPECT_EQ(cache.Smoothings(), 5);
    EXPECT_EQ(get({false, true, 0.75f}).zones.size(), 30u);
    EXPECT_EQ(cache.Recomputations(), 11);

    ClearGrid(shots);
    const auto empty = get({true, false, 0.5f});
    EXPECT_FALSE(empty.totals.anyShot);
    EXPECT_TRUE(empty.zones.empty());
}

// The canvas draws a view's zones as colour runs. Laid back onto the grid, the runs' rectangles must
// give every zone exactly once, in its colour, and nothing else; each colour is set once, in the order
// the colours first appear; no two runs of a colour touch in a row (each is as long as it can be).
TEST(HeatmapViewCache, ColourRunsCoverEachZoneOnceInItsColour) {
    Grid<float> shots;
    Grid<int32_t> goals;
    SizeGrid(shots);
    SizeGrid(goals);
    for (std::size_t r = 0; r < shots.size(); ++r)
        for (std::size_t c = 0; c < shots.Cols(); ++c)
            if ((r * 7 + c * 3) % 11 != 0 && r != 20) shots[r][c] = 5.0f * static_cast<float>(1 + (r + c) % 4);
    zando::ZoneShadingCache<std::uint32_t, std::uint32_t> cache;
    // Four shades from the smoothed value, so that neighbours often share one; a colour is its shade.
    cache.Get(shots, goals, {false, true, 1.0f}, [](float value) { return static_cast<std::uint32_t>(value * 3.999f) + 100u; });
    const auto same = [](std::uint32_t shade) { return shade; };
    const auto drawn = cache.Zones(same);
    ASSERT_GT(drawn.size(), 2000u);

    // At scale 1 (5 pixels a zone) and at a size whose zones are not a whole number of pixels.
    for (const zando::ZoneBox box : {zando::ZoneBox{1154, 125, 250, 310}, zando::ZoneBox{40, 7, 333, 413}}) {
        // Each zone edge where its share of the box puts it, to the nearest pixel.
        std::map<int, int> rowAt, colAt;  // edge -> index
        for (int r = 0; r <= GridRows; ++r) rowAt[box.y + static_cast<int>(std::lround(r * box.height / double{GridRows}))] = r;
        for (int c = 0; c <= GridCols; ++c) colAt[box.x + static_cast<int>(std::lround(c * box.width / double{GridCols}))] = c;
        const auto& runs = cache.PlacedRuns(box, same);
        std::map<std::pair<int, int>, std::uint32_t> laid;  // (row, column) -> colour
        std::vector<std::uint32_t> order;
        std::size_t next = 0;
        for (const auto& group : runs.colours) {
            EXPECT_EQ(group.first, next) << "a colour's runs follow the colour before";
            next += group.count;
            order.push_back(group.colour);
            for (std::size_t i = group.first; i < group.first + group.count; ++i) {
                const auto& rect = runs.rects[i];
                ASSERT_TRUE(rowAt.contains(rect.y1) && rowAt.contains(rect.y2) && colAt.contains(rect.x1) &&
                            colAt.contains(rect.x2))
                    << "edges at " << rect.x1 << "," << rect.y1 << " - " << rect.x2 << "," << rect.y2;
                const int row = rowAt[rect.y1];
                ASSERT_EQ(rowAt[rect.y2], row + 1) << "a zone high";
                ASSERT_GT(rect.x2, rect.x1);
                for (int col = colAt[rect.x1]; col < colAt[rect.x2]; ++col)
                    EXPECT_TRUE(laid.emplace(std::pair{row, col}, group.colour).second)
                        << "zone " << row << "," << col << " twice";
                const std::pair<int, int> before{row, colAt[rect.x1] - 1}, after{row, colAt[rect.x2]};
                for (const auto& beside : {before, after}) {
                    const auto found = laid.find(beside);
                    EXPECT_TRUE(found == laid.end() || found->second != group.colour) << "runs of one colour touch at " << row;
                }
            }
        }
        EXPECT_EQ(next, runs.rects.size());

        std::map<std::pair<int, int>, std::uint32_t> zones;
        std::vector<std::uint32_t> firstSeen;
        for (const auto& zone : drawn) {
            zones[{zone.row, zone.col}] = zone.colour;
            if (std::find(firstSeen.begin(), firstSeen.end(), zone.colour) == firstSeen.end()) firstSeen.push_back(zone.colour);
        }
        EXPECT_EQ(laid, zones);
        EXPECT_EQ(order, firstSeen);
        EXPECT_GE(order.size(), 3u) << "the test needs colours that repeat";
        EXPECT_LT(runs.rects.size(), zones.size() / 2) << "neighbours of one colour share a rectangle";
    }

    // A change of the grid groups the zones again.
    shots[40][10] = 500.0f;
    cache.Get(shots, goals, {true, true, 1.0f}, [](float value) { return static_cast<std::uint32_t>(value * 3.999f); });
    std::size_t zonesInRuns = 0;
    for (const auto& rect : cache.PlacedRuns({0, 0, GridCols, GridRows}, same).rects)
        zonesInRuns += static_cast<std::size_t>(rect.x2 - rect.x1);
    EXPECT_EQ(zonesInRuns, cache.Zones(same).size());
    for (const auto& group : cache.PlacedRuns({0, 0, GridCols, GridRows}, same).colours)
        EXPECT_LT(group.colour, 100u) << "the new shades";
}

namespace {

// Whether a view kept through changes gives what a view made from scratch gives: the totals, the
// zones, and the runs with their rectangles and colours.
template <class Cache, class ShadeOf, class ColourOf>
void ExpectSameAsFresh(Cache& kept, const Grid<float>& shots, const Grid<int32_t>& goals, const zando::ShadingMode& mode,
                       zando::ZoneBox box, const ShadeOf& shadeOf, const ColourOf& colourOf, int step) {
    auto fresh = std::make_unique<Cache>();
    const auto shade = [&](float value) { return shadeOf(mode.accuracy, value); };
    const auto colour = [&](const auto& shaded) { return colourOf(shaded, mode.opacity); };
    const auto keptTotals = kept.Get(shots, goals, mode, shade);
    const auto freshTotals = fresh->Get(shots, goals, mode, shade);
    ASSERT_EQ(std::tie(keptTotals.totalShots, keptTotals.totalGoals, keptTotals.anyShot),
              std::tie(freshTotals.totalShots, freshTotals.totalGoals, freshTotals.anyShot))
        << "step " << step;
    const auto& keptRuns = kept.PlacedRuns(box, colour);
    const auto& freshRuns = fresh->PlacedRuns(box, colour);
    ASSERT_EQ(keptRuns.rects.size(), freshRuns.rects.size()) << "step " << step;
    for (std::size_t i = 0; i < keptRuns.rects.size(); ++i) {
        const auto &p = keptRuns.rects[i], &q = freshRuns.rects[i];
        ASSERT_EQ(std::tie(p.x1, p.y1, p.x2, p.y2), std::tie(q.x1, q.y1, q.x2, q.y2)) << "rectangle " << i << ", step " << step;
    }
    ASSERT_EQ(keptRuns.colours.size(), freshRuns.colours.size()) << "step " << step;
    for (std::size_t g = 0; g < keptRuns.colours.size(); ++g) {
        const auto &a = keptRuns.colours[g], &b = freshRuns.colours[g];
        ASSERT_TRUE(a.colour == b.colour && a.first == b.first && a.count == b.count) << "colour " << g << ", step " << step;
    }
    const auto keptZones = kept.Zones(colour);
    const auto freshZones = fresh->Zones(colour);
    ASSERT_EQ(keptZones.size(), freshZones.size()) << "step " << step;
    for (std::size_t z = 0; z < keptZones.size(); ++z)
        ASSERT_TRUE(keptZones[z].row == freshZones[z].row && keptZones[z].col == freshZones[z].col &&
                    keptZones[z].colour == freshZones[z].colour)
            << "zone " << z << ", step " << step;
}

// 400 random changes of the kinds a match and the player make, each followed by the comparison.
template <class Shade, class ShadeOf, class ColourOf>
void KeepThroughChanges(const ShadeOf& shadeOf, const ColourOf& colourOf, unsigned seed) {
    Grid<float> shots;
    Grid<int32_t> goals;
    SizeGrid(shots);
    SizeGrid(goals);
    std::mt19937 random(seed);
    const auto pick = [&](int count) { return static_cast<int>(random() % static_cast<unsigned>(count)); };
    zando::ShadingMode mode{false, true, 0.85f};
    zando::ZoneBox box{1154, 125, 250, 310};
    using Colour = decltype(colourOf(Shade{}, 1.0f));
    auto kept = std::make_unique<zando::ZoneShadingCache<Shade, Colour>>();
    for (int step = 0; step < 400; ++step) {
        const std::size_t row = static_cast<std::size_t>(pick(GridRows)), col = static_cast<std::size_t>(pick(GridCols));
        switch (pick(12)) {
        case 0:
        case 1:
        case 2:
        case 3: shots[row][col] += 5.0f; break;   // a shot
        case 4: shots[row][col] += 60.0f; break;  // many: the peak moves
        case 5:
            if (shots[row][col] > 0.0f) goals[row][col] += 1;
            break;  // a goal
        case 6: mode.accuracy = !mode.accuracy; break;
        case 7: mode.goalsCountAsShots = !mode.goalsCountAsShots; break;
        case 8: mode.opacity = static_cast<float>(pick(101)) / 100.0f; break;
        case 9: box = {pick(1800), pick(700), 50 + pick(600), 62 + pick(700)}; break;
        case 11: box.width = 50 + pick(600), box.height = 62 + pick(700); break;  // a new scale: the corner stays
        case 10:
            if (pick(8) == 0) ClearGrid(shots), ClearGrid(goals);
            break;       // a reset
        default: break;  // nothing
        }
        ExpectSameAsFresh(*kept, shots, goals, mode, box, shadeOf, colourOf, step);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

}  // namespace

// The canvas's shades (so zones often share one) and shades as fine as the values (so every move of the
// peak numbers thousands of new shades, and the table of shade numbers starts again many times).
TEST(HeatmapViewCache, AViewKeptThroughManyChangesDrawsWhatAFreshOneDraws) {
    KeepThroughChanges<zando::CanvasColour>(
        [](bool accuracy, float value) { return accuracy ? zando::AccuracyShade(value) : zando::FrequencyShade(value); },
        [](zando::CanvasColour shade, float opacity) { return zando::AtOpacity(shade, opacity); }, 17);
    KeepThroughChanges<std::uint32_t>(
        [](bool accuracy, float value) { return std::bit_cast<std::uint32_t>(value) ^ (accuracy ? 0x80000000u : 0u); },
        [](std::uint32_t shade, float opacity) { return std::uint64_t{shade} << 32 | std::bit_cast<std::uint32_t>(opacity); },
        29);
}

// After a shot far from the peak only the 25 zones within two rows and columns of it change value, so
// only they are shaded again; the opacity shades nothing again.
TEST(HeatmapViewCache, AShotAwayFromThePeakShadesOnlyTheZonesAroundIt) {
    Grid<float> shots;
    Grid<int32_t> goals;
    SizeGrid(shots);
    SizeGrid(goals);
    for (std::size_t r = 0; r < shots.size(); ++r)
        for (std::size_t c = 0; c < shots.Cols(); ++c) shots[r][c] = 5.0f * static_cast<float>(1 + (r * 7 + c * 3) % 11);
    shots[5][5] = 5000.0f;  // the peak, far from the shot
    zando::ZoneShadingCache<zando::CanvasColour, zando::CanvasColour> cache;
    const auto shade = [](float value) { return zando::FrequencyShade(value); };
    cache.Get(shots, goals, {false, true, 1.0f}, shade);
    EXPECT_EQ(cache.ShadedZones(), GridRows * GridCols) << "every zone of a filled grid, once";
    shots[40][30] += 5.0f;
    cache.Get(shots, goals, {false, true, 1.0f}, shade);
    EXPECT_EQ(cache.ShadedZones(), GridRows * GridCols + 25);
    cache.Get(shots, goals, {false, true, 0.4f}, shade);
    EXPECT_EQ(cache.ShadedZones(), GridRows * GridCols + 25);
    shots[0][0] += 5.0f;  // in a corner: 9 zones of its 5 x 5 are inside the grid
    cache.Get(shots, goals, {false, true, 0.4f}, shade);
    EXPECT_EQ(cache.ShadedZones(), GridRows * GridCols + 25 + 9);
}
