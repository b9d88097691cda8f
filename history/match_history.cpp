// The match history file: opening and refusing, the schema's migrations, adding a match, reading the
// last matches, and the history's texts (console lines, the CSV).
//
// [SECTION] Statements
// [SECTION] Schema and migrations
// [SECTION] Opening
// [SECTION] Adding and reading
// [SECTION] Texts
#include "history/match_history.h"

#include <sqlite3.h>

#include <charconv>
#include <cmath>
#include <iomanip>
#include <iterator>
#include <locale>
#include <sstream>
#include <type_traits>
#include <utility>

#include "base/blocking_check.h"
#include "base/path_text.h"

namespace zando {

namespace {

// [SECTION] Statements

// A prepared statement, finalised when it goes.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr); }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    explicit operator bool() const { return statement_ != nullptr; }
    sqlite3_stmt* get() const { return statement_; }
    void Bind(int at, int64_t value) { sqlite3_bind_int64(statement_, at, value); }
    void Bind(int at, double value) { sqlite3_bind_double(statement_, at, value); }
    void Bind(int at, const std::string& value) {
        sqlite3_bind_text(statement_, at, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    }
    void Bind(int at, const std::optional<int32_t>& value) {
        if (value)
            Bind(at, static_cast<int64_t>(*value));
        else
            sqlite3_bind_null(statement_, at);
    }
    int Step() { return sqlite3_step(statement_); }
    int64_t Int(int column) const { return sqlite3_column_int64(statement_, column); }
    float Real(int column) const { return static_cast<float>(sqlite3_column_double(statement_, column)); }
    std::string Text(int column) const {
        const unsigned char* text = sqlite3_column_text(statement_, column);
        return text ? std::string(reinterpret_cast<const char*>(text),
                                  static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                    : std::string();
    }
    std::optional<int32_t> OptionalInt(int column) const {
        if (sqlite3_column_type(statement_, column) == SQLITE_NULL) return std::nullopt;
        return static_cast<int32_t>(Int(column));
    }

private:
    sqlite3_stmt* statement_ = nullptr;
};

// [SECTION] Schema and migrations

// Each step takes the schema from its index to the next version, in one transaction with the
// version's change. Steps are only ever added at the end: a file of any older build is brought up to
// date by the steps it has not had.
constexpr const char* Migrations[] = {
    // 0 -> 1: the matches, with the match record's figures and the zones of the shots and goals.
    "CREATE TABLE matches ("
    " id INTEGER PRIMARY KEY,"
    " ended_at TEXT NOT NULL,"
    " playlist_id INTEGER NOT NULL,"
    " playlist_name TEXT NOT NULL,"
    " ranked INTEGER NOT NULL,"
    " team INTEGER NOT NULL,"
    " result TEXT NOT NULL,"
    " score_for INTEGER,"
    " score_against INTEGER,"
    " overtime INTEGER NOT NULL,"
    " duration REAL NOT NULL,"
    " mmr_before REAL NOT NULL,"
    " mmr_after REAL NOT NULL,"
    " mmr_change REAL NOT NULL,"
    " shots INTEGER NOT NULL,"
    " goals INTEGER NOT NULL,"
    " average_speed REAL NOT NULL,"
    " boost_collected REAL NOT NULL,"
    " boost_used REAL NOT NULL,"
    " possession_time REAL NOT NULL,"
    " team_possession_time REAL NOT NULL,"
    " opponent_possession_time REAL NOT NULL,"
    " shot_zones TEXT NOT NULL,"
    " goal_zones TEXT NOT NULL);"
    "CREATE INDEX matches_by_playlist ON matches (playlist_id, id);",
    // 1 -> 2: the figures derived from the match's samples.
    "ALTER TABLE matches ADD COLUMN boost_per_minute REAL NOT NULL DEFAULT 0;"
    "ALTER TABLE matches ADD COLUMN supersonic_share REAL NOT NULL DEFAULT 0;"
    "ALTER TABLE matches ADD COLUMN empty_tank_share REAL NOT NULL DEFAULT 0;"
    "ALTER TABLE matches ADD COLUMN full_tank_share REAL NOT NULL DEFAULT 0;"
    "ALTER TABLE matches ADD COLUMN shots_per_goal REAL NOT NULL DEFAULT 0;",
    // 2 -> 3: whether the dashboard answered the match's upload 200, and the body of one it did not.
    "ALTER TABLE matches ADD COLUMN uploaded INTEGER NOT NULL DEFAULT 0;"
    "ALTER TABLE matches ADD COLUMN upload_body TEXT;"
    "CREATE INDEX matches_missing_upload ON matches (id) WHERE upload_body IS NOT NULL;",
    // 3 -> 4: the replay a match was imported from, each replay's match kept once.
    ("ALTER TABLE matches ADD COLUMN replay_id TEXT;"
     "CREATE UNIQUE INDEX matches_by_replay ON matches (replay_id) WHERE replay_id IS NOT NULL;"),
    // 4 -> 5: the player's saves, assists and demolitions made and suffered (none for older matches).
    ("ALTER TABLE matches ADD COLUMN saves INTEGER;"
     "ALTER TABLE matches ADD COLUMN assists INTEGER;"
     "ALTER TABLE matches ADD COLUMN demolitions INTEGER;"
     "ALTER TABLE matches ADD COLUMN demolished INTEGER;"),
    // 5 -> 6: when the match began, and where each counted shot and goal happened (none for older
    // matches); the address path a kept upload body goes to (NULL: the defined body's).
    ("ALTER TABLE matches ADD COLUMN started_at TEXT;"
     "ALTER TABLE matches ADD COLUMN shot_places TEXT;"
     "ALTER TABLE matches ADD COLUMN upload_path TEXT;"),
    // 6 -> 7: the API key a kept upload body was made for (NULL: not noted).
    "ALTER TABLE matches ADD COLUMN upload_key TEXT;",
};
static_assert(std::size(Migrations) == MatchHistory::SchemaVersion);

constexpr const char* Columns =
    "id, ended_at, playlist_id, playlist_name, ranked, team, result, score_for, score_against, overtime, duration,"
    " mmr_before, mmr_after, mmr_change, shots, goals, average_speed, boost_collected, boost_used, possession_time,"
    " team_possession_time, opponent_possession_time, boost_per_minute, supersonic_share, empty_tank_share,"
    " full_tank_share, shots_per_goal, shot_zones, goal_zones, uploaded, upload_body, replay_id, saves, assists, demolitions,"
    " demolished, started_at, shot_places, upload_path, upload_key";

HistoryRow ReadRow(const Statement& statement) {
    HistoryRow row;
    int at = 0;
    row.id = statement.Int(at++);
    row.endedAt = statement.Text(at++);
    row.playlistId = static_cast<int32_t>(statement.Int(at++));
    row.playlistName = statement.Text(at++);
    row.ranked = statement.Int(at++) != 0;
    row.team = static_cast<int32_t>(statement.Int(at++));
    row.result = statement.Text(at++);
    row.scoreFor = statement.OptionalInt(at++);
    row.scoreAgainst = statement.OptionalInt(at++);
    row.overtime = statement.Int(at++) != 0;
    for (float* figure : {&row.duration, &row.mmrBefore, &row.mmrAfter, &row.mmrChange}) *figure = statement.Real(at++);
    row.shots = static_cast<int32_t>(statement.Int(at++));
    row.goals = static_cast<int32_t>(statement.Int(at++));
    for (float* figure : {&row.averageSpeed, &row.boostCollected, &row.boostUsed, &row.possessionTime, &row.teamPossessionTime,
                          &row.opponentPossessionTime, &row.boostPerMinute, &row.supersonicShare, &row.emptyTankShare,
                          &row.fullTankShare, &row.shotsPerGoal})
        *figure = statement.Real(at++);
    row.shotZones = ZoneCountsFromText(statement.Text(at++));
    row.goalZones = ZoneCountsFromText(statement.Text(at++));
    row.uploaded = statement.Int(at++) != 0;
    row.uploadBody = statement.Text(at++);
    row.replayId = statement.Text(at++);
    for (std::optional<int32_t>* count : {&row.saves, &row.assists, &row.demolitions, &row.demolished})
        *count = statement.OptionalInt(at++);
    row.startedAt = statement.Text(at++);
    // A column this build cannot read is told apart from an empty list: the row says it lacks them.
    if (sqlite3_column_type(statement.get(), at) != SQLITE_NULL) row.places = ParseShotPlaces(statement.Text(at));
    ++at;
    row.uploadPath = statement.Text(at++);
    row.uploadKey = statement.Text(at++);
    return row;
}

// The row's values for the INSERT of AddAll, in its column order.
void BindRow(Statement& insert, const HistoryRow& row) {
    int at = 1;
    insert.Bind(at++, row.endedAt);
    insert.Bind(at++, int64_t{row.playlistId});
    insert.Bind(at++, row.playlistName);
    insert.Bind(at++, int64_t{row.ranked});
    insert.Bind(at++, int64_t{row.team});
    insert.Bind(at++, row.result);
    insert.Bind(at++, row.scoreFor);
    insert.Bind(at++, row.scoreAgainst);
    insert.Bind(at++, int64_t{row.overtime});
    for (float figure : {row.duration, row.mmrBefore, row.mmrAfter, row.mmrChange}) insert.Bind(at++, double{figure});
    insert.Bind(at++, int64_t{row.shots});
    insert.Bind(at++, int64_t{row.goals});
    for (float figure : {row.averageSpeed, row.boostCollected, row.boostUsed, row.possessionTime, row.teamPossessionTime,
                         row.opponentPossessionTime, row.boostPerMinute, row.supersonicShare, row.emptyTankShare,
                         row.fullTankShare, row.shotsPerGoal})
        insert.Bind(at++, double{figure});
    insert.Bind(at++, ZoneCountsText(row.shotZones));
    insert.Bind(at++, ZoneCountsText(row.goalZones));
    insert.Bind(at++, int64_t{row.uploaded});
    for (const std::string* text : {&row.uploadBody, &row.replayId}) {
        if (text->empty())
            sqlite3_bind_null(insert.get(), at++);
        else
            insert.Bind(at++, *text);
    }
    for (const std::optional<int32_t>* count : {&row.saves, &row.assists, &row.demolitions, &row.demolished})
        insert.Bind(at++, *count);
    if (row.startedAt.empty())
        sqlite3_bind_null(insert.get(), at++);
    else
        insert.Bind(at++, row.startedAt);
    if (row.places)
        insert.Bind(at++, ShotPlacesText(*row.places));
    else
        sqlite3_bind_null(insert.get(), at++);
    for (const std::string* text : {&row.uploadPath, &row.uploadKey}) {
        if (text->empty())
            sqlite3_bind_null(insert.get(), at++);
        else
            insert.Bind(at++, *text);
    }
}

}  // namespace

MatchHistory::MatchHistory(Log log) : log_(std::move(log)) {}

MatchHistory::~MatchHistory() { Close(); }

void MatchHistory::Close() {
    Disconnect();
    usable_ = false;
    file_.clear();
}

void MatchHistory::Disconnect() {
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool MatchHistory::Execute(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

std::string MatchHistory::Problem(const std::string& what) const {
    return what + " (" + (db_ ? sqlite3_errmsg(db_) : "no database") + ")";
}

bool MatchHistory::Migrate(int from) {
    if (!Execute("BEGIN IMMEDIATE")) return false;
    bool done = true;
    for (int step = from; step < SchemaVersion && done; ++step) done = Execute(Migrations[step]);
    done = done && Execute(("PRAGMA user_version = " + std::to_string(SchemaVersion)).c_str()) && Execute("COMMIT");
    if (!done) Execute("ROLLBACK");
    return done;
}

// [SECTION] Opening

HistoryStatus MatchHistory::Open(const std::filesystem::path& file) {
    Close();
    file_ = file;
    return Check();
}

HistoryStatus MatchHistory::Check() {
    CheckMayWait("a match history call");
    Disconnect();
    usable_ = false;
    const std::string name = PathText(file_);
    HistoryStatus status;
    std::error_code error;
    if (!std::filesystem::exists(file_, error) && !error) {  // made with the first match
        usable_ = status.usable = true;
        return status;
    }
    const auto refuse = [&](const std::string& why) {
        status.problem = "[HISTORY] Match history unavailable: " + why + " - the file is left as it is";
        log_(status.problem);
        Disconnect();
        return status;
    };
    int schema = 0;
    const int opened = OpenFile(schema);
    if (opened == SQLITE_CANTOPEN) return refuse(Problem(name + " cannot be opened"));
    if (opened == SQLITE_BUSY || opened == SQLITE_LOCKED) return refuse(name + " is locked by another program");
    if (opened != SQLITE_ROW) return refuse(Problem(name + " is not a match history that can be read"));
    if (schema > SchemaVersion)
        return refuse(name + " was written by a newer ZANDO (history version " + std::to_string(schema) +
                      ", this one reads up to " + std::to_string(SchemaVersion) + ")");
    // A database of another program (its own tables, no history's) is not made one: its bytes stay.
    if ((schema == 0 && HoldsAnything()) || (schema > 0 && !HoldsMatches()))
        return refuse(name + " is a database of another program, not a match history");
    if (schema > 0) {
        Statement check(db_, "PRAGMA quick_check");
        const int checked = check ? check.Step() : sqlite3_errcode(db_);
        if (checked != SQLITE_ROW) return refuse(Problem(name + " is damaged"));
        // The check's first finding says what is wrong ("ok" when nothing is).
        if (const std::string finding = check.Text(0); finding != "ok") return refuse(name + " is damaged (" + finding + ")");
    }
    if (schema < SchemaVersion && !Migrate(schema)) {
        const bool busy = sqlite3_errcode(db_) == SQLITE_BUSY;
        return refuse(busy ? name + " is locked by another program" : Problem(name + " could not be brought up to date"));
    }
    Disconnect();
    usable_ = true;
    status.usable = true;
    return status;
}

bool MatchHistory::HoldsAnything() {
    Statement objects(db_, "SELECT count(*) FROM sqlite_master");
    return !objects || objects.Step() != SQLITE_ROW || objects.Int(0) > 0;
}

bool MatchHistory::HoldsMatches() {
    Statement table(db_, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'matches'");
    return table && table.Step() == SQLITE_ROW && table.Int(0) == 1;
}

int MatchHistory::OpenFile(int& schema) {
    Disconnect();
    if (sqlite3_open_v2(PathText(file_).c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
        return SQLITE_CANTOPEN;
    sqlite3_busy_timeout(db_, 250);  // another program's short write is waited for; a long lock is not
    Statement version(db_, "PRAGMA user_version");
    const int stepped = version ? version.Step() : sqlite3_errcode(db_);
    if (stepped == SQLITE_ROW) schema = static_cast<int>(version.Int(0));
    return stepped;
}

MatchHistory::Connection MatchHistory::Connect(bool create) {
    CheckMayWait("a match history call");
    if (!usable_) return Connection::Failed;
    std::error_code error;
    if (!create && !std::filesystem::exists(file_, error)) return Connection::Failed;
    int schema = -1;
    const int opened = OpenFile(schema);
    if (opened == SQLITE_CANTOPEN) return Connection::CannotOpen;
    if (opened == SQLITE_BUSY || opened == SQLITE_LOCKED) return Connection::Busy;
    // No tables yet: the file was made just now, for the first match (or after the player deleted it).
    const bool empty = schema == 0 && !HoldsAnything();
    if (empty && !Migrate(0)) return Connection::Failed;
    if (empty || schema == SchemaVersion) return Execute("PRAGMA synchronous = FULL") ? Connection::Ready : Connection::Failed;
    // The file changed since it was checked (replaced, or written by another build): checked again
    // in full, and used only when it passes.
    if (!Check().usable) return Connection::Refused;
    return Connect(create);
}

// [SECTION] Adding and reading

std::vector<std::string> MendFigures(HistoryRow& row) {
    std::vector<std::string> mended;
    const auto mend = [&](const char* name, auto& figure, bool signedFigure) {
        using Figure = std::remove_reference_t<decltype(figure)>;
        bool bad = figure < Figure{} && !signedFigure;
        if constexpr (std::is_floating_point_v<Figure>) bad = bad || !std::isfinite(figure);
        if (!bad) return;
        figure = Figure{};
        mended.push_back(name);
    };
    mend("duration", row.duration, false);
    mend("mmrBefore", row.mmrBefore, false);
    mend("mmrAfter", row.mmrAfter, false);
    mend("mmrChange", row.mmrChange, true);
    mend("shots", row.shots, false);
    mend("goals", row.goals, false);
    mend("averageSpeed", row.averageSpeed, false);
    mend("boostCollected", row.boostCollected, false);
    mend("boostUsed", row.boostUsed, false);
    mend("possessionTime", row.possessionTime, false);
    mend("teamPossessionTime", row.teamPossessionTime, false);
    mend("opponentPossessionTime", row.opponentPossessionTime, false);
    mend("boostPerMinute", row.boostPerMinute, false);
    mend("supersonicShare", row.supersonicShare, false);
    mend("emptyTankShare", row.emptyTankShare, false);
    mend("fullTankShare", row.fullTankShare, false);
    mend("shotsPerGoal", row.shotsPerGoal, false);
    for (auto* count : {&row.saves, &row.assists, &row.demolitions, &row.demolished})
        if (*count && **count < 0) {
            **count = 0;
            mended.push_back("a stat ticker count");
        }
    return mended;
}

bool MatchHistory::AddAll(std::span<HistoryRow> rows) {
    // Whatever path a row came by, the history keeps no figure that is not a number, or a negative count or time.
    for (HistoryRow& row : rows)
        for (const std::string& name : MendFigures(row))
            log_("[HISTORY] ⚠ " + name + " is not a number of 0 or more - kept as 0");
    const Connection connection = Connect(true);
    if (connection == Connection::Refused) return false;  // the check said why, in the one line of this match
    if (connection != Connection::Ready) {
        Disconnect();
        log_(connection == Connection::Busy ? "[HISTORY] This match was not added: the history is locked by another program"
             : connection == Connection::CannotOpen
                 ? "[HISTORY] This match was not added: " + PathText(file_) + " cannot be opened"
                 : std::string("[HISTORY] This match was not added: the match history is unavailable"));
        return false;
    }
    const Disconnecting done{*this};
    const auto fail = [&](const char* what) {
        log_("[HISTORY] This match was not added: " + Problem(what));
        Execute("ROLLBACK");
        for (HistoryRow& row : rows) row.id = 0;
        return false;
    };
    if (!Execute("BEGIN IMMEDIATE"))
        return fail(sqlite3_errcode(db_) == SQLITE_BUSY ? "the history is locked by another program"
                                                        : "the history cannot be written");
    Statement insert(
        db_,
        "INSERT INTO matches (ended_at, playlist_id, playlist_name, ranked, team, result, score_for, score_against,"
        " overtime, duration, mmr_before, mmr_after, mmr_change, shots, goals, average_speed, boost_collected,"
        " boost_used, possession_time, team_possession_time, opponent_possession_time, boost_per_minute,"
        " supersonic_share, empty_tank_share, full_tank_share, shots_per_goal, shot_zones, goal_zones, uploaded,"
        " upload_body, replay_id, saves, assists, demolitions, demolished, started_at, shot_places,"
        " upload_path, upload_key) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
        " ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
        " ON CONFLICT (replay_id) WHERE replay_id IS NOT NULL DO NOTHING");
    if (!insert) return fail("the history cannot be written");
    for (HistoryRow& row : rows) {
        sqlite3_reset(insert.get());
        BindRow(insert, row);
        if (insert.Step() != SQLITE_DONE) return fail("the match could not be written");
        row.id = sqlite3_changes(db_) == 1 ? sqlite3_last_insert_rowid(db_) : 0;
    }
    if (!Execute("COMMIT")) return fail("the match could not be written to the disk");
    return true;
}

std::vector<HistoryRow> MatchHistory::Query(const char* sql, const std::vector<int64_t>& parameters) {
    std::vector<HistoryRow> rows;
    const Disconnecting done{*this};
    if (Connect(false) != Connection::Ready) return rows;
    Statement select(db_, sql);
    if (!select) return rows;
    for (std::size_t i = 0; i < parameters.size(); ++i) select.Bind(static_cast<int>(i + 1), parameters[i]);
    while (select.Step() == SQLITE_ROW) rows.push_back(ReadRow(select));
    return rows;
}

std::vector<HistoryRow> MatchHistory::Last(int count) {
    static const std::string sql =
        std::string("SELECT * FROM (SELECT ") + Columns + " FROM matches ORDER BY id DESC LIMIT ?) ORDER BY id";
    return Query(sql.c_str(), {count < 0 ? -1 : count});
}

std::vector<HistoryRow> MatchHistory::LastOfPlaylist(int32_t playlistId, int count) {
    static const std::string sql = std::string("SELECT * FROM (SELECT ") + Columns +
                                   " FROM matches WHERE playlist_id = ? ORDER BY id DESC LIMIT ?) ORDER BY id";
    return Query(sql.c_str(), {playlistId, count < 0 ? -1 : count});
}

std::vector<HistoryRow> MatchHistory::Before(int64_t id, int count) {
    static const std::string sql =
        std::string("SELECT * FROM (SELECT ") + Columns + " FROM matches WHERE id < ? ORDER BY id DESC LIMIT ?) ORDER BY id";
    return Query(sql.c_str(), {id, count < 0 ? -1 : count});
}

std::vector<HistoryRow> MatchHistory::After(int64_t id) {
    static const std::string sql = std::string("SELECT ") + Columns + " FROM matches WHERE id > ? ORDER BY id";
    return Query(sql.c_str(), {id});
}

std::vector<HistoryRow> MatchHistory::MissedUploads() {
    static const std::string sql =
        std::string("SELECT ") + Columns + " FROM matches WHERE upload_body IS NOT NULL AND uploaded = 0 ORDER BY id";
    return Query(sql.c_str(), {});
}

bool MatchHistory::MarkUploaded(int64_t id) {
    const Disconnecting done{*this};
    if (Connect(false) != Connection::Ready) return false;
    Statement update(db_, "UPDATE matches SET uploaded = 1, upload_body = NULL WHERE id = ?");
    if (!update) return false;
    update.Bind(1, id);
    return update.Step() == SQLITE_DONE && sqlite3_changes(db_) == 1;
}

bool MatchHistory::KeepUpload(int64_t id, const std::string& body, const std::string& path) {
    const Disconnecting done{*this};
    if (Connect(false) != Connection::Ready) return false;
    Statement update(db_, "UPDATE matches SET upload_body = ?, upload_path = ? WHERE id = ? AND uploaded = 0");
    if (!update) return false;
    update.Bind(1, body);
    update.Bind(2, path);
    update.Bind(3, id);
    return update.Step() == SQLITE_DONE && sqlite3_changes(db_) == 1;
}

bool MatchHistory::HoldsReplay(const std::string& replayId) {
    const Disconnecting done{*this};
    if (Connect(false) != Connection::Ready) return false;
    Statement select(db_, "SELECT 1 FROM matches WHERE replay_id = ?");
    if (!select) return false;
    select.Bind(1, replayId);
    return select.Step() == SQLITE_ROW;
}

int64_t MatchHistory::Count() {
    const Disconnecting done{*this};
    if (Connect(false) != Connection::Ready) return 0;
    Statement count(db_, "SELECT COUNT(*) FROM matches");
    return count && count.Step() == SQLITE_ROW ? count.Int(0) : 0;
}

// [SECTION] Texts

std::string ZoneCountsText(const std::vector<ZoneCount>& zones) {
    std::string text;
    for (const ZoneCount& zone : zones) {
        if (!text.empty()) text += ' ';
        text += std::to_string(zone.row) + ':' + std::to_string(zone.col) + ':' + std::to_string(zone.count);
    }
    return text;
}

std::vector<ZoneCount> ZoneCountsFromText(const std::string& text) {
    std::vector<ZoneCount> zones;
    const char* at = text.data();
    const char* const end = at + text.size();
    const auto number = [&](auto& value) {
        const auto [next, error] = std::from_chars(at, end, value);
        const bool read = error == std::errc();
        if (read) at = next;
        return read;
    };
    const auto colon = [&] { return at < end && *at == ':' ? (++at, true) : false; };
    while (at < end) {
        if (*at == ' ') {
            ++at;
            continue;
        }
        ZoneCount zone;
        if (number(zone.row) && colon() && number(zone.col) && colon() && number(zone.count) && (at == end || *at == ' ')) {
            zones.push_back(zone);
            continue;
        }
        while (at < end && *at != ' ') ++at;  // a word that is not a zone is skipped
    }
    return zones;
}

namespace {

// Fixed decimals, always with "." whatever the player's locale.
std::string Fixed(double value, int decimals) {
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << std::fixed << std::setprecision(decimals) << value;
    return text.str();
}

// A CSV field: quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string OptionalText(const std::optional<int32_t>& value) { return value ? std::to_string(*value) : std::string(); }

}  // namespace

std::string HistoryCsv(const std::vector<HistoryRow>& rows) {
    std::string csv =
        "Match,Ended (UTC),Playlist ID,Playlist,Ranked,Team,Result,Score For,Score Against,Overtime,Duration (s),"
        "MMR Before,MMR After,MMR Change,Shots,Goals,Average Speed,Boost Collected,Boost Used,Possession Time (s),"
        "Team Possession Time (s),Opponent Possession Time (s),Boost Per Minute,Supersonic Share,Empty Tank Share,"
        "Full Tank Share,Shots Per Goal\n";
    for (const HistoryRow& row : rows) {
        csv += std::to_string(row.id) + ',' + CsvField(row.endedAt) + ',' + std::to_string(row.playlistId) + ',' +
               CsvField(row.playlistName) + ',' + (row.ranked ? "1" : "0") + ',' + std::to_string(row.team) + ',' +
               CsvField(row.result) + ',' + OptionalText(row.scoreFor) + ',' + OptionalText(row.scoreAgainst) + ',' +
               (row.overtime ? "1" : "0") + ',' + Fixed(row.duration, 1) + ',' + Fixed(row.mmrBefore, 2) + ',' +
               Fixed(row.mmrAfter, 2) + ',' + Fixed(row.mmrChange, 2) + ',' + std::to_string(row.shots) + ',' +
               std::to_string(row.goals) + ',' + Fixed(row.averageSpeed, 2) + ',' + Fixed(row.boostCollected, 1) + ',' +
               Fixed(row.boostUsed, 1) + ',' + Fixed(row.possessionTime, 1) + ',' + Fixed(row.teamPossessionTime, 1) + ',' +
               Fixed(row.opponentPossessionTime, 1) + ',' + Fixed(row.boostPerMinute, 2) + ',' + Fixed(row.supersonicShare, 4) +
               ',' + Fixed(row.emptyTankShare, 4) + ',' + Fixed(row.fullTankShare, 4) + ',' + Fixed(row.shotsPerGoal, 2) + '\n';
    }
    return csv;
}

std::string HistoryLine(const HistoryRow& row) {
    std::string line =
        "[HISTORY] #" + std::to_string(row.id) + " " + row.endedAt + " " + row.playlistName + (row.ranked ? " (ranked)" : "");
    if (!row.result.empty()) line += " " + row.result;
    if (row.scoreFor && row.scoreAgainst) line += " " + std::to_string(*row.scoreFor) + "-" + std::to_string(*row.scoreAgainst);
    if (row.overtime) line += " OT";
    line += " | " + std::to_string(row.shots) + " shots, " + std::to_string(row.goals) + " goals, " + Fixed(row.averageSpeed, 0) +
            " uu/s, " + Fixed(row.boostPerMinute, 1) + " boost/min";
    if (row.mmrBefore > 0.0f)
        line += ", MMR " + Fixed(row.mmrAfter, 1) + " (" + (row.mmrChange >= 0.0f ? "+" : "") + Fixed(row.mmrChange, 1) + ")";
    return line;
}

}  // namespace zando
