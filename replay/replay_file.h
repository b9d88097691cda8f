// Reading a whole replay file: the header and its checksum, the body and its checksum, the network
// frames to the header's frame count. Anything that cannot be read is refused with a ReplayError that
// names the part and the byte.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "replay/match_frames.h"
#include "replay/replay_body.h"
#include "replay/replay_header.h"

namespace replay {

// The versions whose network frames this reader knows: engine 868, licensee 32, network 10 and 11.
inline constexpr std::uint32_t EngineVersion = 868;
inline constexpr std::uint32_t LicenseeVersion = 32;
inline constexpr std::uint32_t OldestNetVersion = 10;
inline constexpr std::uint32_t NewestNetVersion = 11;

// Larger than any replay the game writes (a long match is about 3 MB).
inline constexpr std::uint64_t MaxReplayBytes = 256ull << 20;

struct ReadOptions {
    bool frames = true;    // false: the header and body tables only (the frames' versions are not checked)
    bool checkCrc = true;  // false: read a file whose checksums do not match (the fuzz target does, to reach the parser)
};

struct Replay {
    ReplayHeader header;
    ReplayBody body;  // its stream points into the bytes read
    MatchFrames match;
    std::uint32_t headerCrc = 0;
    std::uint32_t bodyCrc = 0;
};

Replay ReadReplay(std::span<const std::uint8_t> file, ReadOptions options = {});

// The file's bytes, kept for as long as a Replay read from them is used.
std::vector<std::uint8_t> LoadReplayBytes(const std::filesystem::path& path);

}  // namespace replay
