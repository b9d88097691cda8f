// The match history: one row per finished match with the match's true figures and zones, kept across
// loads; a file of an older build brought up to date; a file it cannot read refused byte for byte
// untouched; its console lines and CSV.
#include <gtest/gtest.h>
#include <cmath>
#include <limits>

#include <sqlite3.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "history/history_summary.h"
#include "history/match_history.h"
#include "history_rows.h"
#include "host/runtime/recording_canvas.h"
#include "imgui_driver.h"
#include "sandbox/simulated_play.h"
#include "test_support.h"
#include "zone_truth.h"

namespace sb = sandbox;

namespace {

using Row = zando_test::HistoryFileRow;

std::vector<Row> ReadRows(const std::filesystem::path& file) { return zando_test::ReadHistoryFile(file); }

void RunSql(sqlite3* db, const char* sql) {
    char* error = nullptr;
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
}

// "row:col:count row:col:count" as a map.
std::map<std::pair<int, int>, int> ZonesOfText(const std::string& text) {
    std::map<std::pair<int, int>, int> zones;
    std::istringstream words(text);
    int row = 0, col = 0, count = 0;
    char colon = 0;
    while (words >> row >> colon >> col >> colon >> count) zones[{row, col}] += count;
    return zones;
}

double Number(const Row& row, const std::string& column) { return std::stod(row.at(column)); }

// The plug-in loaded in a fresh host folder, after a simulated session played through it (no uploads).
struct PlayedSession {
    zando_test::TempDir home;
    zando_test::LoadedZando zando{home.path()};
    explicit PlayedSession(const sb::SimulationSettings& settings) {
        zando.Run("zando_enable_upload 0");
        sb::PlaySimulatedMatch(zando.Host(), settings);
    }
    std::vector<Row> Rows() { return ReadRows(home.path() / "data" / "zando_history.sqlite3"); }
};

}  // namespace

