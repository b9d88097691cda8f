// The plug-in's match history: opened at load, a row added for each finished match (on the worker), the playlist's
// last matches for the post-game card, and the console commands that print it ("zando_history [N]"),
// write it as "zando_history.csv" and show its window.
#include <charconv>
#include <string>
#include <vector>

#include "base/path_text.h"
#include "base/utc_timestamp.h"
#include "heatmap/heatmap_drawing.h"
#include "history/history_summary.h"
#include "plugin/zando.h"

namespace {

// The zones of a grid that hold something, row 0 first, with their counts.
template <class Cell, class CountOf>
std::vector<zando::ZoneCount> ZonesOf(const Grid<Cell>& grid, CountOf countOf) {
    std::vector<zando::ZoneCount> zones;
    for (std::size_t r = 0; r < grid.size(); ++r)
        for (std::size_t c = 0; c < grid.Cols(); ++c)
            if (const int32_t count = countOf(grid[r][c]); count > 0)
                zones.push_back({static_cast<int>(r), static_cast<int>(c), count});
    return zones;
}

float ShareOf(float part, float whole) { return whole > 0.0f ? part / whole : 0.0f; }

}  // namespace

std::filesystem::path ZANDO::MatchHistoryPath() const {
    return zando::TextPath(zando::FileInFolder(dataFolder, "zando_history.sqlite3"));
}

void ZANDO::OpenMatchHistory() {
    // Its lines are said at once at load; on the worker, in order with the rest of the worker's lines.
    if (!shownHistory) shownHistory = std::make_shared<zando::HistoryShown>();
    if (!matchHistory)
        matchHistory = std::make_shared<zando::MatchHistory>([this](const std::string& line) {
            if (zando::Worker::OnWorkerThread())
                LogLater(line);
            else
                cvarManager->log(line);
        });
    matchHistory->Open(MatchHistoryPath());
    ++historyRevision;
}

zando::HistoryRow ZANDO::HistoryRowOf(const MatchRecord& record) const {
    zando::HistoryRow row;
    row.endedAt = zando::UtcTimestamp();
    row.playlistId = record.playlistId;
    row.playlistName = record.playlistName;
    row.ranked = record.isRanked;
    row.team = record.team;
    // Leaving a match forfeits it; otherwise the final score decides.
    const MatchOutcome outcome = record.Outcome();
    row.scoreFor = outcome.scoreFor;
    row.scoreAgainst = outcome.scoreAgainst;
    row.result = outcome.result;
    row.saves = record.saves;
    row.assists = record.assists;
    row.demolitions = record.demolitions;
    row.demolished = record.demolished;
    if (record.startedAt > 0) row.startedAt = zando::UtcText(record.startedAt);
    row.places = record.places;
    row.overtime = record.overtime;
    row.duration = record.gameTime;
    row.mmrBefore = record.initialMmr;
    row.mmrChange = record.mmrChange;
    row.mmrAfter = record.initialMmr > 0.0f ? record.initialMmr + record.mmrChange : 0.0f;
    row.shots = record.shots;
    row.goals = record.goals;
    row.averageSpeed = record.AverageSpeed();
    row.boostCollected = record.boostCollected;
    row.boostUsed = record.boostUsed;
    row.possessionTime = record.possessionTime;
    row.teamPossessionTime = record.teamPossessionTime;
    row.opponentPossessionTime = record.opponentPossessionTime;
    row.boostPerMinute = ShareOf(record.boostCollected, record.gameTime / 60.0f);
    row.supersonicShare = ShareOf(record.supersonicTime, record.gameTime);
    row.emptyTankShare = ShareOf(record.emptyTankTime, record.gameTime);
    row.fullTankShare = ShareOf(record.fullTankTime, record.gameTime);
    row.shotsPerGoal = record.goals > 0 ? static_cast<float>(record.shots) / static_cast<float>(record.goals) : 0.0f;
    row.shotZones = ZonesOf(record.shotHeatmap, [](float heat) { return zando::ShotsIn(heat); });
    row.goalZones = ZonesOf(record.goalHeatmap, [](int32_t goals) { return goals; });
    return row;
}

