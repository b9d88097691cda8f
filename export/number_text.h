// Numbers as the exports and the upload body write them: a float as a default-formatted output stream
// prints it (the %g style with six significant digits: 5, 1234.57, 0.0001, 1e+06), always with ".";
// a figure that is not a finite number is written as 0 where the text must be JSON.
#pragma once

#include <cmath>
#include <locale>
#include <sstream>
#include <string>

namespace zando {

inline std::string NumberText(double value) {
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << value;
    return text.str();
}

// A figure for JSON, which has no infinity or NaN: such a figure is written "0", after sayWhy() is called.
template <class SayWhy>
std::string FiniteNumberText(double value, SayWhy&& sayWhy) {
    if (std::isfinite(value)) return NumberText(value);
    sayWhy();
    return "0";
}

}  // namespace zando
