// Whole matches through the plug-in loaded by its symbols: a simulated 5-minute ranked 3v3 (seed 8,
// 60 frames a second) played record by record, and the replay of its version-2 trace as the sandbox
// replays one (read and checked to its end, its records held, then played from memory). "x_real_time"
// is the match's host time over the CPU time it took; the replay should take no longer than the
// simulation that wrote the trace.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "host/runtime/host.h"
#include "sandbox/checked_trace.h"
#include "sandbox/simulated_play.h"
#include "sandbox/trace_file.h"
#include "sandbox/trace_player.h"

namespace {

const sandbox::SimulationSettings Match3v3{8, 3, 60.0, 1};

struct LoadedHost {
    std::filesystem::path home;
    std::unique_ptr<host::Host> host;
    explicit LoadedHost(const std::string& name) : home(std::filesystem::temp_directory_path() / name) {
        std::filesystem::remove_all(home);
        host = std::make_unique<host::Host>(home);
        host->GetConsole().SetLineSink(nullptr);
        host::LoadResult loaded = host->LoadPlugin(ZANDO_PLUGIN_PATH, "ZANDO");
        if (!loaded.plugin) throw std::runtime_error(loaded.error);
        host->GetConsole().Execute("zando_enable_upload 0");
    }
    ~LoadedHost() {
        while (!host->Plugins().empty()) host->UnloadPlugin(host->Plugins().back().get());
        host.reset();
        std::filesystem::remove_all(home);
    }
};

void BM_Simulated3v3Match(benchmark::State& state) {
    double hostSeconds = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        auto loaded = std::make_unique<LoadedHost>("zando-bench-simulate");
        state.ResumeTiming();
        sandbox::PlaySimulatedMatch(*loaded->host, Match3v3);
        hostSeconds += loaded->host->GetScheduler().Now();
        state.PauseTiming();
        loaded.reset();
        state.ResumeTiming();
    }
    state.counters["x_real_time"] = benchmark::Counter(hostSeconds, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Simulated3v3Match)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Replayed3v3Trace(benchmark::State& state) {
    const auto trace = std::filesystem::temp_directory_path() / "zando-bench-replay.jsonl";
    {
        LoadedHost writing("zando-bench-replay-write");
        sandbox::TraceWriter writer(trace, {sandbox::TraceFormatVersion, "benchmark"});
        sandbox::PlaySimulatedMatch(*writing.host, Match3v3, &writer);
        writer.Close();
    }
    double hostSeconds = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        auto loaded = std::make_unique<LoadedHost>("zando-bench-replay");
        state.ResumeTiming();
        const sandbox::CheckedTrace checked(trace);
        sandbox::TracePlayer player(*loaded->host);
        checked.Play([&player](const sandbox::TraceRecord& record) { player.Play(record); });
        hostSeconds += player.Now();
        state.PauseTiming();
        loaded.reset();
        state.ResumeTiming();
    }
    state.counters["x_real_time"] = benchmark::Counter(hostSeconds, benchmark::Counter::kIsRate);
    state.counters["trace_MB"] = static_cast<double>(std::filesystem::file_size(trace)) / 1e6;
    std::filesystem::remove(trace);
}
BENCHMARK(BM_Replayed3v3Trace)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
