// The upload body: one compact JSON line with the match's figures, its metadata and both grids
// reduced to 10 x 10, in a fixed key order.
#include <string>
#include <type_traits>

#include "export/number_text.h"
#include "export/utc_timestamp.h"
#include "plugin/zando.h"
#include "upload/heatmap_downsampling.h"
#include "upload/json_string.h"

namespace {

template <class Cell>
std::string GridArray(const Grid<Cell>& grid) {
    std::string text = "[";
    for (std::size_t r = 0; r < grid.size() && r < 10; ++r) {
        if (r > 0) text += ",";
        text += "[";
        for (std::size_t c = 0; c < grid[r].size() && c < 10; ++c) {
            if (c > 0) text += ",";
            if constexpr (std::is_floating_point_v<Cell>) text += zando::NumberText(grid[r][c]);
            else text += std::to_string(grid[r][c]);
        }
        text += "]";
    }
    return text + "]";
}

}  // namespace

std::string ZANDO::BuildUploadPayload() const { return BuildUploadPayload(CurrentRecord()); }

std::string ZANDO::BuildUploadPayload(const MatchRecord& record) const {
    const auto number = [this](const char* key, float value) {
        return zando::FiniteNumberText(value, [&] { cvarManager->log(std::string("[ZANDO] ⚠ ") + key + " is not a finite number - sent as 0"); });
    };
    std::string body = "{";
    body += "\"timestamp\":\"" + zando::UtcTimestamp() + "\"";
    body += ",\"shots\":" + std::to_string(record.shots);
    body += ",\"goals\":" + std::to_string(record.goals);
    body += ",\"averageSpeed\":" + number("averageSpeed", record.AverageSpeed());
    body += ",\"speedSamples\":" + std::to_string(record.speedSamples);
    body += ",\"boostCollected\":" + number("boostCollected", record.boostCollected);
    body += ",\"boostUsed\":" + number("boostUsed", record.boostUsed);
    body += ",\"gameTime\":" + number("gameTime", record.gameTime);
    body += ",\"possessionTime\":" + number("possessionTime", record.possessionTime);
    body += ",\"teamPossessionTime\":" + number("teamPossessionTime", record.teamPossessionTime);
    body += ",\"opponentPossessionTime\":" + number("opponentPossessionTime", record.opponentPossessionTime);
    // The title is the game's text: escaped, so a quote or a backslash in it cannot break the body.
    body += ",\"playlist\":\"" + zando::JsonEscaped(record.playlistName) + "\"";
    body += std::string(",\"isRanked\":") + (record.isRanked ? "true" : "false");
    body += ",\"mmr\":" + number("mmr", record.initialMmr);
    body += ",\"mmrChange\":" + number("mmrChange", record.mmrChange);
    body += ",\"shotHeatmap\":" + GridArray(zando::DownsampleShotHeatmap(record.shotHeatmap));
    body += ",\"goalHeatmap\":" + GridArray(zando::DownsampleGoalHeatmap(record.goalHeatmap));
    return body + "}";
}
