// Frames of the canvas overlays and the heatmap window, on the plug-in library loaded by its symbols.
// Both overlays together (the heatmap and the post-game card, as after a match) on a sparse grid (a
// dozen shots of this match) and on a filled one (the all-time grid with heat in every zone); unchanged
// frames, drawn from what the views kept; frames after an opacity change (a slider being dragged), which
// colour the zones again; and frames after a shot, which smooth the grid and colour the zones again. Each overlay alone too, and the heatmap window in a Dear ImGui frame.
#include <benchmark/benchmark.h>

#include <imgui.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/host_windows_frame.h"
#include "heatmap/alltime_heatmap_format.h"
#include "host/runtime/host.h"
#include "host/runtime/match_control.h"
#include "host/runtime/recording_canvas.h"

namespace {

// An all-time file with heat in every zone and goals in a third of them.
void WriteFilledAllTimeFile(const std::filesystem::path& dataFolder) {
    Grid<float> shots(GridRows, GridCols);
    Grid<int32_t> goals(GridRows, GridCols);
    for (int r = 0; r < GridRows; ++r)
        for (int c = 0; c < GridCols; ++c) {
            shots[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] = 5.0f * static_cast<float>(1 + (r * 7 + c * 3) % 11);
            goals[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] = (r + c) % 3 == 0 ? 1 : 0;
        }
    std::filesystem::create_directories(dataFolder);
    std::ofstream(dataFolder / "zando_alltime_heatmap.dat", std::ios::binary) << zando::EncodeAllTimeHeatmap(shots, goals);
}

struct ShownMatch {
    std::filesystem::path home = std::filesystem::temp_directory_path() / "zando-bench-overlay";
    std::unique_ptr<host::Host> host;
    std::unique_ptr<host::MatchControl> match;
    host::game::Car* local = nullptr;
    float clock = 0.0f;

