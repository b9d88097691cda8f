// The body's tables, each a counted list.
#include "replay/replay_body.h"

namespace replay {

namespace {

std::vector<std::string> ReadTexts(ByteReader& reader, const char* what) {
    reader.SetPart(what);
    const std::size_t count = reader.Count(4, what);
    std::vector<std::string> texts;
    texts.reserve(count);
    for (std::size_t i = 0; i < count; ++i) texts.push_back(reader.Text());
    return texts;
}

}  // namespace

ReplayBody ReadBody(ByteReader& reader) {
    ReplayBody body;
    body.levels = ReadTexts(reader, "levels");

    reader.SetPart("keyframes");
    const std::size_t keyframes = reader.Count(12, "keyframes");
    body.keyframes.reserve(keyframes);
    for (std::size_t i = 0; i < keyframes; ++i) {
        Keyframe keyframe;
        keyframe.time = reader.F32();
        keyframe.frame = reader.I32();
        keyframe.bitPosition = reader.I32();
        body.keyframes.push_back(keyframe);
    }

    reader.SetPart("network frames");
    const std::uint32_t streamSize = reader.U32();
    if (streamSize > reader.Remaining())
        reader.Fail("the network frames' " + std::to_string(streamSize) + " bytes do not fit in the " +
                    std::to_string(reader.Remaining()) + " bytes left");
    body.streamOffset = reader.Offset();
    body.stream = reader.Bytes(streamSize);

    reader.SetPart("debug messages");
    const std::size_t messages = reader.Count(12, "debug messages");
    for (std::size_t i = 0; i < messages; ++i) {
        reader.I32();
        reader.Text();
        reader.Text();
    }
    reader.SetPart("tick marks");
    const std::size_t marks = reader.Count(8, "tick marks");
    for (std::size_t i = 0; i < marks; ++i) {
        reader.Text();
        reader.I32();
    }
    body.packages = ReadTexts(reader, "packages");
    body.objects = ReadTexts(reader, "objects");
    body.names = ReadTexts(reader, "names");

    reader.SetPart("class indices");
    const std::size_t classes = reader.Count(8, "class indices");
    body.classes.reserve(classes);
    for (std::size_t i = 0; i < classes; ++i) {
        ClassIndex entry;
        entry.name = reader.Text();
        entry.object = reader.I32();
        body.classes.push_back(std::move(entry));
    }

    reader.SetPart("class net cache");
    const std::size_t entries = reader.Count(16, "class net cache entries");
    body.netCache.reserve(entries);
    for (std::size_t i = 0; i < entries; ++i) {
        NetCacheEntry entry;
        entry.object = reader.I32();
        entry.parentId = reader.I32();
        entry.cacheId = reader.I32();
        const std::size_t properties = reader.Count(8, "cached properties");
        entry.properties.reserve(properties);
        for (std::size_t j = 0; j < properties; ++j) {
            CacheProperty property;
            property.object = reader.I32();
            property.streamId = reader.I32();
            entry.properties.push_back(property);
        }
        body.netCache.push_back(std::move(entry));
    }
    return body;
}

}  // namespace replay
