// Where a counted shot or goal truly happened, and its text form: one line-free text for a match's
// places, as the history's column and the reload file keep them ("G 81.5 -120 4010 17 -300 5150 93
// 2480;S ..."): the kind (G goal, S shot), the match clock, the car's x y z, the ball's x y z and the
// ball's speed, places separated by ';'. Each number is written so that it reads back exactly.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A point of the field in world units: X across (the side walls at about +-4,096), Y along (blue's
// goal at -5,120, orange's at +5,120), Z up.
struct FieldPoint {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    bool operator==(const FieldPoint&) const = default;
};

// A counted shot or goal where it truly happened (beside its zone on the 62 x 50 grid).
struct ShotPlace {
    bool goal = false;       // a goal; else a shot
    float clock = 0.0f;      // the match clock, seconds since the match began
    FieldPoint car;          // the player's car at the touch the game counted
    FieldPoint ball;         // the ball where the game counted the shot or goal
    float ballSpeed = 0.0f;  // the ball's speed then, units per second
    bool operator==(const ShotPlace&) const = default;
};

namespace zando {

// The most places a match keeps; a match's shots and goals never come near it.
constexpr std::size_t MaxShotPlaces = 512;
// How far from the centre a place may be in any direction, and the fastest ball speed taken.
constexpr float FieldReach = 20000.0f;
constexpr float BallSpeedLimit = 10000.0f;
// The longest match clock taken, s (a match with any overtime stays far below a day).
constexpr float ClockLimit = 86400.0f;

// Whether a place's every number is finite and within the field's reach.
bool PlausiblePlace(const ShotPlace& place);
std::string ShotPlacesText(const std::vector<ShotPlace>& places);
// nullopt when the text is not such a list, holds a number that is not plausible, or too many places.
std::optional<std::vector<ShotPlace>> ParseShotPlaces(std::string_view text);

}  // namespace zando
