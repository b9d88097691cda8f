// Numbers as the exports and the upload body write them: a float as a default-formatted output stream
// prints it (the %g style with six significant digits: 5, 1234.57, 0.0001, 1e+06), always with ".";
// a figure that is not a finite number is written as 0 where the text must be JSON. Written without a
// stream or a locale (no locale is built at a match's end): std::to_chars with a precision writes as
// printf does in the "C" locale.
#pragma once

#include <charconv>
#include <cmath>
#include <string>

namespace zando {

inline std::string NumberText(double value) {
    char text[32];  // "-2.22507e-308" at most
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
    return std::string(text, written.ptr);
}

// A figure for JSON, which has no infinity or NaN: such a figure is written "0", after sayWhy() is called.
template <class SayWhy>
std::string FiniteNumberText(double value, SayWhy&& sayWhy) {
    if (std::isfinite(value)) return NumberText(value);
    sayWhy();
    return "0";
}

}  // namespace zando
