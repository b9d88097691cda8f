// A replay file: two checked sections, each a length, a checksum and the bytes, then the frames.
#include "replay/replay_file.h"

#include <fstream>

#include "replay/network_frames.h"
#include "replay/replay_crc.h"

namespace replay {

namespace {

struct Section {
    std::span<const std::uint8_t> bytes;
    std::uint64_t offset = 0;
    std::uint32_t crc = 0;
};

Section ReadSection(ByteReader& reader, const char* part, bool checkCrc) {
    reader.SetPart(part);
    const std::uint64_t start = reader.Offset();
    const std::uint32_t size = reader.U32();
    const std::uint32_t crc = reader.U32();
    if (size > reader.Remaining())
        reader.Fail(std::string("the ") + part + "'s " + std::to_string(size) + " bytes run past the file's end (" +
                    std::to_string(reader.Remaining()) + " left)");
    const std::uint64_t offset = reader.Offset();
    Section section{reader.Bytes(size), offset, crc};
    const std::uint32_t actual = ReplayCrc(section.bytes);
    if (checkCrc && actual != crc)
        throw ReplayError(part, start + 4,
                          "the checksum does not match (the file says " + std::to_string(crc) + ", its bytes give " +
                              std::to_string(actual) + "): the file is damaged");
    return section;
}

}  // namespace

Replay ReadReplay(std::span<const std::uint8_t> file, ReadOptions options) {
    if (file.size() > MaxReplayBytes)
        throw ReplayError("file", 0, std::to_string(file.size()) + " bytes is more than a replay holds");
    ByteReader reader(file, 0, "header");
    Replay replay;
    const Section header = ReadSection(reader, "header", options.checkCrc);
    replay.headerCrc = header.crc;
    ByteReader headerReader(header.bytes, header.offset, "header");
    replay.header = ReadHeader(headerReader);

    const Section body = ReadSection(reader, "body", options.checkCrc);
    replay.bodyCrc = body.crc;
    ByteReader bodyReader(body.bytes, body.offset, "body");
    replay.body = ReadBody(bodyReader);

    if (!options.frames) return replay;
    const ReplayHeader& h = replay.header;
    if (h.engineVersion != EngineVersion || h.licenseeVersion != LicenseeVersion || h.netVersion < OldestNetVersion ||
        h.netVersion > NewestNetVersion)
        throw ReplayError("header", 8,
                          "the game's version " + std::to_string(h.engineVersion) + "." + std::to_string(h.licenseeVersion) +
                              " (network " + std::to_string(h.netVersion) +
                              ") is not one this reader knows (868.32, network 10 and 11)");
    replay.match = ReadNetworkFrames(replay.header, replay.body);
    return replay;
}

std::vector<std::uint8_t> LoadReplayBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ReplayError("file", 0, "cannot open " + path.string());
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) throw ReplayError("file", 0, "cannot read " + path.string());
    if (static_cast<std::uint64_t>(size) > MaxReplayBytes)
        throw ReplayError("file", 0, std::to_string(size) + " bytes is more than a replay holds");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.seekg(0);
    if (!bytes.empty() && !in.read(reinterpret_cast<char*>(bytes.data()), size))
        throw ReplayError("file", 0, "cannot read " + path.string());
    return bytes;
}

}  // namespace replay
