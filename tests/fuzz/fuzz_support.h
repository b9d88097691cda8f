// What the fuzz targets share: a check that stops the run with its reason (libFuzzer keeps the input
// that did it), and a test for text that is valid UTF-8.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace zando_fuzz {

[[noreturn]] inline void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}

inline void Check(bool holds, const std::string& what) {
    if (!holds) Fail(what);
}

// nlohmann's own UTF-8 check, which is independent of the code under test: dumping a string that is
// not valid UTF-8 throws.
inline bool IsValidUtf8(std::string_view text) {
    try {
        (void)nlohmann::json(std::string(text)).dump();
        return true;
    } catch (const nlohmann::json::type_error&) {
        return false;
    }
}

inline std::string_view AsText(const unsigned char* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace zando_fuzz
