// The whole match's members, written once.
#include "export/whole_match_members.h"

#include <optional>

#include "base/json_string.h"
#include "base/upload_contract.h"
#include "base/utc_timestamp.h"
#include "export/number_text.h"

namespace zando {

std::vector<std::pair<const char*, std::string>> WholeMatchMembers(const MatchRecord& record, const JsonLayout& layout) {
    namespace w = upload::whole;
    const auto quoted = [](std::string_view text) { return "\"" + JsonEscaped(text) + "\""; };
    const auto orNull = [](std::optional<int32_t> value) { return value ? std::to_string(*value) : std::string("null"); };
    const std::string comma = layout.comma;
    const auto point = [&](const FieldPoint& p) {
        return "[" + NumberText(p.x) + comma + NumberText(p.y) + comma + NumberText(p.z) + "]";
    };
    const auto next = [&](const char* key, const std::string& value) { return comma + "\"" + key + "\"" + layout.colon + value; };
    std::string places = "[";
    for (std::size_t i = 0; i < record.places.size(); ++i) {
        const ShotPlace& place = record.places[i];
        places += (i > 0 ? "," : "") + std::string(layout.placeBreak) + "{\"kind\"" + layout.colon +
                  (place.goal ? "\"goal\"" : "\"shot\"") + next("clock", NumberText(place.clock)) +
                  next("car", point(place.car)) + next("ball", point(place.ball)) +
                  next("ballSpeed", NumberText(place.ballSpeed)) + "}";
    }
    places += (record.places.empty() ? "" : layout.listEnd) + std::string("]");
    const MatchOutcome outcome = record.Outcome();
    return {
        {w::MatchId, quoted(record.matchId)},
        {w::StartedAt, record.startedAt > 0 ? quoted(UtcText(record.startedAt)) : "null"},
        {w::Team, record.team == 0 || record.team == 1 ? std::to_string(record.team) : "null"},
        {w::ScoreFor, orNull(outcome.scoreFor)},
        {w::ScoreAgainst, orNull(outcome.scoreAgainst)},
        {w::Result, outcome.result.empty() ? "null" : quoted(outcome.result)},
        {w::Overtime, record.overtime ? "true" : "false"},
        {w::Saves, std::to_string(record.saves)},
        {w::Assists, std::to_string(record.assists)},
        {w::Demolitions, std::to_string(record.demolitions)},
        {w::Demolished, std::to_string(record.demolished)},
        {w::Places, places},
    };
}

}  // namespace zando
