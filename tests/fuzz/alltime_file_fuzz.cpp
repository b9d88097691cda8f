// Fuzzes the all-time heatmap file's reader with any bytes a file may hold. A file that is taken must
// hold a version this build reads and the grid's dimensions, give finite heats only, count its zones
// as the cells say, and be written back (current version) to bytes that read back as the same grids;
// a current-version file with finite heats is written back byte for byte.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <variant>

#include "heatmap/alltime_heatmap_format.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// The file's int32 at a byte offset, little-endian, read apart from the code under test.
std::uint32_t Word(std::string_view bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using zando_fuzz::Check;
    const std::string_view bytes = zando_fuzz::AsText(data, size);
    const auto decoded = zando::DecodeAllTimeHeatmap(bytes, size);
    if (const auto* why = std::get_if<std::string>(&decoded)) {
        Check(why->rfind("[LOAD] ", 0) == 0, "a refusal without its console line: " + *why);
        return 0;
    }
    const auto& file = std::get<zando::DecodedAllTimeHeatmap>(decoded);
    Check(file.version == 1 || file.version == 2, "version " + std::to_string(file.version) + " was taken");
    const std::size_t cells = static_cast<std::size_t>(GridRows) * GridCols;
    const std::size_t first = file.version == 2 ? 12 : (Word(bytes, 0) == 1 ? 12 : 8);
    const std::size_t needed = first + 4 * cells * (file.version == 2 ? 2 : 1);
    Check(size >= needed && size <= zando::AllTimeFileBytes, "a file of " + std::to_string(size) + " bytes was taken");
    Check(Word(bytes, first - 8) == 50 && Word(bytes, first - 4) == 62, "a file of other dimensions was taken");

    int shotZones = 0, goalZones = 0;
    bool finite = true;
    for (int r = 0; r < GridRows; ++r) {
        for (int c = 0; c < GridCols; ++c) {
            const float heat = file.shots[r][c];
            Check(std::isfinite(heat), "a heat that is not a finite number was taken");
            if (heat > 0.0f) ++shotZones;
            if (file.goals[r][c] > 0) ++goalZones;
            const std::size_t cell = static_cast<std::size_t>(r) * GridCols + static_cast<std::size_t>(c);
            const std::uint32_t bits = Word(bytes, first + 4 * cell);
            float stored;
            std::memcpy(&stored, &bits, sizeof stored);
            if (!std::isfinite(stored)) finite = false;
            else Check(std::memcmp(&stored, &heat, sizeof heat) == 0, "a heat was read as another number");
            const std::uint32_t goal = file.version == 2 ? Word(bytes, first + 4 * (cells + cell)) : 0;
            Check(static_cast<std::uint32_t>(file.goals[r][c]) == goal, "a goal count was read as another number");
        }
    }
    Check(shotZones == file.shotZones && goalZones == file.goalZones, "zone counts differ from the cells");

    const std::string written = zando::EncodeAllTimeHeatmap(file.shots, file.goals);
    Check(written.size() == zando::AllTimeFileBytes, "written file of the wrong size");
    if (file.version == 2 && size == zando::AllTimeFileBytes && finite)
        Check(written == bytes, "a current file was not written back byte for byte");
    const auto again = zando::DecodeAllTimeHeatmap(written, written.size());
    const auto* reread = std::get_if<zando::DecodedAllTimeHeatmap>(&again);
    Check(reread != nullptr, "the written file is refused");
    Check(reread->version == 2 && reread->shots == file.shots && reread->goals == file.goals,
          "the written file reads back as other grids");
    return 0;
}
