// The history's session summary, trend lines, averages and zone totals.
#include "history/history_summary.h"

#include <algorithm>

#include "base/saturating.h"

namespace zando {

std::vector<PlaylistSession> SessionByPlaylist(std::span<const HistoryRow> rows, int64_t nowSeconds) {
    // Back from now while no break of an hour comes between the matches.
    std::size_t first = rows.size();
    int64_t later = nowSeconds;
    while (first > 0) {
        const int64_t ended = UtcSeconds(rows[first - 1].endedAt);
        if (ended < 0 || later - ended >= SessionBreakSeconds) break;
        later = ended;
        --first;
    }
    std::vector<PlaylistSession> playlists;
    for (const HistoryRow& row : rows.subspan(first)) {
        auto found = std::find_if(playlists.begin(), playlists.end(),
                                  [&](const PlaylistSession& playlist) { return playlist.playlistId == row.playlistId; });
        if (found == playlists.end())
            found = playlists.insert(playlists.end(), PlaylistSession{row.playlistId, row.playlistName});
        found->matches += 1;
        if (row.result == "win") found->wins += 1;
        if (row.result == "loss" || row.result == "forfeit") found->losses += 1;
        if (row.mmrBefore > 0.0f) found->mmrGained += row.mmrChange;
    }
    return playlists;
}

std::vector<const HistoryRow*> OfPlaylist(std::span<const HistoryRow> rows, int32_t playlistId) {
    std::vector<const HistoryRow*> chosen;
    chosen.reserve(rows.size());
    for (const HistoryRow& row : rows)
        if (playlistId == AnyPlaylist || row.playlistId == playlistId) chosen.push_back(&row);
    return chosen;
}

Trends TrendsOf(std::span<const HistoryRow* const> rows, int count) {
    const std::size_t from =
        count < 0 || static_cast<std::size_t>(count) >= rows.size() ? 0 : rows.size() - static_cast<std::size_t>(count);
    Trends trends;
    for (std::size_t i = from; i < rows.size(); ++i) {
        const HistoryRow& row = *rows[i];
        if (row.mmrBefore > 0.0f) trends.mmr.push_back(row.mmrAfter);
        trends.averageSpeed.push_back(row.averageSpeed);
        trends.boostPerMinute.push_back(row.boostPerMinute);
        trends.shots.push_back(static_cast<float>(row.shots));
        trends.goals.push_back(static_cast<float>(row.goals));
    }
    return trends;
}

FigureAverages AveragesOf(std::span<const HistoryRow> rows) {
    FigureAverages averages;
    if (rows.empty()) return averages;
    double speed = 0.0, collected = 0.0, used = 0.0, shots = 0.0, goals = 0.0, possession = 0.0;
    for (const HistoryRow& row : rows) {
        speed += row.averageSpeed;
        collected += row.boostCollected;
        used += row.boostUsed;
        shots += row.shots;
        goals += row.goals;
        possession += row.duration > 0.0f ? 100.0 * row.possessionTime / row.duration : 0.0;
    }
    const double n = static_cast<double>(rows.size());
    averages.count = static_cast<int>(rows.size());
    averages.averageSpeed = static_cast<float>(speed / n);
    averages.boostCollected = static_cast<float>(collected / n);
    averages.boostUsed = static_cast<float>(used / n);
    averages.shots = static_cast<float>(shots / n);
    averages.goals = static_cast<float>(goals / n);
    averages.possessionPercent = static_cast<float>(possession / n);
    return averages;
}

ZoneTotals ZoneTotalsOf(std::span<const HistoryRow* const> rows, int first, int last) {
    ZoneTotals totals;
    SizeGrid(totals.shots);
    SizeGrid(totals.goals);
    if (rows.empty()) return totals;
    const int lastIndex = static_cast<int>(rows.size()) - 1;
    first = std::clamp(first, 0, lastIndex);
    last = std::clamp(last, first, lastIndex);
    const auto add = [](Grid<int32_t>& grid, const std::vector<ZoneCount>& zones) {
        for (const ZoneCount& zone : zones) {
            if (zone.row < 0 || zone.row >= GridRows || zone.col < 0 || zone.col >= GridCols || zone.count <= 0) continue;
            int32_t& cell = grid[static_cast<std::size_t>(zone.row)][static_cast<std::size_t>(zone.col)];
            cell = SaturatingAdd(cell, zone.count);
        }
    };
    for (int i = first; i <= last; ++i) {
        add(totals.shots, rows[static_cast<std::size_t>(i)]->shotZones);
        add(totals.goals, rows[static_cast<std::size_t>(i)]->goalZones);
    }
    totals.matches = last - first + 1;
    for (const int32_t shots : totals.shots.Cells()) {
        totals.peakShots = std::max(totals.peakShots, shots);
        totals.shotTotal = SaturatingAdd(totals.shotTotal, shots);
    }
    for (const int32_t goals : totals.goals.Cells()) totals.goalTotal = SaturatingAdd(totals.goalTotal, goals);
    return totals;
}

}  // namespace zando
