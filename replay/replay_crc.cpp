// The replay checksum, a byte at a time from a table made at compile time.
#include "replay/replay_crc.h"

#include <array>

namespace replay {

namespace {

constexpr std::uint32_t Polynomial = 0x04C11DB7u;
constexpr std::uint32_t Seed = 0xEFCBF201u;

constexpr std::array<std::uint32_t, 256> MakeTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t crc = i << 24;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000u) ? (crc << 1) ^ Polynomial : crc << 1;
        table[i] = crc;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> Table = MakeTable();

}  // namespace

std::uint32_t ReplayCrc(std::span<const std::uint8_t> data) {
    std::uint32_t crc = ~Seed;
    for (const std::uint8_t byte : data) crc = (crc << 8) ^ Table[(byte ^ (crc >> 24)) & 0xFF];
    return ~crc;
}

}  // namespace replay
