// The upload body written from a match record (key order in the header).
#include "upload/upload_body.h"

#include <type_traits>
#include <utility>

#include "export/number_text.h"
#include "upload/heatmap_downsampling.h"
#include "upload/json_string.h"

namespace {

template <class Cell, class NotFinite>
std::string GridArray(const Grid<Cell>& grid, NotFinite&& notFinite) {
    std::string text = "[";
    for (std::size_t r = 0; r < grid.size() && r < 10; ++r) {
        if (r > 0) text += ",";
        text += "[";
        for (std::size_t c = 0; c < grid[r].size() && c < 10; ++c) {
            if (c > 0) text += ",";
            if constexpr (std::is_floating_point_v<Cell>) text += zando::FiniteNumberText(grid[r][c], notFinite);
            else text += std::to_string(grid[r][c]);
        }
        text += "]";
    }
    return text + "]";
}

}  // namespace

namespace zando {

std::string UploadBody(const MatchRecord& record, std::string_view timestamp,
                       const std::function<void(const char* key)>& notFinite) {
    const auto number = [&](const char* key, float value) {
        return FiniteNumberText(value, [&] { notFinite(key); });
    };
    std::string body = "{";
    body += "\"timestamp\":\"" + JsonEscaped(timestamp) + "\"";
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
    body += ",\"playlist\":\"" + JsonEscaped(record.playlistName) + "\"";
    body += std::string(",\"isRanked\":") + (record.isRanked ? "true" : "false");
    body += ",\"mmr\":" + number("mmr", record.initialMmr);
    body += ",\"mmrChange\":" + number("mmrChange", record.mmrChange);
    // A cell that is not finite is sent as 0; the grid is named once, however many cells it has so.
    bool heatNamed = false;
    const auto heatNotFinite = [&] {
        if (!std::exchange(heatNamed, true)) notFinite("shotHeatmap");
    };
    body += ",\"shotHeatmap\":" + GridArray(DownsampleShotHeatmap(record.shotHeatmap), heatNotFinite);
    body += ",\"goalHeatmap\":" + GridArray(DownsampleGoalHeatmap(record.goalHeatmap), [] {});
    return body + "}";
}

}  // namespace zando
