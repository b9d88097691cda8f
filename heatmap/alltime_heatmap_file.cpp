// The all-time heatmap file "zando_alltime_heatmap.dat" on disk: saved whole after each change (on the
// plug-in's worker), loaded once; a file the loader cannot use is kept as a backup. Its bytes are
// heatmap/alltime_heatmap_format.h's.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <utility>
#include <variant>
#include <vector>

#include "base/path_text.h"
#include "base/whole_file.h"
#include "heatmap/alltime_heatmap_format.h"
#include "plugin/zando.h"

namespace {

constexpr const char* FileName = "zando_alltime_heatmap.dat";
constexpr std::chrono::milliseconds SaveGap{200};  // between two saves: at most five a second

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

std::filesystem::path ZANDO::AllTimeHeatmapPath() const { return zando::TextPath(zando::FileInFolder(dataFolder, FileName)); }

void ZANDO::SaveAllTimeHeatmap(bool afterEveryShot, std::string thenLine) {
    // The grids are copied now, on the game thread (a copy of their cells, cheaper than their bytes);
    // the bytes and the disk are the worker's. Saves asked for while one waits for the worker join it:
    // a burst of shots costs a save or two of the newest grids, never one a shot.
    std::scoped_lock lock(allTimeSave.lock);
    allTimeSave.shots = allTimeShotHeatmap;
    allTimeSave.goals = allTimeGoalHeatmap;
    allTimeSave.afterEveryShot = allTimeSave.afterEveryShot && afterEveryShot;
    if (!thenLine.empty()) allTimeSave.thenLines.push_back(std::move(thenLine));
    if (allTimeSave.queued) return;
    allTimeSave.queued = true;
    OnWorker([this] { WritePendingAllTimeSave(); });
}

void ZANDO::WritePendingAllTimeSave() {
    // At most one save in SaveGap: the shots of a burst meanwhile join the next, which follows the
    // newest within it. Someone waiting for the worker (unload, a settle) has it written at once.
    const auto sinceLast = std::chrono::steady_clock::now() - allTimeSave.lastWritten;
    if (sinceLast < SaveGap) worker.Rest(std::chrono::duration_cast<std::chrono::milliseconds>(SaveGap - sinceLast));
    Grid<float> shots;
    Grid<int32_t> goals;
    bool afterEveryShot = true;
    std::vector<std::string> thenLines;
    {
        std::scoped_lock lock(allTimeSave.lock);
        shots = allTimeSave.shots;
        goals = allTimeSave.goals;
        std::swap(afterEveryShot, allTimeSave.afterEveryShot);
        thenLines.swap(allTimeSave.thenLines);
        allTimeSave.queued = false;
    }
    const bool written = WriteAllTimeHeatmap(zando::EncodeAllTimeHeatmap(shots, goals), afterEveryShot);
    allTimeSave.lastWritten = std::chrono::steady_clock::now();
    if (written)
        for (std::string& line : thenLines) LogLater(std::move(line));
}

bool ZANDO::WriteAllTimeHeatmap(const std::string& bytes, bool afterEveryShot) {
    const std::filesystem::path path = AllTimeHeatmapPath();
    // A file that could not be read at load is replaced only once it has been kept as a backup.
    if (allTimeFileHeld) {
        std::error_code error;
        std::filesystem::path backup;
        if (std::filesystem::is_regular_file(path, error)) backup = KeepBackup(path);
        if (backup.empty()) {
            LogLater("[SAVE] All-time heatmap not saved - " + zando::PathText(path) + " could not be read and is left untouched");
            return false;
        }
        allTimeFileHeld = false;
        LogLater("[SAVE] Old heatmap file kept as " + zando::PathText(backup));
    }
    // The old file is replaced only by a complete new one: a failed write never costs all-time data.
    if (zando::ReplaceFileWhole(path, bytes, false) != zando::WriteOutcome::Written) {
        // A failed replacement leaves the old file, if any, as it was: looked for only when it is said.
        std::error_code error;
        if (!afterEveryShot || !allTimeSaveFailing)
            LogLater("[SAVE] Failed to save all-time heatmap to " + zando::PathText(path) +
                     (std::filesystem::is_regular_file(path, error)
                          ? " - previous file kept"
                          : " - no file was saved there yet; the heatmap is kept until a save succeeds"));
        allTimeSaveFailing = true;
        return false;
    }
    allTimeSaveFailing = false;
    LogLater("[SAVE] All-time heatmap saved (shots + goals)");
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
    std::string bytes(static_cast<std::size_t>(std::min<std::uintmax_t>(size, zando::AllTimeFileBytes)), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.gcount() != static_cast<std::streamsize>(bytes.size())) return unreadable("reading stopped early");
    in.close();

    auto decoded = zando::DecodeAllTimeHeatmap(bytes, size);
    if (const auto* why = std::get_if<std::string>(&decoded)) return reject(*why);
    auto& file = std::get<zando::DecodedAllTimeHeatmap>(decoded);
    allTimeShotHeatmap = std::move(file.shots);
    allTimeGoalHeatmap = std::move(file.goals);
    if (file.version >= 2)
        cvarManager->log("[LOAD] All-time heatmap loaded (v" + std::to_string(file.version) + "): " +
                         std::to_string(file.shotZones) + " shot zones, " + std::to_string(file.goalZones) + " goal zones");
    else
        cvarManager->log("[LOAD] All-time heatmap loaded (v1 - legacy): " + std::to_string(file.shotZones) + " hot zones");
}
