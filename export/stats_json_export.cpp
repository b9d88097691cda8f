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

bool ZANDO::ExportStatsJson() { return ExportStatsJson(CurrentRecord()); }

bool ZANDO::ExportStatsJson(const MatchRecord& record) {
    const std::string fileName = zando::FileInFolder(gameWrapper->GetDataFolder(), "zando_stats.json");
    const auto member = [](const char* key, const std::string& value) { return std::string("  \"") + key + "\": " + value + ",\n"; };
    const auto number = [this](const char* key, float value) {
        return zando::FiniteNumberText(value, [&] { cvarManager->log(std::string("[EXPORT] ⚠ ") + key + " is not a finite number - written as 0"); });
    };
    std::string json = "{\n";
    json += member("timestamp", "\"" + zando::UtcTimestamp() + "\"");
    json += member("shots", std::to_string(record.shots));
    json += member("goals", std::to_string(record.goals));
    json += member("averageSpeed", number("averageSpeed", record.AverageSpeed()));
    json += member("speedSamples", std::to_string(record.speedSamples));
    json += member("boostCollected", number("boostCollected", record.boostCollected));
    json += member("boostUsed", number("boostUsed", record.boostUsed));
    json += member("gameTime", number("gameTime", record.gameTime));
    json += member("possessionTime", number("possessionTime", record.possessionTime));
    json += member("teamPossessionTime", number("teamPossessionTime", record.teamPossessionTime));
    json += member("opponentPossessionTime", number("opponentPossessionTime", record.opponentPossessionTime));
    json += "  \"shotHeatmap\": [\n" + GridLines(record.shotHeatmap) + "  ],\n";
    json += "  \"goalHeatmap\": [\n" + GridLines(record.goalHeatmap) + "  ]\n";
    json += "}\n";
    return WriteExportFile(fileName, json, "[EXPORT] ", "[EXPORT] Stats exported to: " + fileName);
}