// A session of three simulated matches through the plug-in: one row for each, in order, with the
// truth's shots, goals and zones and the figures of the statistics file written for it; the rows stay
// when the plug-in loads again, and the next match is added after them.
TEST(MatchHistory, ASessionAddsOneRowPerFinishedMatchWithItsTrueFiguresAndZones) {
    zando_test::TempDir home;
    const std::filesystem::path file = home.path() / "data" / "zando_history.sqlite3";
    {
        zando_test::LoadedZando zando(home.path());
        zando.Run("zando_enable_upload 0; zando_history");
        EXPECT_EQ(zando.Lines().back(), "[HISTORY] No matches in the history yet");
        EXPECT_FALSE(std::filesystem::exists(file)) << "made with the first match, not at load";
        const sb::SimulatedMatch session = sb::PlaySimulatedMatch(zando.Host(), {5, 2, 20.0, 3});
        ASSERT_EQ(session.matches.size(), 3u);
        const std::vector<Row> rows = ReadRows(file);
        ASSERT_EQ(rows.size(), 3u) << "one row for each finished match, none twice";
        for (std::size_t m = 0; m < rows.size(); ++m) {
            const Row& row = rows[m];
            const sb::SimulatedResult& match = session.matches[m];
            EXPECT_EQ(row.at("id"), std::to_string(m + 1));
            EXPECT_EQ(row.at("playlist_name"), match.outcome.playlist);
            EXPECT_EQ(row.at("ranked"), "1");
            const int team = match.truth.team, scored = match.outcome.goals[team], conceded = match.outcome.goals[1 - team];
            EXPECT_EQ(row.at("result"), match.outcome.localLeft ? "forfeit" : scored > conceded ? "win" : "loss");
            if (!match.outcome.localLeft) {
                EXPECT_EQ(row.at("score_for"), std::to_string(scored));
                EXPECT_EQ(row.at("score_against"), std::to_string(conceded));
            }
            EXPECT_NEAR(Number(row, "mmr_before"), match.outcome.mmrBefore, 0.01);
            if (!match.outcome.localLeft) {
                EXPECT_NEAR(Number(row, "mmr_after"), match.outcome.mmrAfter, 0.01);
            }
            EXPECT_EQ(row.at("overtime"), match.outcome.overtime && !match.outcome.localLeft ? "1" : "0");
            EXPECT_EQ(row.at("team"), std::to_string(match.truth.team));
            EXPECT_EQ(row.at("shots"), std::to_string(match.truth.shots));
            EXPECT_EQ(row.at("goals"), std::to_string(match.truth.goals));
            const zando_test::ZoneCounts truth = zando_test::CountsOfTruth(match.truth);
            EXPECT_EQ(ZonesOfText(row.at("shot_zones")), truth.shots) << "match " << m + 1;
            EXPECT_EQ(ZonesOfText(row.at("goal_zones")), truth.goals) << "match " << m + 1;
            EXPECT_NEAR(Number(row, "average_speed"), match.truth.AverageSpeed(), 0.02 * match.truth.AverageSpeed());
            EXPECT_NEAR(Number(row, "boost_collected"), match.truth.boostCollected, 0.02 * match.truth.boostCollected + 1.0);
            EXPECT_NEAR(Number(row, "boost_per_minute"), match.truth.boostCollected / (match.truth.drivingSeconds / 60.0),
                        0.04 * match.truth.boostCollected / (match.truth.drivingSeconds / 60.0) + 1.0);
            if (match.truth.goals > 0) {
                EXPECT_NEAR(Number(row, "shots_per_goal"), static_cast<double>(match.truth.shots) / match.truth.goals, 1e-4);
            }
            // Shares of the time driven, as the simulation drove it (the plug-in sees it a frame at a time).
            const double driving = match.truth.drivingSeconds;
            EXPECT_NEAR(Number(row, "supersonic_share"), match.truth.supersonicSeconds / driving, 0.03);
            EXPECT_NEAR(Number(row, "empty_tank_share"), match.truth.emptyTankSeconds / driving, 0.03);
            EXPECT_NEAR(Number(row, "full_tank_share"), match.truth.fullTankSeconds / driving, 0.03);
        }
        // The last match's row holds what its statistics file holds.
        const nlohmann::json stats =
            nlohmann::json::parse(zando_test::ReadFile(zando_test::InDataFolder(zando.Host().DataFolder(), "zando_stats.json")));
        EXPECT_EQ(rows.back().at("shots"), std::to_string(stats["shots"].get<int>()));
        EXPECT_NEAR(Number(rows.back(), "boost_used"), stats["boostUsed"].get<double>(), 0.05);
        EXPECT_NEAR(Number(rows.back(), "possession_time"), stats["possessionTime"].get<double>(), 0.05);
    }
    zando_test::LoadedZando again(home.path());
    again.Run("zando_enable_upload 0");
    sb::PlaySimulatedMatch(again.Host(), {9, 1, 20.0});
    const std::vector<Row> rows = ReadRows(file);
    ASSERT_EQ(rows.size(), 4u) << "the rows of the first load are kept, the new match follows them";
    EXPECT_EQ(rows.back().at("id"), "4");

    // The console: the last N matches, one line each, oldest first; a bad N says how it is used.
    again.Run("zando_history 2");
    std::vector<std::string> printed;
    for (const std::string& line : again.Lines())
        if (line.rfind("[HISTORY] #", 0) == 0) printed.push_back(line);
    ASSERT_EQ(printed.size(), 2u);
    EXPECT_EQ(printed[0].rfind("[HISTORY] #3 ", 0), 0u) << printed[0];
    EXPECT_EQ(printed[1].rfind("[HISTORY] #4 ", 0), 0u) << printed[1];
    again.Run("zando_history 0; zando_history two");
    EXPECT_EQ(std::count(again.Lines().begin(), again.Lines().end(),
                         "[HISTORY] Usage: zando_history [N] - N, the number of matches, is a whole number from 1"),
              2);

    // The CSV: a header line and one line per match.
    again.Run("export_history");
    const std::string csv = zando_test::ReadFile(zando_test::InDataFolder(again.Host().DataFolder(), "zando_history.csv"));
    std::vector<std::string> lines;
    std::istringstream stream(csv);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].rfind("Match,Ended (UTC),Playlist ID,Playlist,", 0), 0u);
    for (std::size_t m = 1; m < lines.size(); ++m) {
        EXPECT_EQ(lines[m].rfind(std::to_string(m) + ",", 0), 0u) << lines[m];
        EXPECT_EQ(std::count(lines[m].begin(), lines[m].end(), ','), std::count(lines[0].begin(), lines[0].end(), ','));
    }
}

