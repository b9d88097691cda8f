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

std::string ZANDO::BuildUploadPayload() const {
    const auto number = [](float value) { return zando::NumberText(value); };
    std::string body = "{";
    body += "\"timestamp\":\"" + zando::UtcTimestamp() + "\"";
    body += ",\"shots\":" + std::to_string(shots);
    body += ",\"goals\":" + std::to_string(goals);
    body += ",\"averageSpeed\":" + number(AverageSpeed());
    body += ",\"speedSamples\":" + std::to_string(speedSamples);
    body += ",\"boostCollected\":" + number(boostCollected);
    body += ",\"boostUsed\":" + number(boostUsed);
    body += ",\"gameTime\":" + number(gameTime);
    body += ",\"possessionTime\":" + number(possessionTime);
    body += ",\"teamPossessionTime\":" + number(teamPossessionTime);
    body += ",\"opponentPossessionTime\":" + number(opponentPossessionTime);
    // The title is the game's text: escaped, so a quote or a backslash in it cannot break the body.
    body += ",\"playlist\":\"" + zando::JsonEscaped(playlistName) + "\"";
    body += std::string(",\"isRanked\":") + (isRanked ? "true" : "false");
    body += ",\"mmr\":" + number(initialMmr);
    body += ",\"mmrChange\":" + number(mmrChange);
    body += ",\"shotHeatmap\":" + GridArray(zando::DownsampleShotHeatmap(shotHeatmap));
    body += ",\"goalHeatmap\":" + GridArray(zando::DownsampleGoalHeatmap(goalHeatmap));
    return body + "}";
}
