// The replay checksum, a byte at a time from a table made at compile time.
#include "replay/replay_crc.h"

#include <array>

namespace replay {

namespace {

constexpr std::uint32_t Polynomial = 0x04C11DB7u;
constexpr std::uint32_t Seed = 0xEFCBF201u;

// Table k gives a byte's remainder followed by k zero bytes: sixteen bytes are folded in at once.
constexpr std::array<std::array<std::uint32_t, 256>, 16> MakeTables() {
    std::array<std::array<std::uint32_t, 256>, 16> tables{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t crc = i << 24;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000u) ? (crc << 1) ^ Polynomial : crc << 1;
        tables[0][i] = crc;
    }
    for (std::size_t k = 1; k < 16; ++k)
        for (std::uint32_t i = 0; i < 256; ++i) tables[k][i] = (tables[k - 1][i] << 8) ^ tables[0][tables[k - 1][i] >> 24];
    return tables;
}

constexpr auto Tables = MakeTables();

std::uint32_t BigEndian(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

}  // namespace

std::uint32_t ReplayCrc(std::span<const std::uint8_t> data) {
    std::uint32_t crc = ~Seed;
    const std::uint8_t* p = data.data();
    std::size_t left = data.size();
    const auto fold = [](std::uint32_t word, std::size_t k) {
        return Tables[k + 3][word >> 24] ^ Tables[k + 2][(word >> 16) & 0xFF] ^ Tables[k + 1][(word >> 8) & 0xFF] ^
               Tables[k][word & 0xFF];
    };
    for (; left >= 16; left -= 16, p += 16)
        crc = fold(crc ^ BigEndian(p), 12) ^ fold(BigEndian(p + 4), 8) ^ fold(BigEndian(p + 8), 4) ^ fold(BigEndian(p + 12), 0);
    for (; left > 0; --left, ++p) crc = (crc << 8) ^ Tables[0][(*p ^ (crc >> 24)) & 0xFF];
    return ~crc;
}

}  // namespace replay
