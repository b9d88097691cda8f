// One frame of each canvas overlay on the recording canvas, on the plug-in library loaded by its
// symbols: the heatmap in frequency and accuracy mode (a dozen shots spread over the field), and the
// post-game card in its normal and compact views. Reports the canvas calls a frame makes.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "host/runtime/host.h"
#include "host/runtime/match_control.h"
#include "host/runtime/recording_canvas.h"

namespace {

struct ShownMatch {
    std::filesystem::path home = std::filesystem::temp_directory_path() / "zando-bench-overlay";
    host::Host host{home};
    host::MatchControl match{host};

    explicit ShownMatch(const std::string& settings) {
        host.GetConsole().SetLineSink(nullptr);
        host::LoadResult loaded = host.LoadPlugin(ZANDO_PLUGIN_PATH, "ZANDO");
        if (!loaded.plugin) throw std::runtime_error(loaded.error);
        match.StartMatch();
        host::game::Car& local = match.AddCar(0, {0, 0, 17}, true);
        match.SetBall({0, 3000, 93});
        host.FireEvent(host::events::InitGame);
        for (int shot = 0; shot < 12; ++shot) {  // shots from all over the attacking half, some of them goals
            match.SetClock(10.0f + 5.0f * static_cast<float>(shot));
            local.location = {-3000.0f + 500.0f * static_cast<float>(shot), 400.0f * static_cast<float>(shot), 17};
            match.CarHitBall(local);
            match.StatTicker(local, "Shot on Goal");
            if (shot % 3 == 0) match.StatTicker(local, "Goal");
        }
        host.GetConsole().Execute(settings);
    }
    ~ShownMatch() {
        while (!host.Plugins().empty()) host.UnloadPlugin(host.Plugins().back().get());
        std::filesystem::remove_all(home);
    }
};

void Frame(benchmark::State& state, const std::string& settings) {
    ShownMatch shown(settings);
    host::RecordingCanvas canvas;
    std::size_t calls = 0;
    for (auto _ : state) {
        canvas.Clear();
        shown.host.RenderFrame(&canvas);
        calls = canvas.Calls().size();
        benchmark::DoNotOptimize(calls);
    }
    state.counters["canvas_calls"] = static_cast<double>(calls);
}

void BM_HeatmapFrequencyFrame(benchmark::State& state) { Frame(state, "zando_show_heatmap 1; zando_show_postgame 0"); }
void BM_HeatmapAccuracyFrame(benchmark::State& state) {
    Frame(state, "zando_show_heatmap 1; zando_show_postgame 0; zando_show_accuracy_overlay 1");
}
void BM_PostGameCardFrame(benchmark::State& state) { Frame(state, "zando_show_heatmap 0; zando_show_postgame 1"); }
void BM_PostGameCompactFrame(benchmark::State& state) {
    Frame(state, "zando_show_heatmap 0; zando_show_postgame 1; zando_minimalistic 1");
}
BENCHMARK(BM_HeatmapFrequencyFrame);
BENCHMARK(BM_HeatmapAccuracyFrame);
BENCHMARK(BM_PostGameCardFrame);
BENCHMARK(BM_PostGameCompactFrame);

}  // namespace
