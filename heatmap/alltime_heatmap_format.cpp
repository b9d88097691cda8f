// Encoding and decoding the all-time heatmap file's bytes (layout in the header).
#include "heatmap/alltime_heatmap_format.h"

#include <cmath>
#include <cstring>

namespace zando {
namespace {

constexpr std::size_t CellBytes = static_cast<std::size_t>(GridRows) * GridCols * 4;

char* PutInt32(char* out, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) *out++ = static_cast<char>((bits >> shift) & 0xFF);
    return out;
}

char* PutFloat(char* out, float value) {
    int32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return PutInt32(out, bits);
}

int32_t GetInt32(std::string_view in, std::size_t offset) {
    uint32_t bits = 0;
    for (int i = 3; i >= 0; --i) bits = (bits << 8) | static_cast<unsigned char>(in[offset + static_cast<std::size_t>(i)]);
    return static_cast<int32_t>(bits);
}

float GetFloat(std::string_view in, std::size_t offset) {
    const int32_t bits = GetInt32(in, offset);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

std::string EncodeAllTimeHeatmap(const Grid<float>& shots, const Grid<int32_t>& goals) {
    std::string bytes(AllTimeFileBytes, '\0');
    char* out = PutInt32(bytes.data(), AllTimeFileVersion);
    out = PutInt32(out, GridCols);
    out = PutInt32(out, GridRows);
    for (int r = 0; r < GridRows; ++r)
        for (int c = 0; c < GridCols; ++c) out = PutFloat(out, shots[r][c]);
    for (int r = 0; r < GridRows; ++r)
        for (int c = 0; c < GridCols; ++c) out = PutInt32(out, goals[r][c]);
    return bytes;
}

std::variant<DecodedAllTimeHeatmap, std::string> DecodeAllTimeHeatmap(std::string_view bytes, std::uintmax_t fileSize) {
    if (bytes.size() > AllTimeFileBytes) bytes = bytes.substr(0, AllTimeFileBytes);
    const std::string truncated = "[LOAD] Heatmap file is shorter than its header promises - ignoring old data";
    if (bytes.size() < 8) return truncated;
    DecodedAllTimeHeatmap file;
    file.version = GetInt32(bytes, 0);
    int32_t width = 0;
    int32_t height = 0;
    std::size_t offset = 0;
    if (file.version >= 1 && file.version <= 10) {
        if (file.version > AllTimeFileVersion)
            return "[LOAD] Heatmap file version " + std::to_string(file.version) +
                   " is newer than this build reads - ignoring old data";
        if (bytes.size() < 12) return truncated;
        width = GetInt32(bytes, 4);
        height = GetInt32(bytes, 8);
        offset = 12;
    } else {
        width = file.version;
        file.version = 1;
        height = GetInt32(bytes, 4);
        offset = 8;
    }
    if (width != GridCols || height != GridRows) return std::string("[LOAD] Heatmap dimensions mismatch - ignoring old data");
    if (fileSize > AllTimeFileBytes)
        return "[LOAD] Heatmap file is larger than a heatmap file can be (" + std::to_string(fileSize) +
               " bytes) - ignoring old data";
    if (bytes.size() < offset + (file.version >= 2 ? 2 : 1) * CellBytes) return truncated;

    SizeGrid(file.shots);
    SizeGrid(file.goals);
    for (int r = 0; r < GridRows; ++r) {
        for (int c = 0; c < GridCols; ++c) {
            const float value = GetFloat(bytes, offset);
            offset += 4;
            file.shots[r][c] = std::isfinite(value) ? value : 0.0f;
            if (file.shots[r][c] > 0.0f) ++file.shotZones;
        }
    }
    if (file.version >= 2) {
        for (int r = 0; r < GridRows; ++r) {
            for (int c = 0; c < GridCols; ++c) {
                file.goals[r][c] = GetInt32(bytes, offset);
                offset += 4;
                if (file.goals[r][c] > 0) ++file.goalZones;
            }
        }
    }
    return file;
}

}  // namespace zando
