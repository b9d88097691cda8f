// The match history: adding a finished match (one transaction, on the disk before it returns) to a
// history of 10 and of 10,000 matches; reading what a summary asks for (the last 10 matches, the last
// 10 of one playlist, the count); and the history window on 10,000 matches.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <vector>

#include "bench/host_windows_frame.h"
#include "history/match_history.h"
#include "host/runtime/host.h"

namespace {

zando::HistoryRow ExampleRow(int n) {
    zando::HistoryRow row;
    row.endedAt = "2026-12-08T04:00:00Z";
    row.playlistId = 10 + n % 4;
    row.playlistName = "Ranked Doubles";
    row.ranked = true;
    row.team = n % 2;
    row.duration = 300.0f;
    row.mmrBefore = 1000.0f + static_cast<float>(n % 50);
    row.mmrChange = 9.5f;
    row.mmrAfter = row.mmrBefore + row.mmrChange;
    row.shots = 4;
    row.goals = 2;
    row.averageSpeed = 1400.0f;
    row.boostPerMinute = 300.0f;
    row.shotZones = {{3, 10, 2}, {5, 20, 1}, {8, 24, 1}};
    row.goalZones = {{3, 10, 2}};
    return row;
}

// A history of `matches` rows in a fresh file, added in one transaction.
struct FilledHistory {
    std::filesystem::path file = std::filesystem::temp_directory_path() / "zando-bench-history.sqlite3";
    zando::MatchHistory history{[](const std::string&) {}};
    explicit FilledHistory(int matches) {
        std::filesystem::remove(file);
        if (!history.Open(file).usable) throw std::runtime_error("the benchmark's history cannot be opened");
        std::vector<zando::HistoryRow> rows;
        for (int n = 0; n < matches; ++n) rows.push_back(ExampleRow(n));
        if (!history.AddAll(rows)) throw std::runtime_error("the benchmark's history cannot be filled");
    }
    ~FilledHistory() {
        history.Close();
        std::filesystem::remove(file);
    }
};

void BM_AddMatchDurably(benchmark::State& state) {
    FilledHistory filled(static_cast<int>(state.range(0)));
    int n = 0;
    for (auto _ : state) {
        zando::HistoryRow row = ExampleRow(n++);
        benchmark::DoNotOptimize(filled.history.Add(row));
    }
}
BENCHMARK(BM_AddMatchDurably)->Arg(10)->Arg(10000)->Iterations(200)->Unit(benchmark::kMillisecond);

void BM_SummaryQueriesOf10000Matches(benchmark::State& state) {
    static FilledHistory filled(10000);
    for (auto _ : state) {
        benchmark::DoNotOptimize(filled.history.Last(10));
        benchmark::DoNotOptimize(filled.history.LastOfPlaylist(11, 10));
        benchmark::DoNotOptimize(filled.history.Count());
    }
}
BENCHMARK(BM_SummaryQueriesOf10000Matches)->Unit(benchmark::kMicrosecond);

}  // namespace

// The history window beside the panel, on a history of 10,000 matches: the frames that open it (the
// rows read a part a frame, and everything it shows worked out; the longest of them is timed) and the
// frames after it (drawn from what it kept).
struct HistoryWindowShown {
    std::filesystem::path home = std::filesystem::temp_directory_path() / "zando-bench-history-window";
    std::unique_ptr<host::Host> host;
    std::unique_ptr<HostWindowsFrame> windows;
    HistoryWindowShown() {
        std::filesystem::remove_all(home);
        std::filesystem::create_directories(home / "data");
        {
            zando::MatchHistory history{[](const std::string&) {}};
            if (!history.Open(home / "data" / "zando_history.sqlite3").usable) throw std::runtime_error("no history");
            std::vector<zando::HistoryRow> rows;
            for (int n = 0; n < 10000; ++n) rows.push_back(ExampleRow(n));
            history.AddAll(rows);
        }
        host = std::make_unique<host::Host>(home);
        host->GetConsole().SetLineSink(nullptr);
        host::LoadResult loaded = host->LoadPlugin(ZANDO_PLUGIN_PATH, "ZANDO");
        if (!loaded.plugin) throw std::runtime_error(loaded.error);
        windows = std::make_unique<HostWindowsFrame>(*host);
        host->GetConsole().Execute("togglemenu ZANDO; zando_history_window");
    }
    int Frame() { return windows->Frame(); }
    ~HistoryWindowShown() {
        windows.reset();
        while (!host->Plugins().empty()) host->UnloadPlugin(host->Plugins().back().get());
        host.reset();
        std::filesystem::remove_all(home);
    }
};

void BM_HistoryWindowOpeningOn10000Matches(benchmark::State& state) {
    HistoryWindowShown shown;
    for (auto _ : state) {
        // Untimed: the window shut and opened again, so that its next frame reads the history anew.
        shown.host->GetConsole().Execute("plugin reload ZANDO; togglemenu ZANDO; zando_history_window");
        // The longest of the frames that read the history (1,000 matches a frame) and the one after.
        double longest = 0.0;
        for (int frame = 0; frame < 11; ++frame) {
            const auto start = std::chrono::steady_clock::now();
            shown.Frame();
            longest = std::max(longest, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        state.SetIterationTime(longest);
    }
    state.counters["vertices"] = static_cast<double>(shown.Frame());
}
BENCHMARK(BM_HistoryWindowOpeningOn10000Matches)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

void BM_HistoryWindowFrameOn10000Matches(benchmark::State& state) {
    HistoryWindowShown shown;
    shown.Frame();
    int vertices = 0;
    for (auto _ : state) benchmark::DoNotOptimize(vertices = shown.Frame());
    state.counters["vertices"] = static_cast<double>(vertices);
}
BENCHMARK(BM_HistoryWindowFrameOn10000Matches)->Unit(benchmark::kMicrosecond);
