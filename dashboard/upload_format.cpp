// The upload body's fields, types, grid sizes and finite numbers checked, and its identity taken.
#include "dashboard/upload_format.h"

#include <cmath>
#include <optional>
#include <set>

#include <nlohmann/json.hpp>

#include "base/utc_timestamp.h"
#include "dashboard/crypto.h"
#include "dashboard/periods.h"

namespace {

using nlohmann::json;

struct BadField {
    std::string what;
};

std::string Quoted(const char* name) { return "\"" + std::string(name) + "\""; }

const json& Field(const json& body, const char* name) {
    const auto it = body.find(name);
    if (it == body.end()) throw BadField{"\"" + std::string(name) + "\" is missing"};
    return *it;
}

// The ranges a real match's figures fall in, generously: a value outside is not a match's, and would
// only skew (or overflow) the sums the pages show.
constexpr int64_t MostGoalsOrShots = 10'000;       // a match, or a zone of one
constexpr int64_t MostSpeedSamples = 100'000'000;  // hours of samples at the game's rate
constexpr double LongestMatch = 86'400.0;          // seconds: a day
constexpr double MostBoost = 10'000'000.0;         // pad units or percent points
constexpr double FastestSpeed = 100'000.0;         // far past the game's top speed, in any unit
constexpr double LargestMmr = 100'000.0;           // a rating, or its change, either way
constexpr double LargestShotHeat = 1'000'000.0;    // a zone's mean heat
constexpr std::size_t LongestText = 200;           // characters of a playlist's or a time's text

std::string Range(double low, double high) {
    return std::to_string(static_cast<long long>(low)) + " to " + std::to_string(static_cast<long long>(high));
}

double Number(const json& body, const char* name, double low, double high) {
    const json& value = Field(body, name);
    if (!value.is_number()) throw BadField{"\"" + std::string(name) + "\" must be a number"};
    const double number = value.get<double>();
    if (!std::isfinite(number) || number < low || number > high)
        throw BadField{"\"" + std::string(name) + "\" must be a number from " + Range(low, high)};
    return number;
}

std::string WholeNumberUpTo(int64_t most) { return "must be a whole number from 0 to " + std::to_string(most); }

std::optional<int64_t> CountIn(const json& value, int64_t most) {
    if (!value.is_number_integer() || (value.is_number_unsigned() && value.get<uint64_t>() > static_cast<uint64_t>(most)) ||
        value.get<int64_t>() < 0 || value.get<int64_t>() > most)
        return std::nullopt;
    return value.get<int64_t>();
}

int64_t Count(const json& value, const std::string& name, int64_t most) {
    const std::optional<int64_t> count = CountIn(value, most);
    if (!count) throw BadField{name + " " + WholeNumberUpTo(most)};
    return *count;
}

// A text field as sent: at most LongestText characters, and no control character (which a database
// may cut a text at, or a page show as nothing).
std::string Text(const json& body, const char* name) {
    const json& value = Field(body, name);
    if (!value.is_string()) throw BadField{"\"" + std::string(name) + "\" must be a string"};
    const std::string& text = value.get_ref<const std::string&>();
    std::size_t characters = 0;
    for (const unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) throw BadField{"\"" + std::string(name) + "\" must not hold control characters"};
        characters += (c & 0xC0) != 0x80;  // the parser checked the UTF-8: count the first byte of each
    }
    if (characters > LongestText)
        throw BadField{"\"" + std::string(name) + "\" is longer than " + std::to_string(LongestText) + " characters"};
    return text;
}

