// The all-time heatmap file: both layouts, the loader's checks, backups of rejected files, and saves
// that never cost the previous file.
#include <cstdlib>
#include <cstring>
#include <limits>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "match_support.h"

using zando_test::LoadedZando;
using zando_test::ReadFile;
using zando_test::TempDir;
using zando_test::WriteFile;
using Lines = std::vector<std::string>;

namespace {

constexpr int Cells = 62 * 50;

struct HeatmapFile {
    std::string bytes;
    void Int(int32_t value) {
        for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>((static_cast<uint32_t>(value) >> shift) & 0xFF);
    }
    void Float(float value) {
        int32_t bits;
        std::memcpy(&bits, &value, 4);
        Int(bits);
    }
    // Shot cells: the given values at the given cell indices, zero elsewhere.
    void Floats(std::map<int, float> values) {
        for (int i = 0; i < Cells; ++i) Float(values.count(i) ? values[i] : 0.0f);
    }
    void Ints(std::map<int, int32_t> values) {
        for (int i = 0; i < Cells; ++i) Int(values.count(i) ? values[i] : 0);
    }
};

// Compares file contents, naming the first differing byte rather than printing 24 KB.
::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
    return ::testing::AssertionFailure() << "sizes " << actual.size() << " and " << expected.size()
                                         << ", first difference at byte " << at;
}

std::string Version2(std::map<int, float> shots, std::map<int, int32_t> goals) {
    HeatmapFile file;
    file.Int(2);
    file.Int(50);
    file.Int(62);
    file.Floats(std::move(shots));
    file.Ints(std::move(goals));
    return file.bytes;
}

class AllTimeFile : public ::testing::Test {
protected:
    std::filesystem::path Path() { return zando_test::InDataFolder(home.path() / "data", "zando_alltime_heatmap.dat"); }
    void Store(const std::string& bytes) {
        std::filesystem::create_directories(home.path() / "data");
        WriteFile(Path(), bytes);
    }
    // Loads the plug-in and returns its "[LOAD]" lines.
    Lines Load() {
        zando.reset();  // one plug-in object per process: the previous load goes first
        zando = std::make_unique<LoadedZando>(home.path());
        Lines lines;
        for (const auto& line : zando->Lines())
            if (line.rfind("[LOAD]", 0) == 0) lines.push_back(line);
        return lines;
    }
    ZANDO& Z() { return zando->Zando(); }
    // Counts one shot from the centre of the field (zone column 25, row 31) through the stat ticker.
    void CountShot() {
        host::MatchControl match(zando->Host());
        match.StartMatch();
        host::game::Car& local = match.AddCar(0, {0, 0, 17}, true);
        match.SetBall({0, 1000, 93});
        match.SetClock(1000.0f + static_cast<float>(shotsCounted++) * 10.0f);
        match.CarHitBall(local);
        match.StatTicker(local, "Shot on Goal");
        zando->Settle();  // its save, on the worker
    }

    TempDir home;
    std::unique_ptr<LoadedZando> zando;
    int shotsCounted = 0;
};

}  // namespace

TEST_F(AllTimeFile, AVersion2FileLoadsAndIsWrittenBackByteForByte) {
    const std::string original = Version2({{0, 15.0f}, {31 * 50 + 25, 5.0f}, {100, -5.0f}}, {{0, 2}, {7, -1}});
    Store(original);
    EXPECT_EQ(Load(), (Lines{"[LOAD] All-time heatmap loaded (v2): 2 shot zones, 1 goal zones"}))
        << "negative cells count towards neither";
    EXPECT_EQ(Z().allTimeShotHeatmap[0][0], 15.0f);
    EXPECT_EQ(Z().allTimeShotHeatmap[2][0], -5.0f);
    EXPECT_EQ(Z().allTimeGoalHeatmap[0][7], -1);

    CountShot();
    EXPECT_TRUE(SameBytes(ReadFile(Path()), Version2({{0, 15.0f}, {31 * 50 + 25, 10.0f}, {100, -5.0f}}, {{0, 2}, {7, -1}})));
    EXPECT_EQ(ReadFile(Path()).size(), 24812u);
    EXPECT_TRUE(zando_test::TemporaryFilesBeside(Path()).empty());
}

