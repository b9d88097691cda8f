// Reading the network frames, a stream of bits taken from the lowest bit of each byte up. Every read is
// checked against the stream's end; eight readable bytes after it let a read of up to 57 bits be one
// unaligned load.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

#include "replay/replay_error.h"

namespace replay {

class BitReader {
public:
    // data holds bytes bytes and eight more readable bytes after them (their bits are never used);
    // fileOffset is where the stream begins in the file.
    BitReader(const std::uint8_t* data, std::size_t bytes, std::uint64_t fileOffset)
        : data_(data), bits_(static_cast<std::uint64_t>(bytes) * 8), fileOffset_(fileOffset) {}

    std::uint64_t Position() const { return pos_; }
    std::uint64_t BitsLeft() const { return bits_ - pos_; }
    [[noreturn]] void Fail(const std::string& reason) const {
        throw ReplayError("network frames", fileOffset_ + pos_ / 8, reason + " (bit " + std::to_string(pos_ % 8) + ")");
    }

    // n from 0 to 32.
    std::uint32_t Bits(unsigned n) {
        if (n > bits_ - pos_) Fail("the stream ends inside a value");
        std::uint64_t word;
        std::memcpy(&word, data_ + (pos_ >> 3), sizeof word);
        word >>= (pos_ & 7);
        pos_ += n;
        return static_cast<std::uint32_t>(word & ((std::uint64_t{1} << n) - 1));
    }
    // n from 0 to 57.
    std::uint64_t Wide(unsigned n) {
        if (n > bits_ - pos_) Fail("the stream ends inside a value");
        return Unchecked(n);
    }
    // n from 0 to 57, the caller having made sure the stream holds them (BitsLeft).
    std::uint64_t Unchecked(unsigned n) {
        std::uint64_t word;
        std::memcpy(&word, data_ + (pos_ >> 3), sizeof word);
        word >>= (pos_ & 7);
        pos_ += n;
        return word & ((std::uint64_t{1} << n) - 1);
    }
    bool Bit() { return Bits(1) != 0; }
    std::uint8_t U8() { return static_cast<std::uint8_t>(Bits(8)); }
    std::uint32_t U32() { return Bits(32); }
    std::int32_t I32() { return static_cast<std::int32_t>(Bits(32)); }
    std::uint64_t U64() {
        const std::uint64_t low = Bits(32);
        return low | (static_cast<std::uint64_t>(Bits(32)) << 32);
    }
    float F32() { return std::bit_cast<float>(Bits(32)); }
    void Skip(std::uint64_t n) {
        if (n > bits_ - pos_) Fail("the stream ends inside a value");
        pos_ += n;
    }
    void SkipBytes(std::uint64_t n) {
        if (n > (bits_ - pos_) / 8) Fail("the stream ends inside a value");
        pos_ += n * 8;
    }
    // The engine's packed integer from 0 to maxInclusive: bit i, lowest first, is present only while the
    // value so far plus 2^i stays within the bound.
    std::uint32_t Bounded(std::uint32_t maxInclusive) {
        if (maxInclusive == 0) return 0;
        const unsigned width = static_cast<unsigned>(std::bit_width(maxInclusive));
        std::uint32_t value = Bits(width - 1);
        const std::uint32_t top = std::uint32_t{1} << (width - 1);
        if (value + top <= maxInclusive && Bit()) value += top;
        return value;
    }

private:
    const std::uint8_t* data_;
    std::uint64_t bits_;
    std::uint64_t pos_ = 0;
    std::uint64_t fileOffset_;
};

}  // namespace replay
