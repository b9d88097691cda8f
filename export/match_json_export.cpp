// The whole-match file "zando_match.json": the match as the player lived it, beside the defined
// statistics file (which keeps its exact shape): when it began and ended, its playlist, the score and
// result from the player's side, the stat ticker's counts, and where each counted shot and goal
// happened (the car at the counted touch, the ball, the clock, the ball's speed). Written at each
// match's end and by "export_match".
#include <string>
#include <string_view>

#include "base/json_string.h"
#include "base/path_text.h"
#include "base/upload_contract.h"
#include "export/whole_match_members.h"
#include "plugin/zando.h"

namespace {

std::string Quoted(std::string_view text) { return "\"" + zando::JsonEscaped(text) + "\""; }

}  // namespace

void ZANDO::ExportMatchJson() {
    WriteExportFile(MatchJsonFileName(), MatchJsonText(CurrentRecord(), {}), "[EXPORT] ",
                    "[EXPORT] Match exported to: " + MatchJsonFileName(), {});
}

std::string ZANDO::MatchJsonFileName() const { return zando::FileInFolder(dataFolder, "zando_match.json"); }

std::string ZANDO::MatchJsonText(const MatchRecord& record, const std::string& endedAt) const {
    std::string json = "{\n";
    const auto member = [&](const char* key, const std::string& value) {
        json += std::string(json.size() > 2 ? ",\n" : "") + "  \"" + key + "\": " + value;
    };
    // Its id and start, then its end and the defined file's figures it shares, then the rest.
    for (const auto& [key, value] : zando::WholeMatchMembers(record, zando::ReadableJson)) {
        member(key, value);
        if (std::string_view(key) != zando::upload::whole::StartedAt) continue;
        member("endedAt", endedAt.empty() ? "null" : Quoted(endedAt));
        member("playlistId", std::to_string(record.playlistId));
        member("playlist", Quoted(record.playlistName));
        member("isRanked", record.isRanked ? "true" : "false");
        member("shots", std::to_string(record.shots));
        member("goals", std::to_string(record.goals));
    }
    return json + "\n}\n";
}
