// The match in progress across a reload of the plug-in: unloading during a match writes its figures so
// far to "zando_match_in_progress.txt" in the data folder, and the next load into that same match
// takes them back, so a reload costs the match nothing. The file is read once and removed; one of
// another match, or one older than half an hour, is ignored with a line.
//
// The file is text, a line a value: a header line, "match <game object> <playlist id> <match clock>
// <saved at, Unix seconds>", "<name> <value>" for each figure, then "shot <row> <col> <heat>" and
// "goal <row> <col> <goals>" for each zone with any, "matchId <id>", and "places <text>" with where each
// shot and goal happened.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "bakkesmod/wrappers/GameEvent/ServerWrapper.h"
#include "base/path_text.h"
#include "base/utc_timestamp.h"
#include "base/whole_file.h"
#include "plugin/zando.h"
#include "tracking/game_constants.h"

namespace {

constexpr const char* FileName = "zando_match_in_progress.txt";
constexpr const char* Header = "ZANDO match in progress 1";
constexpr int64_t StaleAfterSeconds = 30 * 60;  // longer than any match with its overtime and replays

template <class Number>
std::string Text(Number value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

template <class Number>
bool Parse(const std::string& text, Number& value) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

constexpr float FastestAverageSpeed = 10000.0f;  // units a second: far beyond any car (2,300 at most)

// Why the figures read from a file cannot be the match's so far, or nothing: each a number the match
// could have reached by clock (the clock saved in the header, a second's slack), none negative or not
// finite, the counts those of the file's own zones, the playlist the header's.
std::string ImplausibleKept(const MatchRecord& kept, float clock, int32_t playlist, int64_t now, const Grid<float>& shotZones,
                            const Grid<int32_t>& goalZones) {
    for (const auto& [name, seconds] :
         {std::pair{"gameTime", kept.gameTime}, std::pair{"possessionTime", kept.possessionTime},
          std::pair{"teamPossessionTime", kept.teamPossessionTime},
          std::pair{"opponentPossessionTime", kept.opponentPossessionTime}, std::pair{"supersonicTime", kept.supersonicTime},
          std::pair{"emptyTankTime", kept.emptyTankTime}, std::pair{"fullTankTime", kept.fullTankTime}})
        if (!(seconds >= 0.0f && seconds <= clock + 1.0f)) return std::string(name) + " is not a time of the match so far";
    for (const auto& [name, value] : {std::pair{"speedSum", kept.speedSum}, std::pair{"boostCollected", kept.boostCollected},
                                      std::pair{"boostUsed", kept.boostUsed}, std::pair{"initialMmr", kept.initialMmr}})
        if (!(value >= 0.0f && std::isfinite(value))) return std::string(name) + " is not a number of 0 or more";
    for (const auto& [name, count] :
         {std::pair{"shots", kept.shots}, std::pair{"goals", kept.goals}, std::pair{"speedSamples", kept.speedSamples},
          std::pair{"saves", kept.saves}, std::pair{"assists", kept.assists}, std::pair{"demolitions", kept.demolitions},
          std::pair{"demolished", kept.demolished}})
        if (count < 0) return std::string(name) + " is negative";
    if (kept.speedSum > FastestAverageSpeed * static_cast<float>(kept.speedSamples))
        return "speedSum is more than its samples could add up to";
    if (kept.team < -1 || kept.team > 1) return "localTeam is not -1, 0 or 1";
    if (kept.playlistId != playlist) return "playlistId is not the header's";
    if (kept.startedAt < 0 || kept.startedAt > now) return "startedAt is not a time before now";
    double shotHeat = 0.0;
    int64_t goals = 0;
    for (std::size_t r = 0; r < shotZones.size(); ++r)
        for (std::size_t c = 0; c < shotZones.Cols(); ++c) {
            if (!(shotZones[r][c] >= 0.0f && std::isfinite(shotZones[r][c])) || goalZones[r][c] < 0)
                return "a zone's count is not a number of 0 or more";
            shotHeat += shotZones[r][c];
            goals += goalZones[r][c];
        }
    // Each shot adds its heat to one zone, each goal one to one zone.
    if (std::abs(shotHeat - static_cast<double>(kept.shots) * zando::constants::ShotHeat) > 0.5)
        return "shots are not its zones' shots";
    if (goals != kept.goals) return "goals are not its zones' goals";
    return {};
}

}  // namespace

// The figures a reload keeps, each under its name in the file.
using InProgressMember = std::variant<float MatchRecord::*, int32_t MatchRecord::*, int64_t MatchRecord::*, bool MatchRecord::*>;
struct InProgressField {
    const char* name;
    InProgressMember member;
    bool keptSince = false;  // added after the first files were written: a file without it gives 0
};

const std::vector<InProgressField>& ZANDO::InProgressFields() {
    static const std::vector<InProgressField> fields = {
        {"shots", &MatchRecord::shots},
        {"goals", &MatchRecord::goals},
        {"speedSum", &MatchRecord::speedSum},
        {"speedSamples", &MatchRecord::speedSamples},
        {"boostCollected", &MatchRecord::boostCollected},
        {"boostUsed", &MatchRecord::boostUsed},
        {"possessionTime", &MatchRecord::possessionTime},
        {"teamPossessionTime", &MatchRecord::teamPossessionTime},
        {"opponentPossessionTime", &MatchRecord::opponentPossessionTime},
        {"gameTime", &MatchRecord::gameTime},
        {"supersonicTime", &MatchRecord::supersonicTime},
        {"emptyTankTime", &MatchRecord::emptyTankTime},
        {"fullTankTime", &MatchRecord::fullTankTime},
        {"localTeam", &MatchRecord::team},
        {"initialMmr", &MatchRecord::initialMmr},
        {"playlistId", &MatchRecord::playlistId},
        {"isRanked", &MatchRecord::isRanked},
        {"saves", &MatchRecord::saves, true},
        {"assists", &MatchRecord::assists, true},
        {"demolitions", &MatchRecord::demolitions, true},
        {"demolished", &MatchRecord::demolished, true},
        {"startedAt", &MatchRecord::startedAt, true},
    };
    return fields;
}

std::filesystem::path ZANDO::MatchInProgressPath() const {
    return zando::TextPath(zando::FileInFolder(gameWrapper->GetDataFolder(), FileName));
}

void ZANDO::SaveMatchInProgress() {
    ServerWrapper server = gameWrapper->GetCurrentGameState();
    if (server.IsNull() || !flags.matchActive || flags.matchFinished) return;
    std::ostringstream out;
    out << Header << "\n";
    out << "match " << server.memory_address << " " << tracker.match.playlistId << " " << Text(server.GetSecondsElapsed()) << " "
        << zando::UnixNow() << "\n";
    for (const InProgressField& field : InProgressFields()) {
        out << field.name << " ";
        std::visit([&](auto member) { out << Text(+(tracker.match.*member)); }, field.member);
        out << "\n";
    }
    out << "playlistName " << tracker.match.playlistName << "\n";
    if (!tracker.match.matchId.empty()) out << "matchId " << tracker.match.matchId << "\n";
    for (std::size_t r = 0; r < tracker.match.shotHeatmap.size(); ++r)
        for (std::size_t c = 0; c < tracker.match.shotHeatmap.Cols(); ++c) {
            if (tracker.match.shotHeatmap[r][c] != 0.0f)
                out << "shot " << r << " " << c << " " << Text(tracker.match.shotHeatmap[r][c]) << "\n";
            if (tracker.match.goalHeatmap[r][c] != 0)
                out << "goal " << r << " " << c << " " << tracker.match.goalHeatmap[r][c] << "\n";
        }
    if (!tracker.match.places.empty()) out << "places " << zando::ShotPlacesText(tracker.match.places) << "\n";
    if (zando::ReplaceFileWhole(MatchInProgressPath(), out.str(), false) == zando::WriteOutcome::Written)
        cvarManager->log("[STATS] Unloading during a match - its figures so far are kept for the next load");
    else
        cvarManager->log("[STATS] Unloading during a match - its figures so far could not be kept: " +
                         zando::PathText(MatchInProgressPath()) + " could not be written");
}

void ZANDO::ResumeMatchInProgress(ServerWrapper server) {
    const std::filesystem::path path = MatchInProgressPath();
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream whole;
    whole << in.rdbuf();
    in.close();
    std::filesystem::remove(path, error);  // read once, whatever it holds

    std::istringstream lines(whole.str());
    std::string line;
    uint64_t address = 0;
    int32_t savedPlaylist = 0;
    float savedClock = 0.0f;
    int64_t savedAt = 0;
    const auto ignored = [&](const std::string& why) {
        cvarManager->log("[ACTIVE] The figures kept at the last unload were ignored: " + why);
    };
    if (!std::getline(lines, line) || line != Header || !std::getline(lines, line))
        return ignored("the file is not one this build reads");
    {
        std::istringstream words(line);
        std::string tag;
        if (!(words >> tag >> address >> savedPlaylist >> savedClock >> savedAt) || tag != "match")
            return ignored("the file is not one this build reads");
    }
    if (server.IsNull()) return ignored("no match is being played");
    if (address != server.memory_address || savedPlaylist != tracker.match.playlistId || server.GetSecondsElapsed() < savedClock)
        return ignored("they are of another match");
    const int64_t age = zando::UnixNow() - savedAt;
    if (age < 0 || age > StaleAfterSeconds) return ignored("they were kept more than half an hour ago");

    // Read into copies first: a damaged file changes nothing.
    std::vector<std::pair<std::string, std::string>> values;
    Grid<float> shotsKept;
    Grid<int32_t> goalsKept;
    SizeGrid(shotsKept);
    SizeGrid(goalsKept);
    std::string keptPlaylistName = tracker.match.playlistName;
    std::vector<ShotPlace> placesKept;
    std::string keptMatchId = tracker.match.matchId;  // a file of an earlier build keeps the id given at the load
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string name;
        words >> name;
        if (name == "playlistName") {
            keptPlaylistName = line.size() > name.size() + 1 ? line.substr(name.size() + 1) : "";
            continue;
        }
        if (name == "matchId") {
            std::string id;
            if (!(words >> id) || id.size() > 64 || id.find_first_not_of("0123456789abcdef") != std::string::npos)
                return ignored("the file is damaged");
            keptMatchId = id;
            continue;
        }
        if (name == "places") {
            const std::string_view text = line.rfind("places ", 0) == 0 ? std::string_view(line).substr(7) : std::string_view();
            std::optional<std::vector<ShotPlace>> places = zando::ParseShotPlaces(text);
            if (!places || places->empty()) return ignored("the file is damaged");
            placesKept = std::move(*places);
            continue;
        }
        if (name == "shot" || name == "goal") {
            std::size_t row = 0, col = 0;
            std::string value;
            if (!(words >> row >> col >> value) || row >= shotsKept.size() || col >= shotsKept.Cols())
                return ignored("the file is damaged");
            const bool read = name == "shot" ? Parse(value, shotsKept[row][col]) : Parse(value, goalsKept[row][col]);
            if (!read) return ignored("the file is damaged");
            continue;
        }
        std::string value;
        if (!(words >> value)) return ignored("the file is damaged");
        values.emplace_back(name, value);
    }
    std::vector<std::pair<InProgressMember, std::string>> updates;
    for (const InProgressField& field : InProgressFields()) {
        const auto found =
            std::find_if(values.begin(), values.end(), [&](const auto& entry) { return entry.first == field.name; });
        if (found == values.end() && field.keptSince) {
            updates.emplace_back(field.member, "0");
            continue;
        }
        if (found == values.end()) return ignored(std::string("the file lacks ") + field.name);
        updates.emplace_back(field.member, found->second);
    }
    // Each value is read into a copy and checked before any is stored: a damaged file changes nothing.
    MatchRecord kept = tracker.match;
    const auto take = [&kept](const InProgressMember& member, const std::string& text) {
        return std::visit(
            [&](auto pointer) {
                using Value = std::remove_reference_t<decltype(kept.*pointer)>;
                Value parsed{};
                if constexpr (std::is_same_v<Value, bool>) {
                    if (text != "0" && text != "1") return false;
                    parsed = text == "1";
                } else if (!Parse(text, parsed)) {
                    return false;
                }
                kept.*pointer = parsed;
                return true;
            },
            member);
    };
    for (const auto& update : updates)
        if (!take(update.first, update.second)) return ignored("the file is damaged");
    if (const std::string why = ImplausibleKept(kept, savedClock, savedPlaylist, zando::UnixNow(), shotsKept, goalsKept);
        !why.empty())
        return ignored("the file is damaged: " + why);
    kept.playlistName = keptPlaylistName;
    kept.shotHeatmap = shotsKept;
    kept.goalHeatmap = goalsKept;
    kept.places = std::move(placesKept);
    kept.matchId = keptMatchId;
    tracker.match = std::move(kept);
    cvarManager->log("[ACTIVE] Picked up the match's figures from before the reload: " + std::to_string(tracker.match.shots) +
                     " shots, " + std::to_string(tracker.match.goals) + " goals");
}