// A history of the first version (no derived figures) is brought up to date: its rows kept with the
// new figures at 0, the file's version raised, and new matches added after them.
// Files of each older version, written out in SQL as those builds wrote them, are brought up to date
// with their rows kept; none of their matches counts as a missed upload (they kept no body).
TEST(MatchHistory, FilesOfEachOlderVersionAreMigratedWithTheirRowsKept) {
    const std::string version1 =
        "CREATE TABLE matches (id INTEGER PRIMARY KEY, ended_at TEXT NOT NULL, playlist_id INTEGER NOT NULL,"
        " playlist_name TEXT NOT NULL, ranked INTEGER NOT NULL, team INTEGER NOT NULL, result TEXT NOT NULL,"
        " score_for INTEGER, score_against INTEGER, overtime INTEGER NOT NULL, duration REAL NOT NULL,"
        " mmr_before REAL NOT NULL, mmr_after REAL NOT NULL, mmr_change REAL NOT NULL, shots INTEGER NOT NULL,"
        " goals INTEGER NOT NULL, average_speed REAL NOT NULL, boost_collected REAL NOT NULL, boost_used REAL NOT NULL,"
        " possession_time REAL NOT NULL, team_possession_time REAL NOT NULL, opponent_possession_time REAL NOT NULL,"
        " shot_zones TEXT NOT NULL, goal_zones TEXT NOT NULL);"
        "CREATE INDEX matches_by_playlist ON matches (playlist_id, id);"
        "INSERT INTO matches VALUES (1, '2026-01-02T03:04:05Z', 11, 'Ranked Doubles', 1, 1, 'win', 3, 1, 0, 300.5, 1000, 1009.5,"
        " 9.5, 4, 2, 1400.25, 900, 850, 40, 80, 70, '3:10:2 5:20:2', '3:10:2');";
    const std::string version2 = version1 +
                                 "ALTER TABLE matches ADD COLUMN boost_per_minute REAL NOT NULL DEFAULT 0;"
                                 "ALTER TABLE matches ADD COLUMN supersonic_share REAL NOT NULL DEFAULT 0;"
                                 "ALTER TABLE matches ADD COLUMN empty_tank_share REAL NOT NULL DEFAULT 0;"
                                 "ALTER TABLE matches ADD COLUMN full_tank_share REAL NOT NULL DEFAULT 0;"
                                 "ALTER TABLE matches ADD COLUMN shots_per_goal REAL NOT NULL DEFAULT 0;"
                                 "UPDATE matches SET boost_per_minute = 179.6, shots_per_goal = 2;";
    const struct {
        int version;
        std::string sql;
        float boostPerMinute;
    } files[] = {{1, version1, 0.0f}, {2, version2, 179.6f}};
    for (const auto& old : files) {
        SCOPED_TRACE("version " + std::to_string(old.version));
        zando_test::TempDir folder;
        const std::filesystem::path file = folder.path() / "zando_history.sqlite3";
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(file.string().c_str(), &db), SQLITE_OK);
        RunSql(db, (old.sql + "PRAGMA user_version = " + std::to_string(old.version) + ";").c_str());
        sqlite3_close(db);

        std::vector<std::string> lines;
        zando::MatchHistory history([&](const std::string& line) { lines.push_back(line); });
        ASSERT_TRUE(history.Open(file).usable) << (lines.empty() ? "" : lines[0]);
        EXPECT_TRUE(lines.empty());
        const std::vector<zando::HistoryRow> kept = history.Last(-1);
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(kept[0].playlistName, "Ranked Doubles");
        EXPECT_EQ(kept[0].result, "win");
        EXPECT_EQ(kept[0].scoreFor, 3);
        EXPECT_EQ(kept[0].scoreAgainst, 1);
        EXPECT_FLOAT_EQ(kept[0].averageSpeed, 1400.25f);
        EXPECT_EQ(kept[0].shotZones, (std::vector<zando::ZoneCount>{{3, 10, 2}, {5, 20, 2}}));
        EXPECT_FLOAT_EQ(kept[0].boostPerMinute, old.boostPerMinute);
        EXPECT_FALSE(kept[0].uploaded);
        EXPECT_EQ(kept[0].saves, std::nullopt) << "an old match says it lacks its saves, not that it had none";
        EXPECT_EQ(kept[0].demolished, std::nullopt);
        EXPECT_EQ(kept[0].places, std::nullopt) << "an old match says it lacks its shots' places";
        EXPECT_EQ(kept[0].startedAt, "");
        EXPECT_TRUE(history.MissedUploads().empty()) << "an old match kept no body to send";
        zando::HistoryRow next;
        next.endedAt = "2026-01-02T03:20:00Z";
        next.playlistId = 11;
        next.playlistName = "Ranked Doubles";
        next.boostPerMinute = 250.5f;
        next.goalZones = {{0, 0, 1}};
        next.uploadBody = "{\"shots\":0}";
        next.saves = 2;
        next.assists = next.demolitions = next.demolished = 0;
        next.startedAt = "2026-01-02T03:14:30Z";
        next.places = std::vector<ShotPlace>{{true, 81.25f, {-120.5f, 4010.0f, 17.01f}, {-300.0f, 5150.0f, 93.15f}, 2480.5f},
                                             {false, 0.0f, {0.0f, -0.0f, 1e-7f}, {4096.0f, -5120.0f, 2044.0f}, 0.0f}};
        ASSERT_TRUE(history.Add(next));
        EXPECT_EQ(next.id, 2);
        ASSERT_EQ(history.MissedUploads().size(), 1u);
        EXPECT_TRUE(history.MarkUploaded(2));
        EXPECT_TRUE(history.MissedUploads().empty());
        // A replay's match is kept once, however often it is added; matches followed live have no replay.
        EXPECT_FALSE(history.HoldsReplay("R1"));
        std::vector<zando::HistoryRow> imported(3, next);
        imported[0].replayId = imported[1].replayId = "R1";
        imported[2].replayId = "R2";
        ASSERT_TRUE(history.AddAll(imported));
        EXPECT_EQ(std::vector<int64_t>({imported[0].id, imported[1].id, imported[2].id}), std::vector<int64_t>({3, 0, 4}));
        EXPECT_TRUE(history.HoldsReplay("R1"));
        EXPECT_EQ(history.Last(-1).back().replayId, "R2");
        EXPECT_EQ(history.Last(-1)[1].replayId, "");
        EXPECT_EQ(history.Last(-1)[1].places, next.places) << "every number read back as it was";
        EXPECT_EQ(history.Last(-1)[1].startedAt, next.startedAt);
        history.Close();

        const std::vector<Row> rows = ReadRows(file);
        ASSERT_EQ(rows.size(), 4u);
        EXPECT_EQ(rows[1].at("boost_per_minute"), "250.5");
        EXPECT_EQ(rows[1].at("goal_zones"), "0:0:1");
        EXPECT_EQ(rows[1].at("score_for"), "") << "no score read: NULL, not 0";
        EXPECT_EQ(rows[1].at("uploaded"), "1");
        EXPECT_EQ(std::vector<std::string>({rows[0].at("saves"), rows[1].at("saves"), rows[1].at("demolished")}),
                  std::vector<std::string>({"", "2", "0"}));
        ASSERT_EQ(sqlite3_open(file.string().c_str(), &db), SQLITE_OK);
        sqlite3_stmt* version = nullptr;
        sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &version, nullptr);
        ASSERT_EQ(sqlite3_step(version), SQLITE_ROW);
        EXPECT_EQ(sqlite3_column_int(version, 0), 7);
        sqlite3_finalize(version);
        sqlite3_close(db);
    }
}

