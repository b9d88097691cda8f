// The all-time heatmap file "zando_alltime_heatmap.dat": saved whole after each change, loaded once.
//
// Layout (little-endian int32 / float32, no padding):
//   version 2:  version, width (50), height (62), 3100 shot-heat floats, 3100 goal-count ints  (24812 bytes)
//   legacy:     width (50), height (62), 3100 shot-heat floats                                (12408 bytes)
// A first value of 1..10 is a version (1 reads like legacy after its three-field header); any other
// first value is a legacy file's width. Cells run row 0 first, column 0 first within a row.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "plugin/path_text.h"
#include "plugin/whole_file.h"
#include "plugin/zando.h"

namespace {

constexpr const char* FileName = "zando_alltime_heatmap.dat";
constexpr int32_t CurrentVersion = 2;
constexpr std::size_t CellCount = static_cast<std::size_t>(GridRows) * GridCols;
constexpr std::size_t CellBytes = CellCount * 4;
constexpr std::size_t LargestFileBytes = 12 + 2 * CellBytes;  // a version 2 file: 24812 bytes

void PutInt32(std::vector<char>& out, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((bits >> shift) & 0xFF));
}

void PutFloat(std::vector<char>& out, float value) {
    int32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    PutInt32(out, bits);
}

int32_t GetInt32(const std::vector<char>& in, std::size_t offset) {
    uint32_t bits = 0;
    for (int i = 3; i >= 0; --i) bits = (bits << 8) | static_cast<unsigned char>(in[offset + static_cast<std::size_t>(i)]);
    return static_cast<int32_t>(bits);
}

float GetFloat(const std::vector<char>& in, std::size_t offset) {
    const int32_t bits = GetInt32(in, offset);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// True when both files hold the same bytes; read a block at a time, so a large file is never held whole.
bool SameContent(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code error;
    const auto sizeA = std::filesystem::file_size(a, error);
    if (error) return false;
    const auto sizeB = std::filesystem::file_size(b, error);
    if (error || sizeA != sizeB) return false;
    std::ifstream inA(a, std::ios::binary), inB(b, std::ios::binary);
    if (!inA || !inB) return false;
    std::vector<char> blockA(1 << 16), blockB(1 << 16);
    for (;;) {
        inA.read(blockA.data(), static_cast<std::streamsize>(blockA.size()));
        inB.read(blockB.data(), static_cast<std::streamsize>(blockB.size()));
        if (inA.gcount() != inB.gcount()) return false;
        if (inA.gcount() == 0) return inA.eof() && inB.eof();
        if (std::memcmp(blockA.data(), blockB.data(), static_cast<std::size_t>(inA.gcount())) != 0) return false;
        if (inA.eof() || inB.eof()) return inA.eof() && inB.eof();
    }
}

// Keeps a file the loader could not use beside it: under the backup name that already holds the same
// bytes (one backup per distinct content, however often the same file is refused), else under the
// first free one. Empty when it could not be kept.
std::filesystem::path KeepBackup(const std::filesystem::path& file) {
    std::error_code error;
    for (int n = 1; n < 1000; ++n) {
        std::filesystem::path backup = file;
        backup += n == 1 ? std::string(".bak") : ".bak" + std::to_string(n);
        if (std::filesystem::exists(backup, error)) {
            if (SameContent(file, backup)) return backup;
            continue;
        }
        if (error) return {};
        if (std::filesystem::copy_file(file, backup, error)) return backup;
        return {};
    }
    return {};
}

}  // namespace

std::filesystem::path ZANDO::AllTimeHeatmapPath() const {
    return zando::TextPath(zando::FileInFolder(gameWrapper->GetDataFolder(), FileName));
}

bool ZANDO::SaveAllTimeHeatmap() {
    const std::filesystem::path path = AllTimeHeatmapPath();
    // A file that could not be read at load is replaced only once it has been kept as a backup.
    if (allTimeFileHeld) {
        std::error_code error;
        std::filesystem::path backup;
        if (std::filesystem::is_regular_file(path, error)) backup = KeepBackup(path);
        if (backup.empty()) {
            cvarManager->log("[SAVE] All-time heatmap not saved - " + zando::PathText(path) +
                             " could not be read and is left untouched");
            return false;
        }
        allTimeFileHeld = false;
        cvarManager->log("[SAVE] Old heatmap file kept as " + zando::PathText(backup));
    }
    std::vector<char> bytes;
    bytes.reserve(LargestFileBytes);
    PutInt32(bytes, CurrentVersion);
    PutInt32(bytes, GridCols);
    PutInt32(bytes, GridRows);
    for (const auto& row : allTimeShotHeatmap)
        for (float cell : row) PutFloat(bytes, cell);
    for (const auto& row : allTimeGoalHeatmap)
        for (int32_t cell : row) PutInt32(bytes, cell);

    // The old file is replaced only by a complete new one: a failed write never costs all-time data.
    if (zando::ReplaceFileWhole(path, std::string_view(bytes.data(), bytes.size()), false) != zando::WriteOutcome::Written) {
        cvarManager->log("[SAVE] Failed to save all-time heatmap to " + zando::PathText(path) + " - previous file kept");
        return false;
    }
    cvarManager->log("[SAVE] All-time heatmap saved (shots + goals)");
    return true;
}

