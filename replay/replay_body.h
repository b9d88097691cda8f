// A replay's body: the tables its network frames refer to (levels, keyframes, objects, names, the
// classes' indices and the class net cache) and where the frames' bits lie.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "replay/byte_reader.h"

namespace replay {

struct Keyframe {
    float time = 0.0f;
    int frame = 0;
    int bitPosition = 0;
};

struct ClassIndex {
    std::string name;
    int object = 0;  // the class's index among the objects
};

struct CacheProperty {
    int object = 0;  // the property's name, an index among the objects
    int streamId = 0;
};

// One class's properties as the stream numbers them; a class also has those of its parent entry.
struct NetCacheEntry {
    int object = 0;    // the class, an index among the objects
    int parentId = 0;  // the cacheId of the parent's entry
    int cacheId = 0;
    std::vector<CacheProperty> properties;
};

struct ReplayBody {
    std::vector<std::string> levels;
    std::vector<Keyframe> keyframes;
    // The network frames' bytes, inside the file; the body's tables follow them (at least their seven
    // counts, 28 bytes), which a reader's loads of 8 bytes at a time may touch past the stream's end.
    std::span<const std::uint8_t> stream;
    std::uint64_t streamOffset = 0;  // where they begin in the file
    std::vector<std::string> packages;
    std::vector<std::string> objects;
    std::vector<std::string> names;
    std::vector<ClassIndex> classes;
    std::vector<NetCacheEntry> netCache;
};

// Reads the body's bytes (after its length and checksum); throws ReplayError.
ReplayBody ReadBody(ByteReader& reader);

}  // namespace replay