// A file the history cannot read is refused with one "[HISTORY] " line and left byte for byte as it
// was, however often a match tries to add itself; the plug-in's other files are still written.
TEST(MatchHistory, AFileItCannotReadIsRefusedAndLeftAsItWas) {
    zando_test::TempDir folder;
    const std::filesystem::path file = folder.path() / "zando_history.sqlite3";
    std::vector<std::string> lines;
    const auto refusedUntouched = [&](const std::string& bytes, const std::string& why) {
        { std::ofstream(file, std::ios::binary) << bytes; }
        zando::MatchHistory history([&](const std::string& line) { lines.push_back(line); });
        const zando::HistoryStatus status = history.Open(file);
        EXPECT_FALSE(status.usable) << why;
        ASSERT_EQ(lines.size(), 1u) << why;
        EXPECT_EQ(lines[0].rfind("[HISTORY] Match history unavailable: ", 0), 0u) << lines[0];
        EXPECT_NE(lines[0].find(why), std::string::npos) << lines[0];
        EXPECT_EQ(lines[0], status.problem);
        zando::HistoryRow row;
        EXPECT_FALSE(history.Add(row));
        EXPECT_TRUE(history.Last(-1).empty());
        EXPECT_EQ(zando_test::ReadFile(file), bytes) << why;
        EXPECT_FALSE(std::filesystem::exists(file.string() + "-journal"));
        lines.clear();
    };
    refusedUntouched(std::string(4096, 'z') + "not a database at all", "is not a match history that can be read");

    // A history of a newer build: version 7.
    std::filesystem::remove(file);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.string().c_str(), &db), SQLITE_OK);
    RunSql(db,
           "CREATE TABLE matches (id INTEGER PRIMARY KEY, whatever TEXT); INSERT INTO matches VALUES (1, 'kept');"
           "PRAGMA user_version = 8;");
    sqlite3_close(db);
    refusedUntouched(zando_test::ReadFile(file), "was written by a newer ZANDO (history version 8, this one reads up to 7)");

    // A history whose table pages were overwritten (its header still says SQLite), of each version
    // before this one: checked before it is brought up to date.
    for (int version = 1; version < zando::MatchHistory::SchemaVersion; ++version) {
        SCOPED_TRACE("version " + std::to_string(version));
        std::filesystem::remove(file);
        ASSERT_EQ(sqlite3_open(file.string().c_str(), &db), SQLITE_OK);
        RunSql(db, ("PRAGMA page_size = 4096; CREATE TABLE matches (id INTEGER PRIMARY KEY, note TEXT);"
                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400)"
                    " INSERT INTO matches SELECT i, printf('%0500d', i) FROM n; PRAGMA user_version = " +
                    std::to_string(version) + ";")
                       .c_str());
        sqlite3_close(db);
        std::string damaged = zando_test::ReadFile(file);
        ASSERT_GT(damaged.size(), 5u * 4096u);
        for (std::size_t at = 4096 + 8; at < 4096 * 4; ++at) damaged[at] = static_cast<char>(at * 131 % 251);
        refusedUntouched(damaged, "is damaged (");
    }
    EXPECT_EQ(lines.size(), 0u);
    {
        zando::MatchHistory again([&](const std::string& line) { lines.push_back(line); });
        again.Open(file);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].find("another row available"), std::string::npos) << "says what is wrong: " << lines[0];
        lines.clear();
    }

    // Another program's database, with no version of ours: not made a history.
    std::filesystem::remove(file);
    ASSERT_EQ(sqlite3_open(file.string().c_str(), &db), SQLITE_OK);
    RunSql(db, "CREATE TABLE notes (id INTEGER PRIMARY KEY, text TEXT); INSERT INTO notes VALUES (1, 'mine');");
    sqlite3_close(db);
    refusedUntouched(zando_test::ReadFile(file), "is a database of another program, not a match history");
}