    ShownMatch(const std::string& settings, bool filled) {
        std::filesystem::remove_all(home);
        if (filled) WriteFilledAllTimeFile(home / "data");
        host = std::make_unique<host::Host>(home);
        match = std::make_unique<host::MatchControl>(*host);
        host->GetConsole().SetLineSink(nullptr);
        host::LoadResult loaded = host->LoadPlugin(ZANDO_PLUGIN_PATH, "ZANDO");
        if (!loaded.plugin) throw std::runtime_error(loaded.error);
        match->StartMatch();
        local = &match->AddCar(0, {0, 0, 17}, true);
        match->SetBall({0, 3000, 93});
        host->FireEvent(host::events::InitGame);
        for (int shot = 0; shot < 12; ++shot) {  // shots from all over the attacking half, some of them goals
            Shoot({-3000.0f + 500.0f * static_cast<float>(shot), 400.0f * static_cast<float>(shot), 17});
            if (shot % 3 == 0) match->StatTicker(*local, "Goal");
        }
        host->GetConsole().Execute(settings + (filled ? "; zando_show_alltime_heatmap 1" : ""));
        host->GetConsole().ClearLines();
    }
    void Shoot(Vector from) {
        match->SetClock(clock += 5.0f);
        local->location = from;
        match->CarHitBall(*local);
        match->StatTicker(*local, "Shot on Goal");
    }
    ~ShownMatch() {
        while (!host->Plugins().empty()) host->UnloadPlugin(host->Plugins().back().get());
        match.reset();
        host.reset();
        std::filesystem::remove_all(home);
    }
};

enum class Change { None, Opacity, Shot };

// Opacity: the opacity alternates, so every frame colours the zones again; Shot: a shot from a place
// that moves round the attacking half before every frame, so every frame smooths too. Frames are drawn on a
// canvas that draws nothing, so the time is the plug-in's own; the calls a frame makes are counted
// once on the recording canvas, after the timed frames (so that under callgrind with
// --dump-before='host::Host::RenderFrame*' and one iteration, the third part is one timed frame).
void Frame(benchmark::State& state, const std::string& settings, bool filled = false, Change change = Change::None) {
    ShownMatch shown(settings, filled);
    host::BlindCanvas canvas;
    shown.host->RenderFrame(&canvas);  // the views work their zones out before the first timed frame
    bool flip = false;
    int shots = 0;
    for (auto _ : state) {
        // The change (a console statement that also saves the configuration, or a shot that also saves
        // the all-time file) is not timed: each frame is timed by hand, which costs less than pausing
        // the benchmark's clock.
        if (change == Change::Opacity)
            shown.host->GetConsole().Execute((flip = !flip) ? "zando_window_opacity 0.84" : "zando_window_opacity 0.85");
        if (change == Change::Shot) {
            ++shots;
            shown.Shoot({static_cast<float>(shots * 379 % 8000 - 4000), static_cast<float>(shots * 211 % 4000), 17});
        }
        const auto start = std::chrono::steady_clock::now();
        shown.host->RenderFrame(&canvas);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    host::RecordingCanvas recorded;
    shown.host->RenderFrame(&recorded);
    state.counters["canvas_calls"] = static_cast<double>(recorded.Calls().size());
}

const std::string BothOverlays = "zando_show_heatmap 1; zando_show_postgame 1; zando_sticky_mode 1";

void BM_BothOverlaysSparseUnchanged(benchmark::State& state) { Frame(state, BothOverlays); }
void BM_BothOverlaysSparseChanged(benchmark::State& state) { Frame(state, BothOverlays, false, Change::Opacity); }
void BM_BothOverlaysFilledUnchanged(benchmark::State& state) { Frame(state, BothOverlays, true); }
void BM_BothOverlaysFilledChanged(benchmark::State& state) { Frame(state, BothOverlays, true, Change::Opacity); }
void BM_BothOverlaysFilledShot(benchmark::State& state) { Frame(state, BothOverlays, true, Change::Shot); }
void BM_BothOverlaysFilledAccuracyUnchanged(benchmark::State& state) {
    Frame(state, BothOverlays + "; zando_show_accuracy_overlay 1", true);
}
void BM_HeatmapFrequencyFrame(benchmark::State& state) { Frame(state, "zando_show_heatmap 1; zando_show_postgame 0"); }
void BM_HeatmapAccuracyFrame(benchmark::State& state) {
    Frame(state, "zando_show_heatmap 1; zando_show_postgame 0; zando_show_accuracy_overlay 1");
}
void BM_PostGameCardFrame(benchmark::State& state) { Frame(state, "zando_show_heatmap 0; zando_show_postgame 1"); }
BENCHMARK(BM_BothOverlaysSparseUnchanged)->UseManualTime();
BENCHMARK(BM_BothOverlaysSparseChanged)->UseManualTime();
BENCHMARK(BM_BothOverlaysFilledUnchanged)->UseManualTime();
BENCHMARK(BM_BothOverlaysFilledChanged)->UseManualTime();
// Each shot also saves the all-time file (untimed); a fixed count keeps the run short.
BENCHMARK(BM_BothOverlaysFilledShot)->UseManualTime()->Iterations(2000);
BENCHMARK(BM_BothOverlaysFilledAccuracyUnchanged)->UseManualTime();
BENCHMARK(BM_HeatmapFrequencyFrame)->UseManualTime();
BENCHMARK(BM_HeatmapAccuracyFrame)->UseManualTime();
BENCHMARK(BM_PostGameCardFrame)->UseManualTime();

// The control panel's frame with the heatmap window beside it, on the filled grid: one Dear ImGui
// frame (new frame, the host's windows, render).
void BM_HeatmapWindowFilledFrame(benchmark::State& state) {
    ShownMatch shown("zando_show_heatmap 1", true);
    HostWindowsFrame windows(*shown.host);
    shown.host->GetConsole().Execute("togglemenu ZANDO");
    int vertices = 0;
    for (auto _ : state) benchmark::DoNotOptimize(vertices = windows.Frame());
    state.counters["vertices"] = static_cast<double>(vertices);
}
BENCHMARK(BM_HeatmapWindowFilledFrame);

}  // namespace
