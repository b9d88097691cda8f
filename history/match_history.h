// The player's match history: one row per finished match in "zando_history.sqlite3" (SQLite), its
// schema versioned in the file (PRAGMA user_version) and brought up to date by the migrations in
// match_history.cpp. A file this build cannot read (not a database, damaged, a newer schema, locked by
// another program) is refused: the history says why once and leaves the file's bytes alone.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/shot_place.h"

struct sqlite3;

namespace zando {

// A zone of the 62 x 50 grid and how many shots or goals it holds.
struct ZoneCount {
    int row = 0;
    int col = 0;
    int32_t count = 0;
    bool operator==(const ZoneCount&) const = default;
};

// One finished match as the history keeps it.
struct HistoryRow {
    int64_t id = 0;       // given by the history; rows are numbered in the order added
    std::string endedAt;  // UTC, "2025-03-01T18:04:09Z"
    int32_t playlistId = 0;
    std::string playlistName;
    bool ranked = false;
    int32_t team = -1;                // 0 blue, 1 orange; -1 unknown
    std::string result;               // "win", "loss", "forfeit"; empty when the final score is unknown
    std::optional<int32_t> scoreFor;  // goals of the player's team, when the game gave the score
    std::optional<int32_t> scoreAgainst;
    bool overtime = false;
    float duration = 0.0f;   // seconds of match time followed
    float mmrBefore = 0.0f;  // 0: none read
    float mmrAfter = 0.0f;   // mmrBefore + mmrChange when an MMR was read, else 0
    float mmrChange = 0.0f;
    // The match record's figures.
    int32_t shots = 0;
    int32_t goals = 0;
    float averageSpeed = 0.0f;            // units per second
    float boostCollected = 0.0f;          // pad units
    float boostUsed = 0.0f;               // percent points of the tank
    float possessionTime = 0.0f;          // seconds
    float teamPossessionTime = 0.0f;      // seconds
    float opponentPossessionTime = 0.0f;  // seconds
    // Figures derived from the match's samples (schema 2 on; a row migrated from schema 1 has 0).
    float boostPerMinute = 0.0f;       // pad units collected per minute of match time
    float supersonicShare = 0.0f;      // share of match time at 2200 units per second or faster, 0..1
    float emptyTankShare = 0.0f;       // share of match time with no boost, 0..1
    float fullTankShare = 0.0f;        // share of match time with a full tank, 0..1
    float shotsPerGoal = 0.0f;         // shots over goals; 0 without a goal
    std::vector<ZoneCount> shotZones;  // zones of the player's shots, row 0 first
    std::vector<ZoneCount> goalZones;  // zones of the player's goals, row 0 first
    // The dashboard (schema 3 on): answered the match's upload 200; else the body sent (or that could
    // not be), kept so that it can be sent again. Empty when no upload was made for it.
    bool uploaded = false;
    std::string uploadBody;
    // Schema 4 on: the id of the replay the match was imported from; empty for a match followed live.
    // The history keeps a replay's match once.
    std::string replayId;
    // Schema 5 on, from the stat ticker: none for a match kept before.
    std::optional<int32_t> saves, assists;
    std::optional<int32_t> demolitions;  // cars the player demolished
    std::optional<int32_t> demolished;   // times the player's car was demolished
    // Schema 6 on: when the match began (UTC, as endedAt; empty when unknown), and where each counted
    // shot and goal happened, in the order counted (none for a match kept before).
    std::string startedAt;
    std::optional<std::vector<ShotPlace>> places;
    // The address path uploadBody goes to: empty for the defined body's, else the whole match's.
    std::string uploadPath;
    // Schema 7 on: the API key uploadBody was made for, by its fingerprint (upload/request_signature.h);
    // empty for a body kept before keys were noted.
    std::string uploadKey;
};

// Why the history cannot be used (empty when it can).
struct HistoryStatus {
    bool usable = false;
    std::string problem;  // the "[HISTORY] " line that said why, when not usable
};

class MatchHistory {
public:
    static constexpr int SchemaVersion = 7;
    using Log = std::function<void(const std::string&)>;

    // log receives the "[HISTORY] " lines.
    explicit MatchHistory(Log log);
    ~MatchHistory();
    MatchHistory(const MatchHistory&) = delete;
    MatchHistory& operator=(const MatchHistory&) = delete;

