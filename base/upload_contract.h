// The upload's contract, shared by the plug-in that sends a finished match and the dashboard that
// reads it: its addresses and formats, the body's field names, the size of its grids and how the
// 62 x 50 zones fold into them, the heat of a shot, and the unit factors. Servers and stored matches
// rely on every value here.
//
// Two formats: the defined body (format "v1", POSTed to DefinedPath), which every server takes, and the
// whole match (format "v2", POSTed to WholeMatchPath): the defined body's fields, its "timestamp" the
// match's end, and the fields of `whole` below. A service names the formats it takes in its health
// answer's "formats" array; a server that names none takes the defined body only.
#pragma once

#include <array>

namespace zando::upload {

inline constexpr const char* DefinedPath = "/api/stats/upload";
inline constexpr const char* WholeMatchPath = "/api/v2/matches";
inline constexpr const char* HealthPath = "/api/health";
inline constexpr const char* DefinedFormat = "v1";
inline constexpr const char* WholeMatchFormat = "v2";

inline constexpr int BlocksPerSide = 10;     // the grids sent are 10 x 10 blocks of the 62 x 50 zones
inline constexpr float ShotHeat = 5.0f;      // heat a counted shot adds to its zone; a goal adds 1
inline constexpr double KmhPerUnit = 0.036;  // game units (centimetres) a second to km/h

// The first zone of block `block` (0 to BlocksPerSide) along a side of `zones` zones: the side is
// split in float steps, each edge cut toward zero.
constexpr int BlockEdge(int zones, int block) {
    return static_cast<int>(static_cast<float>(block) * (static_cast<float>(zones) / static_cast<float>(BlocksPerSide)));
}
constexpr int ZonesAlong(int zones, int block) { return BlockEdge(zones, block + 1) - BlockEdge(zones, block); }

// The body's fields, as the plug-in writes them.
namespace field {
inline constexpr const char* Timestamp = "timestamp";
inline constexpr const char* Shots = "shots";
inline constexpr const char* Goals = "goals";
inline constexpr const char* AverageSpeed = "averageSpeed";
inline constexpr const char* SpeedSamples = "speedSamples";
inline constexpr const char* BoostCollected = "boostCollected";
inline constexpr const char* BoostUsed = "boostUsed";
inline constexpr const char* GameTime = "gameTime";
inline constexpr const char* PossessionTime = "possessionTime";
inline constexpr const char* TeamPossessionTime = "teamPossessionTime";
inline constexpr const char* OpponentPossessionTime = "opponentPossessionTime";
inline constexpr const char* Playlist = "playlist";
inline constexpr const char* IsRanked = "isRanked";
inline constexpr const char* Mmr = "mmr";
inline constexpr const char* MmrChange = "mmrChange";
inline constexpr const char* ShotHeatmap = "shotHeatmap";
inline constexpr const char* GoalHeatmap = "goalHeatmap";
}  // namespace field

// Every field, in the body's order.
inline constexpr std::array<const char*, 17> Fields = {field::Timestamp,
                                                       field::Shots,
                                                       field::Goals,
                                                       field::AverageSpeed,
                                                       field::SpeedSamples,
                                                       field::BoostCollected,
                                                       field::BoostUsed,
                                                       field::GameTime,
                                                       field::PossessionTime,
                                                       field::TeamPossessionTime,
                                                       field::OpponentPossessionTime,
                                                       field::Playlist,
                                                       field::IsRanked,
                                                       field::Mmr,
                                                       field::MmrChange,
                                                       field::ShotHeatmap,
                                                       field::GoalHeatmap};

// The whole match's fields beyond the defined body's, in the body's order. Each may be null where the
// plug-in does not know it (the start, the team, the score, the result); "places" is an array of
// objects: "kind" ("shot" or "goal"), "clock" (s since the match began), "car" and "ball" ([x, y, z],
// world units), "ballSpeed" (units/s).
namespace whole {
inline constexpr const char* MatchId = "matchId";  // the match's own id: the same match sent again has it too
inline constexpr const char* StartedAt = "startedAt";
inline constexpr const char* Team = "team";
inline constexpr const char* ScoreFor = "scoreFor";
inline constexpr const char* ScoreAgainst = "scoreAgainst";
inline constexpr const char* Result = "result";  // "win", "loss", "forfeit"
inline constexpr const char* Overtime = "overtime";
inline constexpr const char* Saves = "saves";
inline constexpr const char* Assists = "assists";
inline constexpr const char* Demolitions = "demolitions";
inline constexpr const char* Demolished = "demolished";
inline constexpr const char* Places = "places";
}  // namespace whole

inline constexpr std::array<const char*, 12> WholeFields = {
    whole::MatchId,  whole::StartedAt, whole::Team,    whole::ScoreFor,    whole::ScoreAgainst, whole::Result,
    whole::Overtime, whole::Saves,     whole::Assists, whole::Demolitions, whole::Demolished,   whole::Places};

}  // namespace zando::upload
