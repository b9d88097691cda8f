// The match's figures as every view writes them (the post-game card, the panel, the settings page):
// one rule for each, whole numbers cut towards zero, so a figure reads the same wherever it is shown.
#pragma once

#include <string>

#include "base/upload_contract.h"

namespace zando::figures {

inline constexpr float KmhPerUnit = static_cast<float>(upload::KmhPerUnit);  // game units per second to km/h
inline constexpr float MphPerUnit = 0.0224f;                                 // game units per second to mph

inline int Whole(float value) { return static_cast<int>(value); }  // towards zero
inline int Kph(float unitsPerSecond) { return Whole(unitsPerSecond * KmhPerUnit); }
inline int Mph(float unitsPerSecond) { return Whole(unitsPerSecond * MphPerUnit); }

// "38 kph  /  23 mph"
inline std::string SpeedText(float unitsPerSecond) {
    return std::to_string(Kph(unitsPerSecond)) + " kph  /  " + std::to_string(Mph(unitsPerSecond)) + " mph";
}
// "58s  (19%)" on the card, "58s (19%)" in the panel (gap: the spaces before the bracket)
inline std::string PossessionText(float seconds, float percent, const char* gap = "  ") {
    return std::to_string(Whole(seconds)) + "s" + gap + "(" + std::to_string(Whole(percent)) + "%)";
}
// "4.5": a figure that is not negative, to a tenth, cut towards zero
inline std::string Tenths(float value) {
    const int tenths = Whole(value * 10.0f);
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}
// "4m 5s" on the card; "4m 05s", the seconds in two digits, in the panel (twoDigitSeconds)
inline std::string DurationText(float seconds, bool twoDigitSeconds = false) {
    const int whole = Whole(seconds);
    const int rest = whole % 60;
    return std::to_string(whole / 60) + "m " + (twoDigitSeconds && rest < 10 ? "0" : "") + std::to_string(rest) + "s";
}

}  // namespace zando::figures
