// MatchRecord: one match's figures and metadata as the statistics file and the upload write them.
// The end of a match takes a copy, so a reset or a new match during the wait for the new MMR cannot
// change what is written and sent for the match that ended.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "base/grid.h"

struct MatchRecord {
    int32_t shots = 0;                     // shots counted
    int32_t goals = 0;                     // goals counted
    float speedSum = 0.0f;                 // sum of speed samples, units per second
    int32_t speedSamples = 0;              // number of speed samples
    float boostCollected = 0.0f;           // pad units
    float boostUsed = 0.0f;                // percent points of the tank
    float gameTime = 0.0f;                 // seconds covered by possession sampling
    float possessionTime = 0.0f;           // seconds
    float teamPossessionTime = 0.0f;       // seconds
    float opponentPossessionTime = 0.0f;   // seconds
    Grid<float> shotHeatmap;               // shot heat, 5.0 per shot
    Grid<int32_t> goalHeatmap;             // goals per zone
    std::string playlistName = "Unknown";  // playlist of the match
    bool isRanked = false;
    float initialMmr = 0.0f;               // MMR when the match started; 0 = none captured
    float mmrChange = 0.0f;                // final MMR minus initialMmr
    int32_t playlistId = 0;                // playlist id the MMR is asked for
    // For the match history only (not written to the statistics file nor sent).
    float supersonicTime = 0.0f;           // seconds of gameTime at the supersonic speed or faster
    float emptyTankTime = 0.0f;            // seconds of gameTime with no boost
    float fullTankTime = 0.0f;             // seconds of gameTime with a full tank
    int32_t team = -1;                     // the local player's team, 0 or 1; -1 unknown
    bool overtime = false;                 // the match was decided in overtime
    bool left = false;                     // the match was left before its end
    std::optional<std::array<int32_t, 2>> finalScore;  // blue's and orange's goals, when the game gave them

    float AverageSpeed() const { return speedSamples >= 1 ? speedSum / static_cast<float>(speedSamples) : 0.0f; }
};
