// The whole-match file "zando_match.json": the match as the player lived it, beside the defined
// statistics file (which keeps its exact shape): when it began and ended, its playlist, the score and
// result from the player's side, the stat ticker's counts, and where each counted shot and goal
// happened (the car at the counted touch, the ball, the clock, the ball's speed). Written at each
// match's end and by "export_match".
#include <string>
#include <utility>
#include <vector>

#include "base/json_string.h"
#include "base/path_text.h"
#include "base/utc_timestamp.h"
#include "export/number_text.h"
#include "plugin/zando.h"

namespace {

std::string Point(const FieldPoint& point) {
    return "[" + zando::NumberText(point.x) + ", " + zando::NumberText(point.y) + ", " + zando::NumberText(point.z) + "]";
}

template <class Value>
std::string OrNull(const std::optional<Value>& value) {
    return value ? std::to_string(*value) : "null";
}

std::string Quoted(std::string_view text) { return "\"" + zando::JsonEscaped(text) + "\""; }

}  // namespace

void ZANDO::ExportMatchJson() {
    WriteExportFile(MatchJsonFileName(), MatchJsonText(CurrentRecord(), {}), "[EXPORT] ",
                    "[EXPORT] Match exported to: " + MatchJsonFileName(), {});
}

std::string ZANDO::MatchJsonFileName() const { return zando::FileInFolder(dataFolder, "zando_match.json"); }

std::string ZANDO::MatchJsonText(const MatchRecord& record, const std::string& endedAt) const {
    const MatchOutcome outcome = record.Outcome();
    std::string json = "{\n";
    const auto member = [&](const char* key, const std::string& value) {
        json += std::string("  \"") + key + "\": " + value + ",\n";
    };
    member("startedAt", record.startedAt > 0 ? Quoted(zando::UtcText(record.startedAt)) : "null");
    member("endedAt", endedAt.empty() ? "null" : Quoted(endedAt));
    member("playlistId", std::to_string(record.playlistId));
    member("playlist", Quoted(record.playlistName));
    member("isRanked", record.isRanked ? "true" : "false");
    member("team", record.team == 0 || record.team == 1 ? std::to_string(record.team) : "null");
    member("result", outcome.result.empty() ? "null" : Quoted(outcome.result));
    member("scoreFor", OrNull(outcome.scoreFor));
    member("scoreAgainst", OrNull(outcome.scoreAgainst));
    member("overtime", record.overtime ? "true" : "false");
    for (const auto& [key, count] : {std::pair{"shots", record.shots}, std::pair{"goals", record.goals},
                                     std::pair{"saves", record.saves}, std::pair{"assists", record.assists},
                                     std::pair{"demolitions", record.demolitions}, std::pair{"demolished", record.demolished}})
        member(key, std::to_string(count));
    // Every place was checked finite when it was kept.
    json += "  \"places\": [";
    for (std::size_t i = 0; i < record.places.size(); ++i) {
        const ShotPlace& place = record.places[i];
        json += std::string(i > 0 ? "," : "") + "\n    {\"kind\": \"" + (place.goal ? "goal" : "shot") +
                "\", \"clock\": " + zando::NumberText(place.clock) + ", \"car\": " + Point(place.car) +
                ", \"ball\": " + Point(place.ball) + ", \"ballSpeed\": " + zando::NumberText(place.ballSpeed) + "}";
    }
    json += record.places.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return json;
}
