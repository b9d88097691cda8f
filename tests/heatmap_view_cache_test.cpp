// The heatmap views keep their zones' colours from frame to frame: what they draw from what they kept
// must be what they would draw from scratch, and they must work the zones out again on every change
// they depend on (a shot, a goal, the view, the mode, the opacity) and on nothing else.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <variant>
#include <vector>

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
    return std::to_string(static_cast<int>(call.kind)) + " rgba(" + std::to_string(call.colour.red) + "," + std::to_string(call.colour.green) +
           "," + std::to_string(call.colour.blue) + "," + std::to_string(call.colour.alpha) + ") at " + std::to_string(call.position.X) + "," +
           std::to_string(call.position.Y) + " " + std::to_string(call.start.X) + "," + std::to_string(call.start.Y) + "-" +
           std::to_string(call.end.X) + "," + std::to_string(call.end.Y) + " \"" + call.text + "\"";
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
        recomputedWhileKept += zando.Zando().overlayShading.Recomputations() - (checkpoints > 0 ? 1 : 0);
        zando.Zando().overlayShading = {};
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

    const std::vector<std::string> changes = {"toggle_accuracy_view", "zando_window_opacity 0.5", "toggle_heatmap_view",
                                              "",                     "toggle_accuracy_view",     "zando_window_opacity 0.85",
                                              "zando_heatmap_scale 1.5", "toggle_heatmap_view"};
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
    recomputedWhileKept += zando.Zando().overlayShading.Recomputations() - 1;
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
    zando::ZoneShadingCache<Tagged> cache;
    int coloured = 0;
    const auto get = [&](zando::ShadingMode mode) -> const auto& {
        return cache.Get(shots, goals, mode, [&](float value) {
            ++coloured;
            return Tagged{value, mode.opacity};
        });
    };
    const zando::ShadingMode frequency{false, true, 1.0f};
    EXPECT_EQ(get(frequency).zones.size(), 25u) << "a lone zone spreads over 5 x 5 zones";
    EXPECT_EQ(get(frequency).totalShots, 2);
    EXPECT_EQ(cache.Recomputations(), 1);
    EXPECT_EQ(coloured, 25);

    shots[10][11] = 5.0f;  // a new shot beside it
    EXPECT_EQ(get(frequency).zones.size(), 30u);
    EXPECT_EQ(get(frequency).totalShots, 3);
    goals[10][11] = 1;     // a goal alone changes only the goal grid
    get(frequency);
    EXPECT_EQ(cache.Recomputations(), 3);

    const auto& accuracy = get({true, true, 1.0f});
    ASSERT_EQ(accuracy.zones.size(), 2u) << "accuracy colours the zones with shots";
    // Zone (10, 11): one shot and one goal beside (10, 10)'s two shots and one goal; the neighbour's
    // weight over its own is exp(-1/2).
    const float beside = std::exp(-0.5f);
    EXPECT_NEAR(accuracy.zones[1].colour.value, (beside * 1 + 1) / (beside * 2 + 1), 1e-5f);
    EXPECT_EQ(get({true, true, 0.5f}).zones[0].colour.opacity, 0.5f);
    EXPECT_EQ(get({true, false, 0.5f}).totalGoals, 2);
    EXPECT_EQ(cache.Recomputations(), 6);
    get({true, false, 0.5f});
    EXPECT_EQ(cache.Recomputations(), 6);

    ClearGrid(shots);
    const auto& empty = get({true, false, 0.5f});
    EXPECT_FALSE(empty.anyShot);
    EXPECT_TRUE(empty.zones.empty());
}
