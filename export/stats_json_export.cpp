// The statistics file "zando_stats.json": 141 pretty-printed lines with the match's figures and both
// per-match grids.
#include <string>
#include <type_traits>

#include "export/number_text.h"
#include "export/utc_timestamp.h"
#include "plugin/path_text.h"
#include "plugin/zando.h"

namespace {

template <class Cell>
std::string GridLines(const Grid<Cell>& grid) {
    std::string lines;
    for (std::size_t r = 0; r < grid.size(); ++r) {
        lines += "    [";
        for (std::size_t c = 0; c < grid[r].size(); ++c) {
            if (c > 0) lines += ", ";
            if constexpr (std::is_floating_point_v<Cell>) lines += zando::NumberText(grid[r][c]);
            else lines += std::to_string(grid[r][c]);
        }
        lines += r + 1 < grid.size() ? "],\n" : "]\n";
    }
    return lines;
}

}  // namespace

bool ZANDO::ExportStatsJson() {
    const std::string fileName = zando::FileInFolder(gameWrapper->GetDataFolder(), "zando_stats.json");
    const auto member = [](const char* key, const std::string& value) { return std::string("  \"") + key + "\": " + value + ",\n"; };
    std::string json = "{\n";
    json += member("timestamp", "\"" + zando::UtcTimestamp() + "\"");
    json += member("shots", std::to_string(shots));
    json += member("goals", std::to_string(goals));
    json += member("averageSpeed", zando::NumberText(AverageSpeed()));
    json += member("speedSamples", std::to_string(speedSamples));
    json += member("boostCollected", zando::NumberText(boostCollected));
    json += member("boostUsed", zando::NumberText(boostUsed));
    json += member("gameTime", zando::NumberText(gameTime));
    json += member("possessionTime", zando::NumberText(possessionTime));
    json += member("teamPossessionTime", zando::NumberText(teamPossessionTime));
    json += member("opponentPossessionTime", zando::NumberText(opponentPossessionTime));
    json += "  \"shotHeatmap\": [\n" + GridLines(shotHeatmap) + "  ],\n";
    json += "  \"goalHeatmap\": [\n" + GridLines(goalHeatmap) + "  ]\n";
    json += "}\n";
    return WriteExportFile(fileName, json, "[EXPORT] ", "[EXPORT] Stats exported to: " + fileName);
}
