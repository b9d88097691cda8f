// Match tracking hot paths, on the plug-in library loaded by its symbols: a tick of a 3v3 match (six
// cars' inputs), and one all-time heatmap save with its flush (a counted shot rewrites the whole file).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/runtime/host.h"
#include "host/runtime/match_control.h"

namespace {

struct LoadedMatch {
    std::filesystem::path home = std::filesystem::temp_directory_path() / "zando-bench-match";
    host::Host host{home};
    host::MatchControl match{host};
    host::game::Car* local = nullptr;
    std::vector<host::game::Car*> cars;

    LoadedMatch() {
        host.GetConsole().SetLineSink(nullptr);
        host::LoadResult loaded = host.LoadPlugin(ZANDO_PLUGIN_PATH, "ZANDO");
        if (!loaded.plugin) throw std::runtime_error(loaded.error);
        const host::game::Playlist standard{"Ranked Standard", 1, 13};
        match.StartMatch(&standard);
        for (int i = 0; i < 6; ++i) {
            host::game::Car& car = match.AddCar(i % 2, {i * 500.0f - 1500.0f, i % 2 ? 2000.0f : -2000.0f, 17}, i == 0);
            cars.push_back(&car);
            if (i == 0) local = &car;
        }
        host.FireEvent(host::events::InitGame);
        host.FireEvent(host::events::CountdownEndState);
    }
    ~LoadedMatch() {
        while (!host.Plugins().empty()) host.UnloadPlugin(host.Plugins().back().get());
        std::filesystem::remove_all(home);
    }
};

// One physics tick of a 3v3 match: the clock moves once, then the game sends every car's input, so
// five of six calls see a clock they already saw. "per_call" is the time of one call.
void BM_SampleTickIn3v3(benchmark::State& state) {
    LoadedMatch game;
    float clock = 0.0f;
    for (auto _ : state) {
        clock += 1.0f / 120.0f;
        game.match.SetClock(clock);
        game.local->location.Y += 10.0f;
        for (host::game::Car* car : game.cars) game.match.CarInput(*car);
        game.host.GetConsole().ClearLines();
    }
    state.counters["per_call"] =
        benchmark::Counter(6.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SampleTickIn3v3);

// A counted shot and the all-time file saved whole: written, flushed to the disk, renamed into place.
void BM_AllTimeSaveOnACountedShot(benchmark::State& state) {
    LoadedMatch game;
    game.match.SetBall({0, 3000, 93});
    float clock = 0.0f;
    for (auto _ : state) {
        clock += 2.0f;  // beyond the duplicate window
        game.match.SetClock(clock);
        game.match.CarHitBall(*game.local);
        game.match.StatTicker(*game.local, "Shot on Goal");
        game.host.GetConsole().ClearLines();
    }
}
BENCHMARK(BM_AllTimeSaveOnACountedShot);

}  // namespace
