// The statistics file "zando_stats.json": 141 pretty-printed lines with the match's figures and both
// per-match grids.
#include <charconv>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "base/path_text.h"
#include "base/utc_timestamp.h"
#include "export/number_text.h"
#include "plugin/zando.h"

namespace {

// A figure as NumberText writes it, straight into text: most cells are 0, and a stream per cell would
// cost the game thread more than the rest of the match's end together.
void AppendNumber(std::string& text, float value) {
    if (value == 0.0f && !std::signbit(value)) {
        text += '0';
        return;
    }
    char digits[32];
    const auto [end, error] =
        std::to_chars(digits, digits + sizeof digits, static_cast<double>(value), std::chars_format::general, 6);
    if (error == std::errc())
        text.append(digits, end);
    else
        text += zando::NumberText(value);
}
void AppendNumber(std::string& text, int32_t value) {
    char digits[16];
    text.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

template <class Cell>
void AppendGridLines(std::string& lines, const Grid<Cell>& grid) {
    for (std::size_t r = 0; r < grid.size(); ++r) {
        lines += "    [";
        for (std::size_t c = 0; c < grid[r].size(); ++c) {
            if (c > 0) lines += ", ";
            AppendNumber(lines, grid[r][c]);
        }
        lines += r + 1 < grid.size() ? "],\n" : "]\n";
    }
}

}  // namespace

void ZANDO::ExportStatsJson(std::string thenLine) {
    std::vector<std::string> said;
    std::string json = StatsJsonText(CurrentRecord(), said);
    for (const std::string& line : said) cvarManager->log(line);
    WriteExportFile(StatsJsonFileName(), std::move(json), "[EXPORT] ", "[EXPORT] Stats exported to: " + StatsJsonFileName(),
                    std::move(thenLine));
}

std::string ZANDO::StatsJsonFileName() const { return zando::FileInFolder(dataFolder, "zando_stats.json"); }

std::string ZANDO::StatsJsonText(const MatchRecord& record, std::vector<std::string>& said) const {
    const auto member = [](const char* key, const std::string& value) {
        return std::string("  \"") + key + "\": " + value + ",\n";
    };
    const auto number = [&](const char* key, float value) {
        return zando::FiniteNumberText(
            value, [&] { said.push_back(std::string("[EXPORT] ⚠ ") + key + " is not a finite number - written as 0"); });
    };
    std::string json;
    json.reserve(16384);
    json += "{\n";
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
    json += "  \"shotHeatmap\": [\n";
    AppendGridLines(json, record.shotHeatmap);
    json += "  ],\n  \"goalHeatmap\": [\n";
    AppendGridLines(json, record.goalHeatmap);
    json += "  ]\n}\n";
    return json;
}
