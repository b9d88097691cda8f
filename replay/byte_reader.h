// Little-endian reading of a replay's byte-aligned parts (the header and the body's tables), every read
// checked against the bytes there are: a short or hostile file is refused with the part and the offset.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "replay/replay_error.h"

namespace replay {

class ByteReader {
public:
    // base: the offset of data's first byte in the file, for the errors' offsets.
    ByteReader(std::span<const std::uint8_t> data, std::uint64_t base, std::string part)
        : data_(data), base_(base), part_(std::move(part)) {}

    void SetPart(std::string part) { part_ = std::move(part); }
    std::uint64_t Offset() const { return base_ + pos_; }
    std::size_t Remaining() const { return data_.size() - pos_; }
    bool AtEnd() const { return pos_ == data_.size(); }
    [[noreturn]] void Fail(const std::string& reason) const { throw ReplayError(part_, Offset(), reason); }

    std::uint8_t U8() { return Fixed<std::uint8_t>(); }
    std::uint32_t U32() { return Fixed<std::uint32_t>(); }
    std::int32_t I32() { return Fixed<std::int32_t>(); }
    std::uint64_t U64() { return Fixed<std::uint64_t>(); }
    float F32() { return Fixed<float>(); }
    std::span<const std::uint8_t> Bytes(std::size_t count) {
        Need(count);
        const auto bytes = data_.subspan(pos_, count);
        pos_ += count;
        return bytes;
    }
    // A list's length, refused when its elements (each at least minimumBytes long) cannot all be there.
    std::size_t Count(std::size_t minimumBytes, const char* what) {
        const std::int32_t count = I32();
        if (count < 0) Fail(std::string("negative length of ") + what + " (" + std::to_string(count) + ")");
        if (static_cast<std::uint64_t>(count) * minimumBytes > Remaining())
            Fail(std::to_string(count) + " " + what + " cannot fit in the " + std::to_string(Remaining()) + " bytes left");
        return static_cast<std::size_t>(count);
    }
    // The game's text: a signed length with the terminating NUL; negative for UTF-16 code units,
    // positive for Windows-1252 bytes. Returned as UTF-8 without the NUL.
    std::string Text();

private:
    void Need(std::size_t count) const {
        if (count > Remaining()) Fail("needs " + std::to_string(count) + " bytes, " + std::to_string(Remaining()) + " left");
    }
    template <typename T>
    T Fixed() {
        Need(sizeof(T));
        T value;
        std::memcpy(&value, data_.data() + pos_, sizeof(T));
        pos_ += sizeof(T);
        return value;
    }

    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
    std::uint64_t base_;
    std::string part_;
};

}  // namespace replay
