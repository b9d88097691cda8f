// The one error a replay file is refused with: which part of the file could not be read, at which byte
// of the file, and why.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace replay {

class ReplayError : public std::runtime_error {
public:
    ReplayError(std::string part, std::uint64_t offset, const std::string& reason)
        : std::runtime_error(part + " at byte " + std::to_string(offset) + ": " + reason),
          part_(std::move(part)),
          offset_(offset) {}
    const std::string& Part() const { return part_; }
    std::uint64_t Offset() const { return offset_; }

private:
    std::string part_;
    std::uint64_t offset_;
};

}  // namespace replay