int64_t ZANDO::AddToHistory(zando::HistoryRow row) {
    if (!matchHistory) return 0;
    // A history refused at load (locked by another program, say) is tried again for each match.
    if (!matchHistory->IsOpen() && !matchHistory->Open(MatchHistoryPath()).usable) return 0;
    // Added without a console line: the match's end says what it did in lines others read; only a
    // failure of the history adds one.
    if (!matchHistory->Add(row)) return 0;
    Deliver([this] { ++historyRevision; });
    ReadHistoryAverages(row.playlistId, true);
    return row.id;
}

// The card compares the match with the 10 before it in the same playlist: read on the worker.
void ZANDO::UpdateHistoryAverages(int32_t playlistId, bool lastIsThisMatch) {
    OnWorker([this, playlistId, lastIsThisMatch] { ReadHistoryAverages(playlistId, lastIsThisMatch); });
}

void ZANDO::ReadHistoryAverages(int32_t playlistId, bool lastIsThisMatch) {
    zando::FigureAverages averages;
    if (matchHistory && matchHistory->IsOpen()) {
        std::vector<zando::HistoryRow> rows = matchHistory->LastOfPlaylist(playlistId, lastIsThisMatch ? 11 : 10);
        if (lastIsThisMatch && !rows.empty()) rows.pop_back();
        averages = zando::AveragesOf(rows);
    }
    Deliver([this, averages] { shownHistory->averages = averages; });
}

void ZANDO::RegisterHistoryCommands() {
    RegisterCommand(
        "zando_history",
        [this](std::vector<std::string> arguments) {
            int count = 10;
            if (arguments.size() >= 2) {
                const std::string& text = arguments[1];
                const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
                if (error != std::errc() || end != text.data() + text.size() || count < 1) {
                    cvarManager->log("[HISTORY] Usage: zando_history [N] - N, the number of matches, is a whole number from 1");
                    return;
                }
            }
            OnWorker([this, count] {
                if (!matchHistory || !matchHistory->IsOpen()) return LogLater("[HISTORY] The match history is unavailable");
                const std::vector<zando::HistoryRow> rows = matchHistory->Last(count);
                if (rows.empty()) LogLater("[HISTORY] No matches in the history yet");
                for (const zando::HistoryRow& row : rows) LogLater(zando::HistoryLine(row));
            });
        },
        "Print the last N matches of the match history (10 by default)");
    RegisterCommand(
        "export_history",
        [this](std::vector<std::string>) {
            const std::string fileName = zando::FileInFolder(dataFolder, "zando_history.csv");
            OnWorker([this, fileName] {
                if (!matchHistory || !matchHistory->IsOpen())
                    return LogLater("[HISTORY] The match history is unavailable - nothing exported");
                const std::vector<zando::HistoryRow> rows = matchHistory->Last(-1);
                // Written next on the worker, after this reading.
                WriteExportFile(fileName, zando::HistoryCsv(rows), "[HISTORY] ",
                                "[HISTORY] " + std::to_string(rows.size()) + (rows.size() == 1 ? " match" : " matches") +
                                    " exported to: " + fileName);
            });
        },
        "Export the match history to zando_history.csv");
    RegisterCommand(
        "zando_history_window",
        [this](std::vector<std::string>) {
            panel.showHistoryWindow = !panel.showHistoryWindow;
            cvarManager->log(
                std::string("[HISTORY] History window ") + (panel.showHistoryWindow ? "shown" : "hidden") +
                (panel.showHistoryWindow && !panel.isWindowOpen ? " - it opens with the ZANDO panel (togglemenu ZANDO)" : ""));
        },
        "Show or hide the match history window (beside the ZANDO panel)");
}