TEST_F(AllTimeFile, LegacyFilesLoadTheirShotsAndAreUpgradedByTheNextSave) {
    HeatmapFile legacy;
    legacy.Int(50);
    legacy.Int(62);
    legacy.Floats({{5, 5.0f}, {6, 10.0f}, {7, 0.0f}});
    Store(legacy.bytes);
    EXPECT_EQ(Load(), (Lines{"[LOAD] All-time heatmap loaded (v1 - legacy): 2 hot zones"}));
    EXPECT_EQ(Z().allTimeShotHeatmap[0][6], 10.0f);

    CountShot();
    EXPECT_TRUE(SameBytes(ReadFile(Path()), Version2({{5, 5.0f}, {6, 10.0f}, {31 * 50 + 25, 5.0f}}, {})));

    HeatmapFile versioned;
    versioned.Int(1);
    versioned.Int(50);
    versioned.Int(62);
    versioned.Floats({{9, 20.0f}});
    Store(versioned.bytes);
    EXPECT_EQ(Load(), (Lines{"[LOAD] All-time heatmap loaded (v1 - legacy): 1 hot zones"}));
    EXPECT_EQ(Z().allTimeShotHeatmap[0][9], 20.0f);
}

TEST_F(AllTimeFile, OtherDimensionsAreRejectedAndTheFileIsKeptAsABackup) {
    for (auto header : std::vector<std::vector<int32_t>>{{2, 62, 50}, {0, 62}, {-3, 62}, {11, 62}, {50, 61}}) {
        HeatmapFile file;
        for (int32_t value : header) file.Int(value);
        file.Floats({{0, 5.0f}});
        file.Ints({});
        Store(file.bytes);
        std::filesystem::remove(Path().string() + ".bak");
        EXPECT_EQ(Load(), (Lines{"[LOAD] Heatmap dimensions mismatch - ignoring old data",
                                 "[LOAD] Old heatmap file kept as " + Path().string() + ".bak"}))
            << header[0];
        EXPECT_EQ(Z().allTimeShotHeatmap[0][0], 0.0f);
        EXPECT_TRUE(SameBytes(ReadFile(Path()), file.bytes)) << "the rejected file stays until the next save";
        EXPECT_TRUE(SameBytes(ReadFile(Path().string() + ".bak"), file.bytes));
    }
    // A second rejected file does not replace the first backup.
    Store("\x02\x00\x00\x00");
    Load();
    EXPECT_TRUE(std::filesystem::exists(Path().string() + ".bak2"));
}

TEST_F(AllTimeFile, AShortFileIsRejectedWithoutTakingAnyOfItsCells) {
    std::string file = Version2({{0, 5.0f}}, {{0, 1}});
    file.resize(file.size() - 4);
    Store(file);
    EXPECT_EQ(Load(), (Lines{"[LOAD] Heatmap file is shorter than its header promises - ignoring old data",
                             "[LOAD] Old heatmap file kept as " + Path().string() + ".bak"}));
    EXPECT_EQ(Z().allTimeShotHeatmap[0][0], 0.0f);
    EXPECT_EQ(Z().allTimeGoalHeatmap[0][0], 0);

    Store(std::string("\x32\x00\x00\x00", 4));
    EXPECT_EQ(Load().front(), "[LOAD] Heatmap file is shorter than its header promises - ignoring old data");
}

TEST_F(AllTimeFile, CellsThatAreNotFiniteNumbersReadAsZero) {
    Store(Version2({{0, std::numeric_limits<float>::quiet_NaN()}, {1, std::numeric_limits<float>::infinity()}, {2, 5.0f}}, {}));
    EXPECT_EQ(Load(), (Lines{"[LOAD] All-time heatmap loaded (v2): 1 shot zones, 0 goal zones"}));
    EXPECT_EQ(Z().allTimeShotHeatmap[0][0], 0.0f);
    EXPECT_EQ(Z().allTimeShotHeatmap[0][1], 0.0f);
}

TEST_F(AllTimeFile, AFailedSaveSaysSoAndKeepsThePreviousFile) {
    ZANDO_SKIP_WITHOUT_FILE_SIZE_LIMIT();
    const std::string previous = Version2({{0, 5.0f}}, {});
    Store(previous);
    Load();

    // A disk that fills up during the write: the file size limit stops it after 1000 bytes. Every
    // shot saves, and each fails: said once.
    const std::string failed = "[SAVE] Failed to save all-time heatmap to " + Path().string() + " - previous file kept";
    {
        zando_test::FileSizeLimit full(1000);
        CountShot();
        CountShot();
    }
    EXPECT_EQ(zando->Lines().back().rfind("[SHOT COUNTED #2]", 0), 0u);
    const Lines& lines = zando->Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), failed), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "[SAVE] All-time heatmap saved (shots + goals)"), 0);
    EXPECT_TRUE(SameBytes(ReadFile(Path()), previous));
    EXPECT_TRUE(zando_test::TemporaryFilesBeside(Path()).empty());

    // The next save that can write succeeds and carries all three shots.
    CountShot();
    const std::string twoShots = Version2({{0, 5.0f}, {31 * 50 + 25, 15.0f}}, {});
    EXPECT_TRUE(SameBytes(ReadFile(Path()), twoShots));

    // Clearing the all-time data says it did only when the file says so too.
    {
        zando_test::FileSizeLimit full(1000);
        zando->Run("reset_alltime_heatmap");
    }
    EXPECT_EQ(zando->Lines().back(), "[SAVE] Failed to save all-time heatmap to " + Path().string() + " - previous file kept");
    EXPECT_TRUE(SameBytes(ReadFile(Path()), twoShots));
}