// readCell gives a cell's value, or nothing when it is out of its range: `must` says what it must be.
template <class Cell, class ReadCell>
dashboard::UploadGrid<Cell> Grid(const json& body, const char* name, const std::string& must, ReadCell&& readCell) {
    const json& grid = Field(body, name);
    const std::string quoted = "\"" + std::string(name) + "\"";
    const auto size = static_cast<std::size_t>(dashboard::UploadGridSize);
    if (!grid.is_array() || grid.size() != size)
        throw BadField{quoted + " must be an array of " + std::to_string(size) + " rows"};
    dashboard::UploadGrid<Cell> cells{};
    for (std::size_t r = 0; r < size; ++r) {
        const auto rowName = [&] { return quoted + " row " + std::to_string(r); };
        if (!grid[r].is_array() || grid[r].size() != size)
            throw BadField{rowName() + " must be an array of " + std::to_string(size) + " cells"};
        for (std::size_t c = 0; c < size; ++c) {
            const std::optional<Cell> cell = readCell(grid[r][c]);
            if (!cell) throw BadField{rowName() + " cell " + std::to_string(c) + " " + must};
            cells[r][c] = *cell;
        }
    }
    return cells;
}

const std::set<std::string>& KnownFields(bool whole) {
    static const std::set<std::string> defined(zando::upload::Fields.begin(), zando::upload::Fields.end());
    static const std::set<std::string> all = [] {
        std::set<std::string> names = defined;
        names.insert(zando::upload::WholeFields.begin(), zando::upload::WholeFields.end());
        return names;
    }();
    return whole ? all : defined;
}

// A field that may be null: nullopt for null, else read(value).
template <class Read>
auto OrNull(const json& body, const char* name, Read&& read) -> std::optional<decltype(read(body))> {
    const json& value = Field(body, name);
    if (value.is_null()) return std::nullopt;
    return read(value);
}

FieldPoint PointOf(const json& value, const std::string& name) {
    if (!value.is_array() || value.size() != 3 || !value[0].is_number() || !value[1].is_number() || !value[2].is_number())
        throw BadField{name + " must be [x, y, z], three numbers"};
    return {value[0].get<float>(), value[1].get<float>(), value[2].get<float>()};
}

