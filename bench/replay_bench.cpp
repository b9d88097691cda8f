// Real matches from the game's replay files: reading a whole replay (both checksums, the header, the
// body's tables and every network frame), with its bytes a second; and the match played through the
// plug-in loaded by its symbols as its recording player, "x_real_time" being the match's host time over
// the CPU time it took. The instructions a byte of the reader: run replay-info under callgrind (README).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "host/runtime/host.h"
#include "replay/replay_file.h"
#include "sandbox/replay_game.h"
#include "sandbox/replay_play.h"

namespace {

const std::filesystem::path WholeMatch =
    std::filesystem::path(ZANDO_SOURCE_DIR) / "tests" / "fixtures" / "replays" / "28fd.replay";

void BM_ReadWholeReplay(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = replay::LoadReplayBytes(WholeMatch);
    for (auto _ : state) {
        replay::Replay read = replay::ReadReplay(bytes);
        benchmark::DoNotOptimize(read.match.frames.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ReadWholeReplay)->Unit(benchmark::kMillisecond);

void BM_ReplayPlayedThroughThePlugin(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = replay::LoadReplayBytes(WholeMatch);
    const replay::Replay read = replay::ReadReplay(bytes);
    const sandbox::ReplayGame game(read, sandbox::RecordingPlayer(read));
    const auto home = std::filesystem::temp_directory_path() / "zando-bench-replay-game";
    double hostSeconds = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(home);
        auto host = std::make_unique<host::Host>(home);
        host->GetConsole().SetLineSink(nullptr);
        host::LoadResult loaded = host->LoadPlugin(ZANDO_PLUGIN_PATH, "ZANDO");
        if (!loaded.plugin) throw std::runtime_error(loaded.error);
        host->GetConsole().Execute("zando_enable_upload 0");
        state.ResumeTiming();
        sandbox::PlayReplayGame(*host, game);
        hostSeconds += host->GetScheduler().Now();
        state.PauseTiming();
        host->UnloadPlugin(loaded.plugin);
        host.reset();
        state.ResumeTiming();
    }
    std::filesystem::remove_all(home);
    state.counters["x_real_time"] = benchmark::Counter(hostSeconds, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReplayPlayedThroughThePlugin)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