// With no file saved yet, a failure does not claim a previous file was kept.
TEST_F(AllTimeFile, AFailedFirstSaveSaysNoFileWasSavedYet) {
    ZANDO_SKIP_WITHOUT_FILE_SIZE_LIMIT();
    Load();
    {
        zando_test::FileSizeLimit full(1000);
        CountShot();
        CountShot();
    }
    const Lines& lines = zando->Lines();
    EXPECT_EQ(
        std::count_if(lines.begin(), lines.end(), [](const std::string& line) { return line.rfind("[SAVE] Failed", 0) == 0; }),
        1);
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "[SAVE] Failed to save all-time heatmap to " + Path().string() +
                            " - no file was saved there yet; the heatmap is kept until a save succeeds"),
              lines.end());
    EXPECT_FALSE(std::filesystem::exists(Path()));
}

TEST_F(AllTimeFile, NoFileMeansAFreshStart) {
    EXPECT_EQ(Load(), (Lines{"[LOAD] No existing all-time heatmap found (starting fresh)"}));
    EXPECT_FALSE(std::filesystem::exists(Path()));
}

// [SECTION] Files that are there but cannot be read, newer versions, and counts at their limit

TEST_F(AllTimeFile, AFolderInPlaceOfTheFileNeitherStopsTheLoadNorIsReplaced) {
    std::filesystem::create_directories(Path());
    const Lines lines = Load();  // throws if the plug-in failed to load
    ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[0], "[LOAD] All-time heatmap file exists but cannot be read (not a regular file): " + Path().string());
    EXPECT_EQ(lines[1], "[LOAD] It is left untouched: all-time data of this session will not be saved over it");
    CountShot();
    EXPECT_EQ(zando->Lines().end()[-2], "[SHOT COUNTED #1] at (0,0) Team=0");
    EXPECT_TRUE(std::find(zando->Lines().begin(), zando->Lines().end(),
                          "[SAVE] All-time heatmap not saved - " + Path().string() +
                              " could not be read and is left untouched") != zando->Lines().end());
    EXPECT_TRUE(std::filesystem::is_directory(Path()));
}

#if !defined(_WIN32)
TEST_F(AllTimeFile, AFifoIsRefusedWithoutWaitingForAWriter) {
    std::filesystem::create_directories(Path().parent_path());
    ASSERT_EQ(mkfifo(Path().c_str(), 0600), 0);
    const Lines lines = Load();  // opening the FIFO to read would wait here for ever
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "[LOAD] All-time heatmap file exists but cannot be read (not a regular file): " + Path().string());
}

// A file this process may not read. As root (CI), the load runs as user "nobody", for whom it is unreadable.
TEST_F(AllTimeFile, AnUnreadableFileIsNeverOverwrittenBeforeItIsKeptAsABackup) {
    const std::string previous = Version2({{0, 35.0f}}, {{0, 3}});
    Store(previous);
    std::filesystem::permissions(Path(), std::filesystem::perms::none);
    Lines lines, saves;
    {
        // Root acts as "nobody" for as long as this lives.
        struct Unprivileged {
            bool root = geteuid() == 0;
            bool acting = root && seteuid(65534) == 0;
            ~Unprivileged() {
                if (acting && seteuid(0) != 0) std::abort();
            }
        } user;
        if (user.root && !user.acting) GTEST_SKIP() << "cannot act as an unprivileged user here";
        if (!user.root && ::access(Path().c_str(), R_OK) == 0) GTEST_SKIP() << "this file system lets everyone read";
        lines = Load();
        CountShot();  // a save while the file still cannot be read
        for (const auto& line : zando->Lines())
            if (line.rfind("[SAVE]", 0) == 0) saves.push_back(line);
    }
    std::filesystem::permissions(Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[0].rfind("[LOAD] All-time heatmap file exists but cannot be read (", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1], "[LOAD] It is left untouched: all-time data of this session will not be saved over it");
    EXPECT_EQ(saves,
              (Lines{"[SAVE] All-time heatmap not saved - " + Path().string() + " could not be read and is left untouched"}));
    EXPECT_TRUE(SameBytes(ReadFile(Path()), previous));

    // Readable again (a sync tool let go of it): the next save keeps it as a backup first.
    CountShot();
    EXPECT_TRUE(SameBytes(ReadFile(Path().string() + ".bak"), previous));
    EXPECT_TRUE(SameBytes(ReadFile(Path()), Version2({{31 * 50 + 25, 10.0f}}, {})));
}
#endif

