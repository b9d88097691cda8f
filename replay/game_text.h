// The game's two text encodings, Windows-1252 and UTF-16 (little-endian), turned into UTF-8; what is not
// valid becomes U+FFFD.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace replay {

std::string Windows1252ToUtf8(std::span<const std::uint8_t> bytes);
std::string Utf16ToUtf8(std::span<const std::uint8_t> bytes);  // pairs of bytes, low byte first

}  // namespace replay
