// Game constants and detection thresholds of match tracking, each with its unit and its reason.
#pragma once

#include "base/upload_contract.h"

#include <array>

#include "bakkesmod/wrappers/wrapperstructs.h"

namespace zando::constants {

// [SECTION] The field (world units)
inline constexpr float fieldLength = 10240.0f;  // divides X in the zone mapping
inline constexpr float fieldWidth = 8192.0f;    // divides Y in the zone mapping

// [SECTION] Goals and touches
inline constexpr float GoalLineY = 4500.0f;         // units on Y: a ball beyond it is inside a goal
inline constexpr float TouchAgeLimit = 3.0f;        // s: a goal counts only this soon after the player's touch
inline constexpr float GoalDuplicateWindow = 2.0f;  // s: one goal reported again within this is the same goal

// [SECTION] Shots
inline constexpr float ShotDuplicateWindow = 1.0f;      // s: a second shot report within this...
inline constexpr float ShotDuplicateDistance = 300.0f;  // units: ...and closer than this is the same shot
inline constexpr float ShotHeat = upload::ShotHeat;     // heat added to a zone per counted shot
inline constexpr int GoalCount = 1;                     // added to a zone per counted goal
// Stat events by their names, which stay the same in every language the game shows its labels in.
inline constexpr const char* ShotEventName = "Shot";  // a shot on goal ("Shot on Goal")
inline constexpr const char* GoalEventName = "Goal";  // a goal ("Goal")
// The save counter's event ("Save"): the game sends it for every save, an epic one too (whose own
// "EpicSave" event is not counted again).
inline constexpr const char* SaveEventName = "Save";
inline constexpr const char* AssistEventName = "Assist";
inline constexpr const char* DemolishEventName = "Demolish";  // its receiver demolished its victim

// [SECTION] Speed sampling
inline constexpr float SpeedIntervalLimit = 0.1f;  // s: a speed sample needs 0 < interval < this
inline constexpr float SpeedCeiling = 10000.0f;    // units/s: faster readings are teleports, not driving
inline constexpr float SupersonicSpeed = 2200.0f;  // units/s: the game's supersonic speed

// [SECTION] Boost sampling (amounts are fractions of a full tank, gains and uses percent points)
inline constexpr float PickupThreshold = 0.003f;  // a rise above this is a pickup
inline constexpr float SpendThreshold = 0.0001f;  // a fall beyond this is spending
inline constexpr float LargePadGain = 95.0f;      // a gain of at least this is a large pad
inline constexpr float SmallPadCredit = 12.0f;    // pad units credited for a small pad
inline constexpr float LargePadCredit = 100.0f;   // pad units credited for a large pad
inline constexpr float SpendCeiling = 10.0f;      // larger falls in one sample (demolitions, respawns) are not use
inline constexpr float LargePadRadius = 300.0f;   // units: a pickup this close to a large pad is one
inline const std::array<Vector, 6> LargePadLocations = {{
    {-3072.0f, -4096.0f, 73.0f},
    {3072.0f, -4096.0f, 73.0f},
    {-3072.0f, 4096.0f, 73.0f},
    {3072.0f, 4096.0f, 73.0f},
    {-3584.0f, 0.0f, 73.0f},
    {3584.0f, 0.0f, 73.0f},
}};

// [SECTION] Possession sampling
inline constexpr float PossessionIntervalLimit = 0.5f;  // s: a possession sample needs 0 < interval < this
inline constexpr float PossessionRadius = 400.0f;       // units: the nearest car must be closer than this
inline constexpr float NearestCarStart = 99999.0f;      // units: start value of the nearest distance

// [SECTION] Match end and metadata
inline constexpr float MmrDelaySeconds = 3.0f;  // s: wait after the end for the game to post the new MMR
inline constexpr std::array<int, 8> RankedPlaylistIds = {10, 11, 13, 24,
                                                         25, 26, 27, 34};  // ranked even when the game's flag says not

}  // namespace zando::constants
