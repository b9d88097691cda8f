// Fuzzes the JSON escaping of texts that come from the game (the playlist's title): the escaped
// text must never end the string early or hold a raw control character, and valid UTF-8 must read
// back as the same text through an independent JSON parser.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/fuzz/fuzz_support.h"
#include "base/json_string.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using zando_fuzz::Check;
    const std::string_view text = zando_fuzz::AsText(data, size);
    const std::string escaped = zando::JsonEscaped(text);

    bool afterBackslash = false;
    for (const char c : escaped) {
        const auto byte = static_cast<unsigned char>(c);
        Check(byte >= 0x20, "raw control character in the escaped text");
        Check(c != '"' || afterBackslash, "unescaped quote in the escaped text");
        afterBackslash = c == '\\' && !afterBackslash;
    }
    Check(!afterBackslash, "escaped text ends inside an escape");

    if (zando_fuzz::IsValidUtf8(text)) {
        const nlohmann::json read = nlohmann::json::parse("\"" + escaped + "\"");
        Check(read.get<std::string>() == text, "escaped text does not read back as the same text");
    }
    return 0;
}
