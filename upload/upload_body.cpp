// The upload body written from a match record (key order in the header).
#include "upload/upload_body.h"

#include <type_traits>
#include <utility>

#include "base/json_string.h"
#include "base/upload_contract.h"
#include "base/utc_timestamp.h"
#include "export/number_text.h"
#include "export/whole_match_members.h"
#include "upload/heatmap_downsampling.h"

namespace {

template <class Cell, class NotFinite>
std::string GridArray(const Grid<Cell>& grid, NotFinite&& notFinite) {
    std::string text = "[";
    for (std::size_t r = 0; r < grid.size() && r < 10; ++r) {
        if (r > 0) text += ",";
        text += "[";
        for (std::size_t c = 0; c < grid[r].size() && c < 10; ++c) {
            if (c > 0) text += ",";
            if constexpr (std::is_floating_point_v<Cell>)
                text += zando::FiniteNumberText(grid[r][c], notFinite);
            else
                text += std::to_string(grid[r][c]);
        }
        text += "]";
    }
    return text + "]";
}

}  // namespace

namespace zando {

std::string UploadBody(const MatchRecord& record, std::string_view timestamp,
                       const std::function<void(const char* key)>& notFinite) {
    const auto number = [&](const char* key, float value) { return FiniteNumberText(value, [&] { notFinite(key); }); };
    namespace f = upload::field;
    const auto name = [](const char* key) { return std::string(",\"") + key + "\":"; };
    std::string body = "{\"" + std::string(f::Timestamp) + "\":\"" + JsonEscaped(timestamp) + "\"";
    body += name(f::Shots) + std::to_string(record.shots);
    body += name(f::Goals) + std::to_string(record.goals);
    body += name(f::AverageSpeed) + number(f::AverageSpeed, record.AverageSpeed());
    body += name(f::SpeedSamples) + std::to_string(record.speedSamples);
    body += name(f::BoostCollected) + number(f::BoostCollected, record.boostCollected);
    body += name(f::BoostUsed) + number(f::BoostUsed, record.boostUsed);
    body += name(f::GameTime) + number(f::GameTime, record.gameTime);
    body += name(f::PossessionTime) + number(f::PossessionTime, record.possessionTime);
    body += name(f::TeamPossessionTime) + number(f::TeamPossessionTime, record.teamPossessionTime);
    body += name(f::OpponentPossessionTime) + number(f::OpponentPossessionTime, record.opponentPossessionTime);
    // The title is the game's text: escaped, so a quote or a backslash in it cannot break the body.
    body += name(f::Playlist) + "\"" + JsonEscaped(record.playlistName) + "\"";
    body += name(f::IsRanked) + (record.isRanked ? "true" : "false");
    body += name(f::Mmr) + number(f::Mmr, record.initialMmr);
    body += name(f::MmrChange) + number(f::MmrChange, record.mmrChange);
    // A cell that is not finite is sent as 0; the grid is named once, however many cells it has so.
    bool heatNamed = false;
    const auto heatNotFinite = [&] {
        if (!std::exchange(heatNamed, true)) notFinite(f::ShotHeatmap);
    };
    body += name(f::ShotHeatmap) + GridArray(DownsampleShotHeatmap(record.shotHeatmap), heatNotFinite);
    body += name(f::GoalHeatmap) + GridArray(DownsampleGoalHeatmap(record.goalHeatmap), [] {});
    return body + "}";
}

std::string WholeMatchBody(const MatchRecord& record, std::string_view endedAt,
                           const std::function<void(const char* key)>& notFinite) {
    std::string body = UploadBody(record, endedAt, notFinite);
    body.pop_back();  // the closing brace: the whole match's members follow
    for (const auto& [key, value] : WholeMatchMembers(record, CompactJson)) body += std::string(",\"") + key + "\":" + value;
    return body + "}";
}

}  // namespace zando