    // Opens the history file, checks it and brings its schema up to date; a missing file is made when
    // the first match is added, so a plug-in that never finishes one leaves no file. A file it
    // refuses is left as it was; the history then adds and reads nothing until opened again. The file
    // is held only while a match is added or rows are read, so between matches other programs (and
    // on Windows, the player deleting or replacing it) find it free; a file changed meanwhile is
    // checked again in full before it is used.
    HistoryStatus Open(const std::filesystem::path& file);
    void Close();
    bool IsOpen() const { return usable_; }

    // Adds a finished match in one transaction, written to the disk before it returns. False (and a
    // "[HISTORY] " line) when the history is not open or the write failed; nothing is half-written.
    bool Add(HistoryRow& row) { return AddAll({&row, 1}); }
    // Several matches in one transaction (a history brought over from elsewhere): all or none. A row
    // of a replay the history holds already is not added again: its id stays 0.
    bool AddAll(std::span<HistoryRow> rows);
    // Whether the history holds the match of the replay of that id (false when it cannot be read).
    bool HoldsReplay(const std::string& replayId);

    // The last count matches, newest last; all of them for count < 0. Nothing when the file cannot be read now.
    std::vector<HistoryRow> Last(int count);
    // The last count matches of one playlist, newest last.
    std::vector<HistoryRow> LastOfPlaylist(int32_t playlistId, int count);
    // Up to count matches added before the match numbered id (the newest of them), newest last: a
    // long history read a part at a time.
    std::vector<HistoryRow> Before(int64_t id, int count);
    // The matches added after the match numbered id, newest last.
    std::vector<HistoryRow> After(int64_t id);
    int64_t Count();
    // The matches whose upload was made but not answered 200, oldest first.
    std::vector<HistoryRow> MissedUploads();
    // Notes that the dashboard answered the match's upload 200 (its kept body is dropped); false when
    // the history could not be written.
    bool MarkUploaded(int64_t id);
    // Keeps body, to go to path, as the match's upload to send again (the whole match, in place of the
    // defined body kept when it was added); false when the history could not be written.
    bool KeepUpload(int64_t id, const std::string& body, const std::string& path);

private:
    enum class Connection { Ready, Busy, CannotOpen, Refused, Failed };
    // Opens the checked file for one operation; a file changed since it was checked is checked again
    // (and may be refused). Busy: another program holds it; CannotOpen: its folder cannot be reached;
    // Refused: checked again and refused, which the check has said; Failed: it was refused before,
    // it could not be set up, or (when not asked to create it) there is no file yet.
    Connection Connect(bool create);
    // Opens file_ (made when missing) and reads its schema version into schema: SQLITE_ROW when read,
    // SQLITE_CANTOPEN when the file cannot be opened, SQLITE_BUSY or SQLITE_LOCKED when another
    // program holds it, else the error reading it.
    int OpenFile(int& schema);
    // Whether the open file holds tables, indexes or views of its own; and whether it has the matches table.
    bool HoldsAnything();
    bool HoldsMatches();
    void Disconnect();
    struct Disconnecting {  // closes the file when an operation ends, however it ends
        MatchHistory& history;
        ~Disconnecting() { history.Disconnect(); }
    };
    HistoryStatus Check();  // the full check of file_, on a connection of its own
    bool Execute(const char* sql);
    std::string Problem(const std::string& what) const;
    std::vector<HistoryRow> Query(const char* sql, const std::vector<int64_t>& parameters);
    bool Migrate(int from);

    Log log_;
    std::filesystem::path file_;
    std::atomic<bool> usable_ = false;  // read by any thread: whether the window may ask for rows
    sqlite3* db_ = nullptr;             // open only during an operation
};

// Zones as the history stores them: "row:col:count" separated by spaces. Reading skips what it cannot read.
std::string ZoneCountsText(const std::vector<ZoneCount>& zones);
std::vector<ZoneCount> ZoneCountsFromText(const std::string& text);

// The history as "zando_history.csv": a header line, then one line per match, oldest first.
std::string HistoryCsv(const std::vector<HistoryRow>& rows);
// Sets each figure of row that is not a finite number, or a count or time below 0, to 0 (the MMR change
// may be negative); the names of those it set.
std::vector<std::string> MendFigures(HistoryRow& row);
// One match as a console line.
std::string HistoryLine(const HistoryRow& row);

}  // namespace zando
