// The upload body's fields, types, grid sizes and finite numbers checked, and its identity taken.
#include "dashboard/upload_format.h"

#include <cmath>
#include <set>

#include <nlohmann/json.hpp>

#include "dashboard/crypto.h"

namespace {

using nlohmann::json;

struct BadField {
    std::string what;
};

const json& Field(const json& body, const char* name) {
    const auto it = body.find(name);
    if (it == body.end()) throw BadField{"\"" + std::string(name) + "\" is missing"};
    return *it;
}

double Number(const json& body, const char* name) {
    const json& value = Field(body, name);
    if (!value.is_number()) throw BadField{"\"" + std::string(name) + "\" must be a number"};
    const double number = value.get<double>();
    if (!std::isfinite(number)) throw BadField{"\"" + std::string(name) + "\" must be a finite number"};
    return number;
}

int64_t Count(const json& value, const std::string& name) {
    if (!value.is_number_integer() || value.get<int64_t>() < 0) throw BadField{name + " must be a whole number, 0 or more"};
    return value.get<int64_t>();
}

template <class Cell, class ReadCell>
dashboard::UploadGrid<Cell> Grid(const json& body, const char* name, ReadCell&& readCell) {
    const json& grid = Field(body, name);
    const std::string quoted = "\"" + std::string(name) + "\"";
    const auto size = static_cast<std::size_t>(dashboard::UploadGridSize);
    if (!grid.is_array() || grid.size() != size)
        throw BadField{quoted + " must be an array of " + std::to_string(size) + " rows"};
    dashboard::UploadGrid<Cell> cells{};
    for (std::size_t r = 0; r < size; ++r) {
        const std::string rowName = quoted + " row " + std::to_string(r);
        if (!grid[r].is_array() || grid[r].size() != size)
            throw BadField{rowName + " must be an array of " + std::to_string(size) + " cells"};
        for (std::size_t c = 0; c < size; ++c) cells[r][c] = readCell(grid[r][c], rowName + " cell " + std::to_string(c));
    }
    return cells;
}

const std::set<std::string>& KnownFields() {
    static const std::set<std::string> known = {"timestamp",
                                                "shots",
                                                "goals",
                                                "averageSpeed",
                                                "speedSamples",
                                                "boostCollected",
                                                "boostUsed",
                                                "gameTime",
                                                "possessionTime",
                                                "teamPossessionTime",
                                                "opponentPossessionTime",
                                                "playlist",
                                                "isRanked",
                                                "mmr",
                                                "mmrChange",
                                                "shotHeatmap",
                                                "goalHeatmap"};
    return known;
}

}  // namespace

namespace dashboard {

UploadReading ReadUpload(std::string_view text) {
    json body;
    try {
        body = json::parse(text.begin(), text.end());
    } catch (const json::exception& error) {
        return {std::nullopt, std::string("the body is not JSON: ") + error.what()};
    }
    if (!body.is_object()) return {std::nullopt, "the body must be a JSON object"};
    try {
        for (const auto& [name, value] : body.items())
            if (!KnownFields().contains(name)) throw BadField{"\"" + name + "\" is not a field of the upload"};
        UploadedMatch match;
        const json& timestamp = Field(body, "timestamp");
        if (!timestamp.is_string()) throw BadField{"\"timestamp\" must be a string"};
        match.timestamp = timestamp.get<std::string>();
        match.shots = Count(Field(body, "shots"), "\"shots\"");
        match.goals = Count(Field(body, "goals"), "\"goals\"");
        match.averageSpeed = Number(body, "averageSpeed");
        match.speedSamples = Count(Field(body, "speedSamples"), "\"speedSamples\"");
        match.boostCollected = Number(body, "boostCollected");
        match.boostUsed = Number(body, "boostUsed");
        match.gameTime = Number(body, "gameTime");
        match.possessionTime = Number(body, "possessionTime");
        match.teamPossessionTime = Number(body, "teamPossessionTime");
        match.opponentPossessionTime = Number(body, "opponentPossessionTime");
        const json& playlist = Field(body, "playlist");
        if (!playlist.is_string()) throw BadField{"\"playlist\" must be a string"};
        match.playlist = playlist.get<std::string>();
        const json& ranked = Field(body, "isRanked");
        if (!ranked.is_boolean()) throw BadField{"\"isRanked\" must be true or false"};
        match.isRanked = ranked.get<bool>();
        match.mmr = Number(body, "mmr");
        match.mmrChange = Number(body, "mmrChange");
        match.shotHeatmap = Grid<double>(body, "shotHeatmap", [](const json& cell, const std::string& name) {
            if (!cell.is_number() || !std::isfinite(cell.get<double>()) || cell.get<double>() < 0.0)
                throw BadField{name + " must be a finite number, 0 or more"};
            return cell.get<double>();
        });
        match.goalHeatmap = Grid<int64_t>(body, "goalHeatmap", Count);
        // The same match sent again differs only in the time of sending.
        body.erase("timestamp");
        match.fingerprint = Sha256Hex(body.dump());
        return {std::move(match), {}};
    } catch (const BadField& bad) {
        return {std::nullopt, bad.what};
    }
}

}  // namespace dashboard