// Another program holding the history's lock: the match is not added, nothing is lost or rewritten,
// and once the lock is gone the next match is added.
// Another program's lock, an exclusive one or an ordinary write in progress: the match is not added
// and the line says why; the next match is added once the file is free. A file that needs bringing up
// to date while another program writes is refused for that same reason, and left as it is.
TEST(MatchHistory, ALockedFileIsNotWrittenAndTheNextMatchIsAddedOnceItIsFree) {
    for (const char* lock : {"BEGIN EXCLUSIVE", "BEGIN IMMEDIATE", "BEGIN; INSERT INTO matches (id) VALUES (99)"}) {
        SCOPED_TRACE(lock);
        zando_test::TempDir folder;
        const std::filesystem::path file = folder.path() / "zando_history.sqlite3";
        std::vector<std::string> lines;
        zando::MatchHistory history([&](const std::string& line) { lines.push_back(line); });
        ASSERT_TRUE(history.Open(file).usable);
        zando::HistoryRow row;
        row.playlistName = "Ranked Duel";
        ASSERT_TRUE(history.Add(row));
        const std::string before = zando_test::ReadFile(file);

        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(file.string().c_str(), &other), SQLITE_OK);
        sqlite3_exec(other, lock, nullptr, nullptr, nullptr);  // the INSERT fails on its NOT NULLs: the write lock stays
        EXPECT_FALSE(history.Add(row));
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].rfind("[HISTORY] This match was not added: the history is locked by another program", 0), 0u)
            << lines[0];
        RunSql(other, "ROLLBACK");
        sqlite3_close(other);
        EXPECT_EQ(zando_test::ReadFile(file), before);

        ASSERT_TRUE(history.Add(row));
        EXPECT_EQ(row.id, 2);
        EXPECT_EQ(history.Count(), 2);

        // A file of the previous version opened while another program writes to it.
        history.Close();
        lines.clear();
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(file.string().c_str(), &db), SQLITE_OK);
        RunSql(db, "PRAGMA user_version = 2");
        sqlite3_close(db);
        ASSERT_EQ(sqlite3_open(file.string().c_str(), &other), SQLITE_OK);
        sqlite3_exec(other, lock, nullptr, nullptr, nullptr);
        const std::string locked = zando_test::ReadFile(file);
        EXPECT_FALSE(history.Open(file).usable);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0], "[HISTORY] Match history unavailable: " + file.string() +
                                " is locked by another program - the file is left as it is");
        RunSql(other, "ROLLBACK");
        sqlite3_close(other);
        EXPECT_EQ(zando_test::ReadFile(file), locked);
    }
}

// The plug-in with a history it refuses still finishes the match: its statistics file is written.
TEST(MatchHistory, ARefusedHistoryNeverStopsTheMatchsOtherFiles) {
    zando_test::TempDir home;
    std::filesystem::create_directories(home.path() / "data");
    const std::filesystem::path file = home.path() / "data" / "zando_history.sqlite3";
    const std::string garbage(3000, '\x7f');
    { std::ofstream(file, std::ios::binary) << garbage; }
    zando_test::LoadedZando zando(home.path());
    zando.Run("zando_enable_upload 0");
    EXPECT_EQ(std::count_if(zando.Lines().begin(), zando.Lines().end(),
                            [](const std::string& line) { return line.rfind("[HISTORY] Match history unavailable: ", 0) == 0; }),
              1);
    const sb::SimulatedMatch match = sb::PlaySimulatedMatch(zando.Host(), {3, 1, 20.0});
    const nlohmann::json stats =
        nlohmann::json::parse(zando_test::ReadFile(zando_test::InDataFolder(zando.Host().DataFolder(), "zando_stats.json")));
    EXPECT_EQ(stats["shots"], match.truth.shots);
    EXPECT_EQ(zando_test::ReadFile(file), garbage);
    EXPECT_EQ(std::count_if(zando.Lines().begin(), zando.Lines().end(),
                            [](const std::string& line) { return line.rfind("[HISTORY] Match history unavailable: ", 0) == 0; }),
              2)
        << "tried again when the match ended";
    zando.Run("zando_history");
    EXPECT_EQ(zando.Lines().back(), "[HISTORY] The match history is unavailable");
}

