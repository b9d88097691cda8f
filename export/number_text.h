// Numbers as the exports and the upload body write them: a float as a default-formatted output stream
// prints it (the %g style with six significant digits: 5, 1234.57, 0.0001, 1e+06), always with ".".
#pragma once

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

}  // namespace zando