TEST_F(AllTimeFile, AFileLargerThanTheFormatIsRefusedWithoutBeingReadWhole) {
    Store(Version2({{0, 5.0f}}, {}));
    std::filesystem::resize_file(Path(), 400u * 1024 * 1024);  // sparse: 400 MB that take no room
    const Lines lines = Load();
    ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[0], "[LOAD] Heatmap file is larger than a heatmap file can be (419430400 bytes) - ignoring old data");
    EXPECT_EQ(lines[1], "[LOAD] Old heatmap file kept as " + Path().string() + ".bak");
    EXPECT_EQ(Z().allTimeShotHeatmap[0][0], 0.0f);
}

TEST_F(AllTimeFile, AFileOfANewerVersionIsKeptAsABackupBeforeItIsReplaced) {
    std::string newer = Version2({{0, 25.0f}}, {{0, 1}});
    newer[0] = 3;
    newer += "cells of what version 3 adds";
    Store(newer);
    EXPECT_EQ(Load(), (Lines{"[LOAD] Heatmap file version 3 is newer than this build reads - ignoring old data",
                             "[LOAD] Old heatmap file kept as " + Path().string() + ".bak"}));
    EXPECT_EQ(Z().allTimeShotHeatmap[0][0], 0.0f) << "nothing is read from a layout this build does not know";
    CountShot();
    EXPECT_TRUE(SameBytes(ReadFile(Path()), Version2({{31 * 50 + 25, 5.0f}}, {})));
    EXPECT_TRUE(SameBytes(ReadFile(Path().string() + ".bak"), newer));
}

TEST_F(AllTimeFile, TheSameRefusedFileIsBackedUpOnce) {
    Store("\x02\x00\x00\x00");
    for (int load = 0; load < 3; ++load) Load();
    EXPECT_TRUE(std::filesystem::exists(Path().string() + ".bak"));
    EXPECT_FALSE(std::filesystem::exists(Path().string() + ".bak2")) << "one backup per distinct content";
}

TEST_F(AllTimeFile, AGoalCellAtTheLargestCountStaysThereInsteadOfTurningNegative) {
    constexpr int32_t Largest = std::numeric_limits<int32_t>::max();
    Store(Version2({}, {{31 * 50 + 25, Largest}}));
    Load();
    host::MatchControl match(zando->Host());
    match.StartMatch();
    host::game::Car& local = match.AddCar(0, {0, 0, 17}, true);
    match.SetBall({0, 5200, 93});
    match.SetClock(50.0f);
    match.CarHitBall(local);
    match.StatTicker(local, "Goal");
    EXPECT_EQ(Z().tracker.match.goals, 1);
    EXPECT_EQ(Z().allTimeGoalHeatmap[31][25], Largest);
    EXPECT_TRUE(SameBytes(ReadFile(Path()), Version2({}, {{31 * 50 + 25, Largest}})));
}

// A burst of shots, each asking for a save before the worker has written the last: the saves asked
// for while one waits are one save of the newest grids, and the file ends with every shot.
TEST_F(AllTimeFile, ABurstOfShotsCostsAFewSavesAndTheNewestGridsAreSaved) {
    Load();
    host::MatchControl match(zando->Host());
    match.StartMatch();
    host::game::Car& local = match.AddCar(0, {0, 0, 17}, true);
    match.SetBall({0, 1000, 93});
    constexpr int Shots = 3000;
    for (int shot = 0; shot < Shots; ++shot) {
        match.SetClock(10.0f + static_cast<float>(shot) * 10.0f);
        match.CarHitBall(local);
        match.StatTicker(local, "Shot on Goal");
    }
    const Lines& lines = zando->Lines();
    const auto saves = std::count(lines.begin(), lines.end(), "[SAVE] All-time heatmap saved (shots + goals)");
    EXPECT_GE(saves, 1);
    EXPECT_LE(saves, 40) << "of " << Shots << " shots";
    EXPECT_EQ(Z().tracker.match.shots, Shots);
    EXPECT_TRUE(SameBytes(ReadFile(Path()), Version2({{31 * 50 + 25, 5.0f * Shots}}, {})));
}