// The whole match's own fields, each checked as the defined ones are.
dashboard::WholeMatchPart ReadWholePart(const json& body) {
    namespace w = zando::upload::whole;
    dashboard::WholeMatchPart whole;
    whole.matchId = Text(body, w::MatchId);
    if (whole.matchId.empty() || whole.matchId.size() > 64 ||
        whole.matchId.find_first_not_of("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ-_") != std::string::npos)
        throw BadField{Quoted(w::MatchId) + " must be 1 to 64 letters, digits, '-' or '_'"};
    whole.startedAt = OrNull(body, w::StartedAt, [](const json& value) {
                          if (!value.is_string() || zando::UtcSeconds(value.get<std::string>()) < 0)
                              throw BadField{Quoted(w::StartedAt) + " must be null or a UTC time, YYYY-MM-DDTHH:MM:SSZ"};
                          return value.get<std::string>();
                      }).value_or("");
    whole.team = OrNull(body, w::Team, [](const json& value) {
        const std::optional<int64_t> team = CountIn(value, 1);
        if (!team) throw BadField{Quoted(w::Team) + " must be null, 0 (blue) or 1 (orange)"};
        return static_cast<int>(*team);
    });
    const auto score = [](const char* name) {
        return [name](const json& value) { return Count(value, "\"" + std::string(name) + "\" (or null)", MostGoalsOrShots); };
    };
    whole.scoreFor = OrNull(body, w::ScoreFor, score(w::ScoreFor));
    whole.scoreAgainst = OrNull(body, w::ScoreAgainst, score(w::ScoreAgainst));
    if (whole.scoreFor.has_value() != whole.scoreAgainst.has_value())
        throw BadField{Quoted(w::ScoreFor) + " and " + Quoted(w::ScoreAgainst) + " must both be null or both be given"};
    whole.result = OrNull(body, w::Result, [](const json& value) {
                       if (!value.is_string() || (value != "win" && value != "loss" && value != "forfeit"))
                           throw BadField{Quoted(w::Result) + " must be null, \"win\", \"loss\" or \"forfeit\""};
                       return value.get<std::string>();
                   }).value_or("");
    // A win or a loss is the score's; the score (when sent) must say the same.
    if (whole.scoreFor && (whole.result == "win" || whole.result == "loss") &&
        (whole.result == "win") != (*whole.scoreFor > *whole.scoreAgainst))
        throw BadField{Quoted(w::Result) + " must agree with the score"};
    const json& overtime = Field(body, w::Overtime);
    if (!overtime.is_boolean()) throw BadField{Quoted(w::Overtime) + " must be true or false"};
    whole.overtime = overtime.get<bool>();
    for (const auto& [name, count] : {std::pair{w::Saves, &whole.saves}, std::pair{w::Assists, &whole.assists},
                                      std::pair{w::Demolitions, &whole.demolitions}, std::pair{w::Demolished, &whole.demolished}})
        *count = Count(Field(body, name), Quoted(name), MostGoalsOrShots);
    const json& places = Field(body, w::Places);
    if (!places.is_array() || places.size() > zando::MaxShotPlaces)
        throw BadField{Quoted(w::Places) + " must be an array of at most " + std::to_string(zando::MaxShotPlaces) + " places"};
    for (std::size_t i = 0; i < places.size(); ++i) {
        const json& item = places[i];
        const std::string name = Quoted(w::Places) + " item " + std::to_string(i);
        if (!item.is_object() || item.size() != 5)
            throw BadField{name + " must be an object of kind, clock, car, ball and ballSpeed"};
        ShotPlace place;
        const json& kind = Field(item, "kind");
        if (kind != "shot" && kind != "goal") throw BadField{name + " \"kind\" must be \"shot\" or \"goal\""};
        place.goal = kind == "goal";
        place.clock = static_cast<float>(Number(item, "clock", 0.0, zando::ClockLimit));
        place.car = PointOf(Field(item, "car"), name + " \"car\"");
        place.ball = PointOf(Field(item, "ball"), name + " \"ball\"");
        place.ballSpeed = static_cast<float>(Number(item, "ballSpeed", 0.0, zando::BallSpeedLimit));
        if (!zando::PlausiblePlace(place))
            throw BadField{name + " must lie within " + std::to_string(static_cast<int>(zando::FieldReach)) +
                           " units of the centre"};
        whole.places.push_back(place);
    }
    return whole;
}

json PointJson(const FieldPoint& point) { return json::array({point.x, point.y, point.z}); }

}  // namespace