// The history window, opened by its console command with the panel: after a session of three matches
// it shows them as this session's, and every shot and goal the file holds on its grid; a frame reads
// the history file only after a change.
TEST(HistoryWindow, ShowsTheSessionAndReadsTheFileOnlyAfterAChange) {
    PlayedSession played({5, 2, 20.0, 3});
    zando_test::LoadedZando& zando = played.zando;
    const std::vector<Row> stored = played.Rows();
    ASSERT_EQ(stored.size(), 3u);
    int storedShots = 0, storedGoals = 0;
    for (const Row& row : stored) {
        storedShots += std::stoi(row.at("shots"));
        storedGoals += std::stoi(row.at("goals"));
    }
    zando_test::ImGuiDriver driver(zando.Host());
    zando.Run("togglemenu ZANDO; zando_history_window");
    EXPECT_EQ(zando.Lines().back().rfind("[HISTORY] History window shown", 0), 0u) << zando.Lines().back();
    driver.Frame();  // asks the worker for the rows
    zando.Settle();
    driver.Frame();
    ASSERT_NE(zando_test::ImGuiDriver::Window("ZANDO Match History"), nullptr);
    const auto& view = zando.Zando().shownHistory->view;
    ASSERT_EQ(view.rows.size(), 3u);
    int sessionMatches = 0;
    for (const auto& playlist : view.session) sessionMatches += playlist.matches;
    EXPECT_EQ(sessionMatches, 3);
    EXPECT_EQ(view.zones.matches, 3);
    EXPECT_EQ(view.zones.shotTotal, storedShots) << "every shot of the session on the grid";
    EXPECT_EQ(view.zones.goalTotal, storedGoals);

    const zando::HistoryRow* first = view.rows.data();
    driver.Frame();
    EXPECT_EQ(view.rows.data(), first) << "the rows are kept from frame to frame";
    sb::PlaySimulatedMatch(zando.Host(), {13, 1, 20.0});
    driver.Frame();
    zando.Settle();
    EXPECT_EQ(view.rows.size(), 4u) << "read again after a match was added";

    zando.Run("zando_history_window");
    EXPECT_EQ(zando.Lines().back(), "[HISTORY] History window hidden");
}

// On a small screen the last matches' table keeps every column within reach: scrolled across, each
// heading and each match's speed (in km/h, cut to a whole number as the card shows it) is drawn.
TEST(HistoryWindow, EveryColumnOfTheTableIsReachedByScrollingAndSpeedsReadAsOnTheCard) {
    PlayedSession played({5, 2, 20.0, 3});
    const std::vector<Row> stored = played.Rows();
    ASSERT_EQ(stored.size(), 3u);
    zando_test::ImGuiDriver driver(played.zando.Host());
    ImGui::GetIO().DisplaySize = {1280.0f, 720.0f};
    played.zando.Run("togglemenu ZANDO; zando_history_window");
    driver.Frame();
    played.zando.Settle();  // the rows, read on the worker
    // The window made as tall as the screen, so that the table is in view (the window keeps its width).
    driver.Frame({-FLT_MAX, -FLT_MAX}, false, [] {
        ImGui::SetWindowPos("ZANDO Match History", {ImGui::FindWindowByName("ZANDO Match History")->Pos.x, 0.0f});
        ImGui::SetWindowSize("ZANDO Match History", {ImGui::FindWindowByName("ZANDO Match History")->Size.x, 720.0f});
    });
    driver.Frame();
    ImGuiWindow* table = zando_test::ImGuiDriver::Window("LastMatches");
    ASSERT_NE(table, nullptr);
    EXPECT_GT(table->ScrollMax.x, 0.0f) << "the table is wider than the window at 1280 x 720";
    std::string drawn;  // the text drawn at each place of the scroll bar
    for (float x = 0.0f; x <= table->ScrollMax.x + 100.0f; x += 100.0f) {
        driver.Frame({-FLT_MAX, -FLT_MAX}, false, [&] { ImGui::SetScrollX(table, std::min(x, table->ScrollMax.x)); });
        for (const std::string& line : zando_test::ImGuiDriver::DrawnLines(table)) drawn += line + "\n";
    }
    // Spaces draw nothing, so the texts are looked for without them.
    for (const char* heading : {"Ended", "Speed", "MMR", "Boost/min", "Supersonic", "Emptytank", "Fulltank", "Shots/goal"})
        EXPECT_NE(drawn.find(heading), std::string::npos) << heading << " in\n" << drawn;
    for (const Row& row : stored) {
        const std::string speed =
            std::to_string(static_cast<int>(static_cast<float>(Number(row, "average_speed")) * 0.036f)) + "kph";
        EXPECT_NE(drawn.find(speed), std::string::npos) << speed;
    }
}

