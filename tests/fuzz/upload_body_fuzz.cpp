// Fuzzes the upload body with any match record: any figures (also not finite), any counts, any
// playlist title and any cells. The body must be one JSON object an independent parser reads, with
// its keys in the dashboard's order, each figure as recorded (a figure that is not finite sent as 0
// and named), the title as the game gave it, and two 10 x 10 grids of numbers.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "tracking/match_record.h"
#include "tests/fuzz/fuzz_support.h"
#include "upload/upload_body.h"

namespace {

// A number the body should carry for a figure: the figure itself, or 0 for one that is not finite.
void CheckFigure(const nlohmann::ordered_json& body, const char* key, float recorded, const std::set<std::string>& named) {
    using zando_fuzz::Check;
    Check(body[key].is_number(), std::string(key) + " is not a number");
    const double sent = body[key].get<double>();
    if (!std::isfinite(recorded)) {
        Check(sent == 0.0, std::string(key) + " is not finite but was not sent as 0");
        Check(named.count(key) == 1, std::string(key) + " is not finite but was not named");
        return;
    }
    Check(named.count(key) == 0, std::string(key) + " is finite but was named as not finite");
    // Six significant digits, as the exports write figures.
    const double tolerance = std::fabs(static_cast<double>(recorded)) * 1e-5 + 1e-30;
    Check(std::fabs(sent - recorded) <= tolerance, std::string(key) + " was sent as another number");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using zando_fuzz::Check;
    FuzzedDataProvider input(data, size);
    MatchRecord record;
    record.shots = input.ConsumeIntegral<int32_t>();
    record.goals = input.ConsumeIntegral<int32_t>();
    record.speedSum = input.ConsumeFloatingPoint<float>();
    record.speedSamples = input.ConsumeIntegral<int32_t>();
    record.boostCollected = input.ConsumeFloatingPoint<float>();
    record.boostUsed = input.ConsumeFloatingPoint<float>();
    record.gameTime = input.ConsumeFloatingPoint<float>();
    record.possessionTime = input.ConsumeFloatingPoint<float>();
    record.teamPossessionTime = input.ConsumeFloatingPoint<float>();
    record.opponentPossessionTime = input.ConsumeFloatingPoint<float>();
    record.isRanked = input.ConsumeBool();
    record.initialMmr = input.ConsumeFloatingPoint<float>();
    record.mmrChange = input.ConsumeFloatingPoint<float>();
    record.playlistName = input.ConsumeRandomLengthString(256);
    SizeGrid(record.shotHeatmap);
    SizeGrid(record.goalHeatmap);
    while (input.remaining_bytes() > 0) {
        const int row = input.ConsumeIntegralInRange(0, GridRows - 1);
        const int col = input.ConsumeIntegralInRange(0, GridCols - 1);
        if (input.ConsumeBool()) record.shotHeatmap[row][col] = input.ConsumeFloatingPoint<float>();
        else record.goalHeatmap[row][col] = input.ConsumeIntegral<int32_t>();
    }

    std::set<std::string> named;
    const std::string text = zando::UploadBody(record, "2026-12-07T20:00:00Z", [&](const char* key) { named.insert(key); });
    if (!zando_fuzz::IsValidUtf8(record.playlistName)) return 0;  // JSON text is UTF-8: the title's bytes are sent as they are

    nlohmann::ordered_json body;
    try {
        body = nlohmann::ordered_json::parse(text);
    } catch (const nlohmann::json::exception& e) {
        zando_fuzz::Fail(std::string("the body is not JSON: ") + e.what());
    }
    static const std::vector<std::string> keys = {
        "timestamp", "shots", "goals", "averageSpeed", "speedSamples", "boostCollected", "boostUsed", "gameTime",
        "possessionTime", "teamPossessionTime", "opponentPossessionTime", "playlist", "isRanked", "mmr",
        "mmrChange", "shotHeatmap", "goalHeatmap"};
    std::vector<std::string> order;
    for (const auto& item : body.items()) order.push_back(item.key());
    Check(order == keys, "the body's keys are not the dashboard's, in its order");

    Check(body["timestamp"] == "2026-12-07T20:00:00Z", "timestamp changed");
    Check(body["shots"] == record.shots && body["goals"] == record.goals, "shots or goals sent as other numbers");
    Check(body["speedSamples"] == record.speedSamples, "speedSamples sent as another number");
    Check(body["playlist"] == record.playlistName, "the playlist's title changed on the way");
    Check(body["isRanked"] == record.isRanked, "isRanked changed");
    CheckFigure(body, "averageSpeed", record.AverageSpeed(), named);
    CheckFigure(body, "boostCollected", record.boostCollected, named);
    CheckFigure(body, "boostUsed", record.boostUsed, named);
    CheckFigure(body, "gameTime", record.gameTime, named);
    CheckFigure(body, "possessionTime", record.possessionTime, named);
    CheckFigure(body, "teamPossessionTime", record.teamPossessionTime, named);
    CheckFigure(body, "opponentPossessionTime", record.opponentPossessionTime, named);
    CheckFigure(body, "mmr", record.initialMmr, named);
    CheckFigure(body, "mmrChange", record.mmrChange, named);
    for (const char* grid : {"shotHeatmap", "goalHeatmap"}) {
        const auto& rows = body[grid];
        Check(rows.is_array() && rows.size() == 10, std::string(grid) + " has not 10 rows");
        for (const auto& row : rows) {
            Check(row.is_array() && row.size() == 10, std::string(grid) + " has a row without 10 cells");
            for (const auto& cell : row) Check(cell.is_number(), std::string(grid) + " has a cell that is not a number");
        }
    }
    return 0;
}
