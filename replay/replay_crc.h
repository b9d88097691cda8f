// The checksum the game writes over a replay's header and over its body: a CRC-32 with the polynomial
// 0x04C11DB7, most significant bit first, started from the game's own seed.
#pragma once

#include <cstdint>
#include <span>

namespace replay {

std::uint32_t ReplayCrc(std::span<const std::uint8_t> data);

}  // namespace replay