namespace dashboard {

namespace {

UploadReading ReadBody(std::string_view text, bool whole) {
    json body;
    try {
        body = json::parse(text.begin(), text.end());
    } catch (const json::exception& error) {
        // The parser's words quote the bytes it stopped at, which need not be UTF-8 (nor printable):
        // the answer shows each such byte as '?'.
        std::string why = error.what();
        for (char& c : why)
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) c = '?';
        return {std::nullopt, "the body is not JSON (or not UTF-8): " + why};
    }
    if (!body.is_object()) return {std::nullopt, "the body must be a JSON object"};
    namespace f = zando::upload::field;
    try {
        for (const auto& [name, value] : body.items())
            if (!KnownFields(whole).contains(name)) throw BadField{"\"" + name + "\" is not a field of the upload"};
        UploadedMatch match;
        match.timestamp = Text(body, f::Timestamp);
        // The day a match is counted in (and found by) is the date it begins with.
        if (!dashboard::IsDate(match.timestamp.substr(0, 10)))
            throw BadField{Quoted(f::Timestamp) + " must begin with a date, YYYY-MM-DD"};
        match.shots = Count(Field(body, f::Shots), Quoted(f::Shots), MostGoalsOrShots);
        match.goals = Count(Field(body, f::Goals), Quoted(f::Goals), MostGoalsOrShots);
        match.averageSpeed = Number(body, f::AverageSpeed, 0.0, FastestSpeed);
        match.speedSamples = Count(Field(body, f::SpeedSamples), Quoted(f::SpeedSamples), MostSpeedSamples);
        match.boostCollected = Number(body, f::BoostCollected, 0.0, MostBoost);
        match.boostUsed = Number(body, f::BoostUsed, 0.0, MostBoost);
        match.gameTime = Number(body, f::GameTime, 0.0, LongestMatch);
        match.possessionTime = Number(body, f::PossessionTime, 0.0, LongestMatch);
        match.teamPossessionTime = Number(body, f::TeamPossessionTime, 0.0, LongestMatch);
        match.opponentPossessionTime = Number(body, f::OpponentPossessionTime, 0.0, LongestMatch);
        match.playlist = Text(body, f::Playlist);
        const json& ranked = Field(body, f::IsRanked);
        if (!ranked.is_boolean()) throw BadField{Quoted(f::IsRanked) + " must be true or false"};
        match.isRanked = ranked.get<bool>();
        match.mmr = Number(body, f::Mmr, -LargestMmr, LargestMmr);
        match.mmrChange = Number(body, f::MmrChange, -LargestMmr, LargestMmr);
        match.shotHeatmap = Grid<double>(body, f::ShotHeatmap, "must be a number from " + Range(0.0, LargestShotHeat),
                                         [](const json& cell) -> std::optional<double> {
                                             if (!cell.is_number()) return std::nullopt;
                                             const double heat = cell.get<double>();
                                             if (!std::isfinite(heat) || heat < 0.0 || heat > LargestShotHeat)
                                                 return std::nullopt;
                                             return heat;
                                         });
        match.goalHeatmap = Grid<int64_t>(body, f::GoalHeatmap, WholeNumberUpTo(MostGoalsOrShots),
                                          [](const json& cell) { return CountIn(cell, MostGoalsOrShots); });
        if (whole) match.whole = ReadWholePart(body);
        // The same match sent again differs only in the time of sending (and, sent whole, in its id and
        // start: a recorded match played again is the same match).
        body.erase(f::Timestamp);
        body.erase(zando::upload::whole::MatchId);
        body.erase(zando::upload::whole::StartedAt);
        match.fingerprint = Sha256Hex(body.dump());
        return {std::move(match), {}};
    } catch (const BadField& bad) {
        return {std::nullopt, bad.what};
    }
}

}  // namespace

UploadReading ReadUpload(std::string_view text) { return ReadBody(text, false); }

UploadReading ReadWholeMatch(std::string_view text) { return ReadBody(text, true); }

std::string WholeMatchText(const WholeMatchPart& whole) {
    namespace w = zando::upload::whole;
    const auto orNull = [](const auto& value) { return value ? json(*value) : json(nullptr); };
    json places = json::array();
    for (const ShotPlace& place : whole.places)
        places.push_back({{"kind", place.goal ? "goal" : "shot"},
                          {"clock", place.clock},
                          {"car", PointJson(place.car)},
                          {"ball", PointJson(place.ball)},
                          {"ballSpeed", place.ballSpeed}});
    const json text = {{w::MatchId, whole.matchId},
                       {w::StartedAt, whole.startedAt.empty() ? json(nullptr) : json(whole.startedAt)},
                       {w::Team, orNull(whole.team)},
                       {w::ScoreFor, orNull(whole.scoreFor)},
                       {w::ScoreAgainst, orNull(whole.scoreAgainst)},
                       {w::Result, whole.result.empty() ? json(nullptr) : json(whole.result)},
                       {w::Overtime, whole.overtime},
                       {w::Saves, whole.saves},
                       {w::Assists, whole.assists},
                       {w::Demolitions, whole.demolitions},
                       {w::Demolished, whole.demolished},
                       {w::Places, places}};
    return text.dump();
}

std::optional<WholeMatchPart> WholeMatchFromText(std::string_view text) {
    try {
        return ReadWholePart(json::parse(text.begin(), text.end()));
    } catch (const json::exception&) {
    } catch (const BadField&) {
    }
    return std::nullopt;
}

}  // namespace dashboard
