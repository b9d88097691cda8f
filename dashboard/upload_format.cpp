// The upload body's fields, types, grid sizes and finite numbers checked, and its identity taken.
#include "dashboard/upload_format.h"

#include <cmath>
#include <optional>
#include <set>

#include <nlohmann/json.hpp>

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

const std::set<std::string>& KnownFields() {
    static const std::set<std::string> known(zando::upload::Fields.begin(), zando::upload::Fields.end());
    return known;
}

}  // namespace

namespace dashboard {

UploadReading ReadUpload(std::string_view text) {
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
            if (!KnownFields().contains(name)) throw BadField{"\"" + name + "\" is not a field of the upload"};
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
        // The same match sent again differs only in the time of sending.
        body.erase(f::Timestamp);
        match.fingerprint = Sha256Hex(body.dump());
        return {std::move(match), {}};
    } catch (const BadField& bad) {
        return {std::nullopt, bad.what};
    }
}

}  // namespace dashboard
