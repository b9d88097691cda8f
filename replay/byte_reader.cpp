// The game's length-prefixed text.
#include "replay/byte_reader.h"

#include "replay/game_text.h"

namespace replay {

std::string ByteReader::Text() {
    const std::int32_t length = I32();
    if (length == 0) return {};
    if (length < 0) {
        if (length == INT32_MIN || static_cast<std::uint64_t>(-static_cast<std::int64_t>(length)) * 2 > Remaining())
            Fail("a text of " + std::to_string(length) + " UTF-16 units does not fit in the " + std::to_string(Remaining()) +
                 " bytes left");
        auto bytes = Bytes(static_cast<std::size_t>(-static_cast<std::int64_t>(length)) * 2);
        if (bytes.size() >= 2 && bytes[bytes.size() - 1] == 0 && bytes[bytes.size() - 2] == 0)
            bytes = bytes.first(bytes.size() - 2);
        return Utf16ToUtf8(bytes);
    }
    if (static_cast<std::uint64_t>(length) > Remaining())
        Fail("a text of " + std::to_string(length) + " bytes does not fit in the " + std::to_string(Remaining()) + " bytes left");
    auto bytes = Bytes(static_cast<std::size_t>(length));
    if (!bytes.empty() && bytes.back() == 0) bytes = bytes.first(bytes.size() - 1);
    return Windows1252ToUtf8(bytes);
}

}  // namespace replay
