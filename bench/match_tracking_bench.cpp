// Match tracking hot paths, on the plug-in library loaded by its symbols: a tick of a 3v3 match (six
// cars' inputs), a counted shot on the game thread and its all-time save on the worker, and a match's
// end on the game thread (uploads off, and with a dashboard that never answers), and the panel's frame
// while an upload hangs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/host_windows_frame.h"
#include "host/runtime/host.h"
#include "host/runtime/match_control.h"
#include "sandbox/trace_player.h"

#if !defined(_WIN32)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

// A loopback port whose connections the kernel accepts and nobody ever answers.
struct NeverAnsweringServer {
    int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    int port = 0;
    NeverAnsweringServer() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(socket, 64) != 0 ||
            ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("no loopback port");
        port = ntohs(address.sin_port);
    }
    ~NeverAnsweringServer() { ::close(socket); }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port); }
};

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

// Waits for the plug-in's worker and applies its outcomes, outside the timing.
void Settle(benchmark::State& state, LoadedMatch& game) {
    state.PauseTiming();
    sandbox::SettleWorkers(game.host);
    game.host.GetConsole().ClearLines();
    state.ResumeTiming();
}

// A counted shot on the game thread: the figures, the zone, the all-time grids and the save handed to
// the worker (its write and flush are the next benchmark's).
void BM_CountedShotOnTheGameThread(benchmark::State& state) {
    LoadedMatch game;
    game.match.SetBall({0, 3000, 93});
    float clock = 0.0f;
    for (auto _ : state) {
        clock += 2.0f;  // beyond the duplicate window
        game.match.SetClock(clock);
        game.match.CarHitBall(*game.local);
        game.match.StatTicker(*game.local, "Shot on Goal");
        Settle(state, game);
    }
}
BENCHMARK(BM_CountedShotOnTheGameThread);

// The all-time file saved whole on the worker: written, flushed to the disk, renamed into place.
void BM_AllTimeSaveOnTheWorker(benchmark::State& state) {
    LoadedMatch game;
    game.match.SetBall({0, 3000, 93});
    float clock = 0.0f;
    for (auto _ : state) {
        state.PauseTiming();
        clock += 2.0f;
        game.match.SetClock(clock);
        game.match.CarHitBall(*game.local);
        game.match.StatTicker(*game.local, "Shot on Goal");
        state.ResumeTiming();
        sandbox::SettleWorkers(game.host);
    }
}
BENCHMARK(BM_AllTimeSaveOnTheWorker);

// A match's end on the game thread, with uploads off and with a dashboard that accepts the connection
// and never answers: the statistics file's text, the history's row and the signed request are made,
// and the writing and sending handed to the worker.
void BM_MatchEndOnTheGameThread(benchmark::State& state) {
    LoadedMatch game;
    const bool hungDashboard = state.range(0) == 1;
    NeverAnsweringServer server;
    if (hungDashboard)
        game.host.GetConsole().Execute("zando_enable_upload 1; zando_api_key zk_bench; zando_server_url " + server.Url());
    float clock = 0.0f;
    for (auto _ : state) {
        state.PauseTiming();
        game.host.FireEvent(host::events::InitGame);
        game.host.FireEvent(host::events::CountdownEndState);
        for (int shot = 0; shot < 10; ++shot) {
            clock += 2.0f;
            game.match.SetClock(clock);
            game.match.SetBall({shot * 300.0f - 1500.0f, 3000, 93});
            game.match.CarHitBall(*game.local);
            game.match.StatTicker(*game.local, "Shot on Goal");
        }
        if (!hungDashboard) sandbox::SettleWorkers(game.host);
        state.ResumeTiming();
        game.host.FireEvent(host::events::MatchEnded);
        state.PauseTiming();
        if (!hungDashboard) sandbox::SettleWorkers(game.host);
        game.host.GetConsole().ClearLines();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MatchEndOnTheGameThread)->Arg(0)->Arg(1)->Repetitions(5)->ReportAggregatesOnly(true)->Iterations(20);

// The control panel's frames on the render thread while a match's upload waits for a dashboard that
// never answers: the exchange holds no lock, so a frame costs what it always does. "longest_ms" is the
// longest frame.
void BM_PanelFrameWhileAnUploadHangs(benchmark::State& state) {
    LoadedMatch game;
    NeverAnsweringServer server;
    game.host.GetConsole().Execute("zando_enable_upload 1; zando_api_key zk_bench; zando_server_url " + server.Url() +
                                   "; togglemenu ZANDO");
    game.host.Advance(0.0);
    HostWindowsFrame frames(game.host);
    game.match.SetClock(30.0f);
    game.match.CarHitBall(*game.local);
    game.match.StatTicker(*game.local, "Shot on Goal");
    game.host.FireEvent(host::events::MatchEnded);  // its upload now waits on the worker
    frames.Frame();                                 // the first frame builds the font atlas and places the windows
    frames.Frame();
    double longest = 0.0;
    int slow = 0;  // frames over 1 ms
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(frames.Frame());
        const double took = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        longest = std::max(longest, took);
        slow += took > 1.0 ? 1 : 0;
    }
    state.counters["longest_ms"] = longest;
    state.counters["over_1ms"] = static_cast<double>(slow);
}
BENCHMARK(BM_PanelFrameWhileAnUploadHangs)->Unit(benchmark::kMicrosecond);

}  // namespace
