// The soccar field as the simulation uses it: dimensions, goals, boost pads and kickoff spots, in
// world units (X across the field, Y from the blue goal at -Y to the orange goal at +Y, Z up).
#pragma once

#include <array>

namespace sandbox::field {

inline constexpr double SideWallX = 4096.0;
inline constexpr double BackWallY = 5120.0;   // the goal lines lie on the back walls
inline constexpr double CeilingZ = 2044.0;
inline constexpr double GoalHalfWidth = 893.0;
inline constexpr double GoalHeight = 642.0;
inline constexpr double BallRadius = 92.75;
inline constexpr double CarRestZ = 17.01;     // a car's centre standing on the floor

struct PadSpot {
    double x;
    double y;
    bool large;
};

// 6 large pads (100 boost, back in 10 s) and 28 small ones (12 boost, back in 4 s).
inline constexpr std::array<PadSpot, 34> Pads = {{
    {-3072, -4096, true}, {3072, -4096, true}, {-3584, 0, true}, {3584, 0, true}, {-3072, 4096, true}, {3072, 4096, true},
    {0, -4240, false},     {-1792, -4184, false}, {1792, -4184, false}, {-940, -3308, false}, {940, -3308, false},
    {0, -2816, false},     {-3584, -2484, false}, {3584, -2484, false}, {-1788, -2300, false}, {1788, -2300, false},
    {-2048, -1036, false}, {0, -1024, false},     {2048, -1036, false}, {-1024, 0, false},     {1024, 0, false},
    {-2048, 1036, false},  {0, 1024, false},      {2048, 1036, false},  {-1788, 2300, false},  {1788, 2300, false},
    {-3584, 2484, false},  {3584, 2484, false},   {0, 2816, false},     {-940, 3310, false},   {940, 3308, false},
    {-1792, 4184, false},  {1792, 4184, false},   {0, 4240, false},
}};
inline constexpr double LargePadBoost = 100.0, SmallPadBoost = 12.0;      // percent points
inline constexpr double LargePadRadius = 208.0, SmallPadRadius = 144.0;   // pick-up reach on the floor
inline constexpr double LargePadRespawn = 10.0, SmallPadRespawn = 4.0;    // seconds

// Blue's five kickoff spots; orange's are the same turned half a circle about the centre.
struct Spot {
    double x;
    double y;
};
inline constexpr std::array<Spot, 5> BlueKickoffSpots = {{{-2048, -2560}, {2048, -2560}, {-256, -3840}, {256, -3840}, {0, -4608}}};

}  // namespace sandbox::field