// With "zando_postgame_history" on, the card shows beside each figure the average of the playlist's
// matches before this one (at most 10), worked out here from the history file's rows; off, nothing.
TEST(HistoryOnTheCard, EachFigureBesideTheAverageOfThePlaylistsLastMatches) {
    PlayedSession played({31, 1, 20.0, 4});
    zando_test::LoadedZando& zando = played.zando;
    const std::vector<Row> rows = played.Rows();
    ASSERT_EQ(rows.size(), 4u);
    std::vector<const Row*> before;
    for (std::size_t i = 0; i + 1 < rows.size(); ++i)
        if (rows[i].at("playlist_id") == rows.back().at("playlist_id")) before.push_back(&rows[i]);
    ASSERT_FALSE(before.empty()) << "this session plays the last match's playlist before it";
    double shots = 0.0, possession = 0.0;
    for (const Row* row : before) {
        shots += Number(*row, "shots");
        possession += 100.0 * Number(*row, "possession_time") / Number(*row, "duration");
    }
    const int count = static_cast<int>(before.size());
    const int tenths = static_cast<int>(shots / count * 10.0);
    const std::string expectedShots =
        "last " + std::to_string(count) + ": " + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " shots";
    const std::string expectedPossession =
        "last " + std::to_string(count) + ": " + std::to_string(static_cast<int>(possession / count)) + "%";

    const auto texts = [&] {
        host::RecordingCanvas canvas;
        zando.Host().RenderFrame(&canvas);
        std::vector<std::string> drawn;
        for (const host::CanvasCall& call : canvas.Calls())
            if (call.kind == host::CanvasCall::Kind::DrawString) drawn.push_back(call.text);
        return drawn;
    };
    zando.Run("zando_show_postgame 1; zando_sticky_mode 1");
    std::vector<std::string> drawn = texts();
    ASSERT_NE(std::find(drawn.begin(), drawn.end(), "MATCH STATS"), drawn.end());
    EXPECT_EQ(std::count_if(drawn.begin(), drawn.end(), [](const std::string& text) { return text.rfind("last ", 0) == 0; }), 0)
        << "off by default";
    zando.Run("zando_postgame_history 1");
    drawn = texts();
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), expectedShots), drawn.end()) << expectedShots;
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), expectedPossession), drawn.end()) << expectedPossession;
    EXPECT_EQ(std::count_if(drawn.begin(), drawn.end(), [](const std::string& text) { return text.rfind("last ", 0) == 0; }), 4)
        << "speed, boost, shots and possession; not the duration";
}

// A long history is read a thousand matches a frame, newest first, so that opening the window never
// stalls a frame; until it is all read the grid and the lines show what has been read.
TEST(HistoryWindow, ALongHistoryIsReadAThousandMatchesAFrameNewestFirst) {
    zando_test::TempDir home;
    std::filesystem::create_directories(home.path() / "data");
    {
        zando::MatchHistory history([](const std::string&) {});
        ASSERT_TRUE(history.Open(home.path() / "data" / "zando_history.sqlite3").usable);
        std::vector<zando::HistoryRow> rows(2500);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            rows[i].endedAt = "2026-01-01T00:00:00Z";
            rows[i].playlistId = i % 2 == 0 ? 10 : 11;
            rows[i].shots = 1;
            rows[i].shotZones = {{static_cast<int>(i % 62), 7, 1}};
        }
        ASSERT_TRUE(history.AddAll(rows));
    }
    zando_test::LoadedZando zando(home.path());
    zando_test::ImGuiDriver driver(zando.Host());
    zando.Run("togglemenu ZANDO; zando_history_window");
    driver.SetLockstep(false);  // a part read comes to the window only when the test settles
    const auto& view = zando.Zando().shownHistory->view;
    driver.Frame();
    EXPECT_TRUE(view.rows.empty()) << "read on the worker: the frame draws what has come";
    zando.Settle();
    driver.Frame();
    ASSERT_EQ(view.rows.size(), 1000u);
    EXPECT_EQ(view.rows.front().id, 1501) << "the newest first";
    EXPECT_FALSE(view.allRead);
    EXPECT_EQ(view.total, 2500);
    EXPECT_EQ(view.zones.shotTotal, 1000);
    for (int part = 0; part < 2; ++part) {
        zando.Settle();
        driver.Frame();
    }
    ASSERT_EQ(view.rows.size(), 2500u);
    EXPECT_TRUE(view.allRead);
    EXPECT_EQ(view.rows.front().id, 1);
    EXPECT_EQ(view.rows.back().id, 2500);
    EXPECT_EQ(view.zones.shotTotal, 2500) << "the grid shows all of them once read";
    EXPECT_EQ(view.zones.shots[5][7], 41) << "zone (5, 7): matches 6, 68, ..., 2486";
    EXPECT_EQ(view.trends.shots.size(), 10u) << "the last 10 by default";
}

TEST(MatchHistory, ZonesAreStoredAsRowColumnCountAndReadBackSkippingWhatIsNotAZone) {
    EXPECT_EQ(zando::ZoneCountsText({{0, 0, 1}, {61, 49, 12}}), "0:0:1 61:49:12");
    EXPECT_EQ(zando::ZoneCountsText({}), "");
    EXPECT_EQ(zando::ZoneCountsFromText("0:0:1 61:49:12"), (std::vector<zando::ZoneCount>{{0, 0, 1}, {61, 49, 12}}));
    EXPECT_EQ(zando::ZoneCountsFromText("  3:4:5   x:1:2 1:2 7:8:9:10 6:7:8z 2:3:4"),
              (std::vector<zando::ZoneCount>{{3, 4, 5}, {2, 3, 4}}));
    EXPECT_TRUE(zando::ZoneCountsFromText("").empty());
}

