// The upload body written from a match record (key order in the header).
#include "upload/upload_body.h"

#include <type_traits>
#include <utility>

#include "base/json_string.h"
#include "base/upload_contract.h"
#include "base/utc_timestamp.h"
#include "export/number_text.h"
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
    namespace w = upload::whole;
    std::string body = UploadBody(record, endedAt, notFinite);
    body.pop_back();  // the closing brace: the whole match's fields follow
    const auto name = [](const char* key) { return std::string(",\"") + key + "\":"; };
    const auto quoted = [](std::string_view text) { return "\"" + JsonEscaped(text) + "\""; };
    const auto count = [](std::optional<int32_t> value) { return value ? std::to_string(*value) : std::string("null"); };
    const auto point = [](const FieldPoint& p) {
        return "[" + NumberText(p.x) + "," + NumberText(p.y) + "," + NumberText(p.z) + "]";
    };
    const MatchOutcome outcome = record.Outcome();
    body += name(w::MatchId) + quoted(record.matchId);
    body += name(w::StartedAt) + (record.startedAt > 0 ? quoted(UtcText(record.startedAt)) : "null");
    body += name(w::Team) + (record.team == 0 || record.team == 1 ? std::to_string(record.team) : "null");
    body += name(w::ScoreFor) + count(outcome.scoreFor);
    body += name(w::ScoreAgainst) + count(outcome.scoreAgainst);
    body += name(w::Result) + (outcome.result.empty() ? "null" : quoted(outcome.result));
    body += name(w::Overtime) + (record.overtime ? "true" : "false");
    body += name(w::Saves) + std::to_string(record.saves);
    body += name(w::Assists) + std::to_string(record.assists);
    body += name(w::Demolitions) + std::to_string(record.demolitions);
    body += name(w::Demolished) + std::to_string(record.demolished);
    // Every place was checked finite and on the field when it was kept.
    body += name(w::Places) + "[";
    for (std::size_t i = 0; i < record.places.size(); ++i) {
        const ShotPlace& place = record.places[i];
        body += std::string(i > 0 ? "," : "") + "{\"kind\":\"" + (place.goal ? "goal" : "shot") +
                "\",\"clock\":" + NumberText(place.clock) + ",\"car\":" + point(place.car) + ",\"ball\":" + point(place.ball) +
                ",\"ballSpeed\":" + NumberText(place.ballSpeed) + "}";
    }
    return body + "]}";
}

}  // namespace zando