void ZANDO::LoadAllTimeHeatmap() {
    // File access must not make the plug-in fail to load: anything it throws means "cannot be read".
    try {
        ReadAllTimeHeatmapFile();
    } catch (const std::exception& e) {
        cvarManager->log(std::string("[LOAD] All-time heatmap could not be read (") + e.what() +
                         ") - starting without it; the file is not overwritten");
        allTimeFileHeld = true;
    }
}

void ZANDO::ReadAllTimeHeatmapFile() {
    const std::filesystem::path path = AllTimeHeatmapPath();
    const std::string shown = zando::PathText(path);
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        cvarManager->log("[LOAD] No existing all-time heatmap found (starting fresh)");
        return;
    }
    // A file the loader cannot use is kept as a backup before the next save replaces it; one that cannot
    // be kept is held: this session's saves leave it alone.
    const auto keepOrHold = [&](const std::string& heldLine) {
        std::filesystem::path backup;
        if (std::filesystem::is_regular_file(status)) backup = KeepBackup(path);
        if (!backup.empty()) {
            cvarManager->log("[LOAD] Old heatmap file kept as " + zando::PathText(backup));
        } else {
            allTimeFileHeld = true;
            cvarManager->log(heldLine);
        }
    };
    // Something is there, but it cannot be read.
    auto unreadable = [&](const std::string& why) {
        cvarManager->log("[LOAD] All-time heatmap file exists but cannot be read (" + why + "): " + shown);
        keepOrHold("[LOAD] It is left untouched: all-time data of this session will not be saved over it");
    };
    if (error) return unreadable(error.message());
    if (!std::filesystem::is_regular_file(status)) return unreadable("not a regular file");

    // A file that was read but holds no heatmap this build can use.
    auto reject = [&](const std::string& line) {
        cvarManager->log(line);
        keepOrHold("[LOAD] It could not be kept as a backup: all-time data of this session will not be saved over it");
    };
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) return unreadable(error.message());

    std::ifstream in(path, std::ios::binary);
    if (!in) return unreadable(std::strerror(errno));
    // Never more than the largest heatmap file is read: a bigger one is refused by its size.
    std::vector<char> bytes(static_cast<std::size_t>(std::min<std::uintmax_t>(size, LargestFileBytes)));
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.gcount() != static_cast<std::streamsize>(bytes.size())) return unreadable("reading stopped early");
    in.close();

    const std::string truncated = "[LOAD] Heatmap file is shorter than its header promises - ignoring old data";
    if (bytes.size() < 8) return reject(truncated);
    int32_t version = GetInt32(bytes, 0);
    int32_t width = 0;
    int32_t height = 0;
    std::size_t offset = 0;
    if (version >= 1 && version <= 10) {
        if (version > CurrentVersion)
            return reject("[LOAD] Heatmap file version " + std::to_string(version) +
                          " is newer than this build reads - ignoring old data");
        if (bytes.size() < 12) return reject(truncated);
        width = GetInt32(bytes, 4);
        height = GetInt32(bytes, 8);
        offset = 12;
    } else {
        width = version;
        version = 1;
        height = GetInt32(bytes, 4);
        offset = 8;
    }
    if (width != GridCols || height != GridRows) return reject("[LOAD] Heatmap dimensions mismatch - ignoring old data");
    if (size > LargestFileBytes)
        return reject("[LOAD] Heatmap file is larger than a heatmap file can be (" + std::to_string(size) +
                      " bytes) - ignoring old data");
    if (bytes.size() < offset + (version >= 2 ? 2 : 1) * CellBytes) return reject(truncated);
    int shotZones = 0;
    for (auto& row : allTimeShotHeatmap) {
        for (float& cell : row) {
            const float value = GetFloat(bytes, offset);
            offset += 4;
            cell = std::isfinite(value) ? value : 0.0f;
            if (cell > 0.0f) ++shotZones;
        }
    }
    if (version >= 2) {
        int goalZones = 0;
        for (auto& row : allTimeGoalHeatmap) {
            for (int32_t& cell : row) {
                cell = GetInt32(bytes, offset);
                offset += 4;
                if (cell > 0) ++goalZones;
            }
        }
        cvarManager->log("[LOAD] All-time heatmap loaded (v" + std::to_string(version) + "): " +
                         std::to_string(shotZones) + " shot zones, " + std::to_string(goalZones) + " goal zones");
    } else {
        cvarManager->log("[LOAD] All-time heatmap loaded (v1 - legacy): " + std::to_string(shotZones) + " hot zones");
    }
}