// The file is held only while it is used: between matches it can be deleted or replaced. A file
// deleted is made anew at the next match; one replaced by a file this build cannot read is checked
// again before it is written to, refused, and left as it is.
TEST(MatchHistory, BetweenMatchesTheFileIsFreeAndAChangedFileIsCheckedAgain) {
    zando_test::TempDir folder;
    const std::filesystem::path file = folder.path() / "zando_history.sqlite3";
    std::vector<std::string> lines;
    zando::MatchHistory history([&](const std::string& line) { lines.push_back(line); });
    ASSERT_TRUE(history.Open(file).usable);
    EXPECT_TRUE(history.Last(-1).empty());
    EXPECT_FALSE(std::filesystem::exists(file)) << "nothing read makes the file";
    zando::HistoryRow row;
    ASSERT_TRUE(history.Add(row));
    std::filesystem::rename(file, folder.path() / "moved.sqlite3");  // a held file could not be moved on Windows
    ASSERT_TRUE(history.Add(row)) << "a history made anew";
    EXPECT_EQ(row.id, 1);
    EXPECT_EQ(ReadRows(file).size(), 1u);
    EXPECT_EQ(ReadRows(folder.path() / "moved.sqlite3").size(), 1u);
    EXPECT_TRUE(lines.empty());

    std::filesystem::remove_all(folder.path() / "gone");
    zando::MatchHistory elsewhere([&](const std::string& line) { lines.push_back(line); });
    ASSERT_TRUE(elsewhere.Open(folder.path() / "gone" / "zando_history.sqlite3").usable);
    EXPECT_FALSE(elsewhere.Add(row));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "[HISTORY] This match was not added: " + (folder.path() / "gone" / "zando_history.sqlite3").string() +
                            " cannot be opened");
    lines.clear();

    std::filesystem::remove(file);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.string().c_str(), &db), SQLITE_OK);
    RunSql(db, "CREATE TABLE matches (id INTEGER PRIMARY KEY); PRAGMA user_version = 9;");
    sqlite3_close(db);
    const std::string newer = zando_test::ReadFile(file);
    EXPECT_FALSE(history.Add(row));
    ASSERT_EQ(lines.size(), 1u) << "one line for the match";
    EXPECT_NE(lines[0].find("was written by a newer ZANDO (history version 9"), std::string::npos) << lines[0];
    EXPECT_EQ(zando_test::ReadFile(file), newer);
    EXPECT_FALSE(history.IsOpen());
}

// Whatever path a row comes by (a damaged reload file, an odd value of the game's), the history keeps
// no figure that is not a number, nor a negative count or time; the MMR change keeps its sign.
TEST(MatchHistory, AFigureThatIsNotANumberOrIsNegativeIsKeptAsZeroAndSaid) {
    zando_test::TempDir folder;
    std::vector<std::string> lines;
    zando::MatchHistory history([&](const std::string& line) { lines.push_back(line); });
    ASSERT_TRUE(history.Open(folder.path() / "zando_history.sqlite3").usable);
    zando::HistoryRow row;
    row.playlistName = "Ranked Duel";
    row.duration = std::nanf("");
    row.mmrBefore = std::numeric_limits<float>::infinity();
    row.mmrChange = -9.5f;
    row.shots = -4;
    row.goals = 2;
    row.averageSpeed = std::numeric_limits<float>::infinity();
    row.saves = -1;
    ASSERT_TRUE(history.Add(row)) << "a match with an odd figure is kept, not lost";
    const std::vector<zando::HistoryRow> kept = history.Last(1);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(std::vector<float>({kept[0].duration, kept[0].mmrBefore, kept[0].averageSpeed, kept[0].mmrChange}),
              std::vector<float>({0.0f, 0.0f, 0.0f, -9.5f}));
    EXPECT_EQ(std::vector<int32_t>({kept[0].shots, kept[0].goals, kept[0].saves.value_or(-99)}), std::vector<int32_t>({0, 2, 0}));
    EXPECT_EQ(lines, (std::vector<std::string>{"[HISTORY] ⚠ duration is not a number of 0 or more - kept as 0",
                                               "[HISTORY] ⚠ mmrBefore is not a number of 0 or more - kept as 0",
                                               "[HISTORY] ⚠ shots is not a number of 0 or more - kept as 0",
                                               "[HISTORY] ⚠ averageSpeed is not a number of 0 or more - kept as 0",
                                               "[HISTORY] ⚠ a stat ticker count is not a number of 0 or more - kept as 0"}));
}
