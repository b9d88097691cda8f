// A text as a JSON string's contents: quote, backslash and control characters escaped, every other
// byte (UTF-8 included) kept as it is.
#pragma once

#include <string>
#include <string_view>

namespace zando {

std::string JsonEscaped(std::string_view text);

}  // namespace zando
