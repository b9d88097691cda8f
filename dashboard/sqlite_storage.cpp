// SQLite behind the storage interface: a few connections to one file, readers beside one writer.
#include "dashboard/sqlite_storage.h"

#include <sqlite3.h>

#include <cmath>
#include <iostream>
#include <stdexcept>

#include "base/utc_timestamp.h"
#include "dashboard/connection_pool.h"
#include "dashboard/running_totals.h"
#include "dashboard/schema.h"

namespace {

using dashboard::StorageUnavailable;

struct Connection {
    sqlite3* db = nullptr;
    ~Connection() { sqlite3_close_v2(db); }
};

// A statement the database refused for what it was given, not for its own state.
class RowRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(sqlite3* db, const std::string& doing) {
    const std::string what = "SQLite: " + doing + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
    const int code = db ? sqlite3_errcode(db) : SQLITE_NOMEM;
    if (code == SQLITE_CONSTRAINT || code == SQLITE_TOOBIG || code == SQLITE_MISMATCH || code == SQLITE_RANGE)
        throw RowRefused(what);
    throw StorageUnavailable(what);
}

// One prepared statement; $N parameters are bound in order.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK) Fail(db, "preparing a statement");
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() { sqlite3_finalize(statement_); }

    Statement& Bind(int index, int64_t value) { return Check(sqlite3_bind_int64(statement_, index, value)); }
    Statement& Bind(int index, double value) { return Check(sqlite3_bind_double(statement_, index, value)); }
    Statement& Bind(int index, const std::string& value) {
        return Check(sqlite3_bind_text(statement_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT));
    }
    // Whether a row came; false at the end.
    bool Step() {
        const int result = sqlite3_step(statement_);
        if (result == SQLITE_ROW) return true;
        if (result == SQLITE_DONE) return false;
        Fail(db_, "running a statement");
    }
    void Reset() {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    int64_t Int(int column) const { return sqlite3_column_int64(statement_, column); }
    double Real(int column) const { return sqlite3_column_double(statement_, column); }
    std::string Text(int column) const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
        return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))) : std::string();
    }

private:
    Statement& Check(int result) {
        if (result != SQLITE_OK) Fail(db_, "binding a value");
        return *this;
    }
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

void Execute(sqlite3* db, const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
        throw StorageUnavailable("SQLite: " + text);
    }
}

// A transaction that rolls back unless committed.
class Transaction {
public:
    explicit Transaction(sqlite3* db) : db_(db) { Execute(db, "BEGIN IMMEDIATE"); }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction() {
        if (!done_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void Commit() {
        Execute(db_, "COMMIT");
        done_ = true;
    }

private:
    sqlite3* db_;
    bool done_ = false;
};

class SqliteStorage final : public dashboard::Storage {
public:
    explicit SqliteStorage(std::filesystem::path file) : file_(std::move(file)), pool_([this] { return Open(); }, 8) {
        auto lease = pool_.Borrow();  // opens the file now, so that a bad path fails at start
    }

    void Migrate() override {
        auto connection = pool_.Borrow();
        sqlite3* db = connection->db;
        Transaction transaction(db);
        Execute(db, "CREATE TABLE IF NOT EXISTS schema_migrations (version INTEGER PRIMARY KEY, applied_at TEXT NOT NULL)");
        const int current = Version(db);
        if (current > dashboard::LatestSchemaVersion())
            throw dashboard::SchemaTooNew("the database's schema is version " + std::to_string(current) +
                                          ", newer than this build's version " +
                                          std::to_string(dashboard::LatestSchemaVersion()));
        for (const dashboard::Migration& step : dashboard::Migrations(dashboard::Dialect::Sqlite)) {
            if (step.version <= current) continue;
            for (const std::string& statement : step.statements) Execute(db, statement);
            Statement record(db, dashboard::RecordMigrationSql);
            record.Bind(1, static_cast<int64_t>(step.version)).Bind(2, zando::UtcTimestamp()).Step();
        }
        transaction.Commit();
    }

    int SchemaVersion() override {
        auto connection = pool_.Borrow();
        Statement exists(connection->db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'schema_migrations'");
        return exists.Step() ? Version(connection->db) : 0;
    }

    std::optional<dashboard::KeyRecord> FindKey(const std::string& keyHash) override {
        auto connection = pool_.Borrow();
        Statement find(connection->db, dashboard::FindKeySql);
        find.Bind(1, keyHash);
        if (!find.Step()) return std::nullopt;
        return dashboard::KeyRecord{find.Int(0), find.Int(1), find.Int(2) != 0};
    }

    dashboard::KeyRecord CreateKey(const std::string& account, const std::string& keyHash, const std::string& prefix) override {
        auto connection = pool_.Borrow();
        sqlite3* db = connection->db;
        Transaction transaction(db);
        const std::string now = zando::UtcTimestamp();
        Statement addAccount(db, dashboard::AddAccountSql);
        addAccount.Bind(1, account).Bind(2, now).Step();
        Statement findAccount(db, dashboard::AccountIdSql);
        findAccount.Bind(1, account).Step();
        const int64_t accountId = findAccount.Int(0);
        Statement addKey(db, dashboard::AddKeySql);
        addKey.Bind(1, accountId).Bind(2, keyHash).Bind(3, prefix).Bind(4, now).Step();
        const dashboard::KeyRecord key{addKey.Int(0), accountId, false};
        addKey.Step();
        transaction.Commit();
        return key;
    }

    std::vector<dashboard::KeyListing> ListKeys() override {
        auto connection = pool_.Borrow();
        Statement list(connection->db, dashboard::ListKeysSql);
        std::vector<dashboard::KeyListing> keys;
        while (list.Step()) keys.push_back({list.Int(0), list.Text(1), list.Text(2), list.Text(3), list.Text(4)});
        return keys;
    }

    bool RevokeKey(int64_t keyId) override {
        auto connection = pool_.Borrow();
        Transaction transaction(connection->db);
        Statement revoke(connection->db, dashboard::RevokeKeySql);
        revoke.Bind(1, zando::UtcTimestamp()).Bind(2, keyId).Step();
        const bool revoked = sqlite3_changes(connection->db) > 0;
        Statement end(connection->db, dashboard::EndKeySignInsSql);
        end.Bind(1, keyId).Step();
        transaction.Commit();
        return revoked;
    }

    std::vector<dashboard::StoreOutcome> StoreMatches(const std::vector<dashboard::Submission>& submissions) override {
        auto connection = pool_.Borrow();
        sqlite3* db = connection->db;
        std::vector<dashboard::StoreOutcome> outcomes;
        Transaction transaction(db);
        Statement insert(db, dashboard::InsertMatchSql);
        Statement zone(db, "INSERT INTO match_zones (match_id, kind, row_index, col_index, value) VALUES ($1, $2, $3, $4, $5)");
        for (const dashboard::Submission& submission : submissions) {
            // Each match in a savepoint of its own: a row the database refuses costs that match alone.
            Execute(db, "SAVEPOINT one_match");
            try {
                outcomes.push_back(StoreOne(insert, zone, submission));
                Execute(db, "RELEASE one_match");
            } catch (const RowRefused& refused) {
                Execute(db, "ROLLBACK TO one_match");
                Execute(db, "RELEASE one_match");
                std::cerr << "zando-dashboard: a match of account " << submission.accountId << " was refused: " << refused.what()
                          << "\n";
                outcomes.push_back(dashboard::StoreOutcome::Refused);
            }
        }
        dashboard::TotalsDeltas deltas;
        dashboard::PeriodDeltas periods;
        for (std::size_t i = 0; i < submissions.size(); ++i)
            if (outcomes[i] == dashboard::StoreOutcome::Stored) dashboard::AddToTotals(deltas, periods, submissions[i]);
        Statement playlistTotals(db, dashboard::AddPlaylistTotalsSql), blockTotal(db, dashboard::AddBlockTotalSql);
        Statement placeTotal(db, dashboard::AddPlaceTotalSql);
        Statement periodTotals(db, dashboard::AddPeriodTotalsSql);
        for (const auto& [key, totals] : deltas) {
            playlistTotals.Reset();
            playlistTotals.Bind(1, key.accountId).Bind(2, key.playlist).Bind(3, totals.matches).Bind(4, totals.shots);
            playlistTotals.Bind(5, totals.goals);
            for (std::size_t i = 0; i < totals.figures.size(); ++i)
                playlistTotals.Bind(static_cast<int>(6 + i), totals.figures[i]);
            playlistTotals.Step();
            for (int r = 0; r < dashboard::UploadGridSize; ++r)
                for (int c = 0; c < dashboard::UploadGridSize; ++c) {
                    if (totals.shotsPerBlock[r][c] == 0) continue;
                    blockTotal.Reset();
                    blockTotal.Bind(1, key.accountId).Bind(2, key.playlist).Bind(3, static_cast<int64_t>(r));
                    blockTotal.Bind(4, static_cast<int64_t>(c)).Bind(5, totals.shotsPerBlock[r][c]).Step();
                }
            dashboard::ForEachCell(totals.places, [&](const char* kind, int row, int column, int64_t count) {
                placeTotal.Reset();
                placeTotal.Bind(1, key.accountId).Bind(2, key.playlist).Bind(3, std::string(kind));
                placeTotal.Bind(4, static_cast<int64_t>(row)).Bind(5, static_cast<int64_t>(column)).Bind(6, count).Step();
            });
        }
        for (const auto& [key, totals] : periods) {
            periodTotals.Reset();
            periodTotals.Bind(1, key.accountId).Bind(2, std::string(dashboard::UnitName(key.unit))).Bind(3, key.period);
            periodTotals.Bind(4, key.playlist).Bind(5, totals.matches).Bind(6, totals.shots).Bind(7, totals.goals);
            for (std::size_t i = 0; i < totals.figures.size(); ++i) periodTotals.Bind(static_cast<int>(8 + i), totals.figures[i]);
            periodTotals.Bind(17, totals.ratedAt).Bind(18, totals.rating).Step();
        }
        transaction.Commit();
        return outcomes;
    }

    static dashboard::StoreOutcome StoreOne(Statement& insert, Statement& zone, const dashboard::Submission& submission) {
        const dashboard::UploadedMatch& m = submission.match;
        insert.Reset();
        insert.Bind(1, submission.accountId).Bind(2, submission.receivedAt).Bind(3, m.timestamp).Bind(4, m.shots);
        insert.Bind(5, m.goals).Bind(6, m.averageSpeed).Bind(7, m.speedSamples).Bind(8, m.boostCollected);
        insert.Bind(9, m.boostUsed).Bind(10, m.gameTime).Bind(11, m.possessionTime).Bind(12, m.teamPossessionTime);
        insert.Bind(13, m.opponentPossessionTime).Bind(14, m.playlist).Bind(15, static_cast<int64_t>(m.isRanked));
        insert.Bind(16, m.mmr).Bind(17, m.mmrChange).Bind(18, m.fingerprint);
        if (m.whole) insert.Bind(19, dashboard::WholeMatchText(*m.whole));  // else NULL
        if (!insert.Step()) return dashboard::StoreOutcome::AlreadyStored;
        const int64_t matchId = insert.Int(0);
        insert.Step();
        const auto addZone = [&](const char* kind, int row, int column, double value) {
            if (value == 0.0) return;
            zone.Reset();
            zone.Bind(1, matchId).Bind(2, std::string(kind)).Bind(3, static_cast<int64_t>(row));
            zone.Bind(4, static_cast<int64_t>(column)).Bind(5, value).Step();
        };
        for (int r = 0; r < dashboard::UploadGridSize; ++r)
            for (int c = 0; c < dashboard::UploadGridSize; ++c) {
                addZone("shot", r, c, m.shotHeatmap[r][c]);
                addZone("goal", r, c, static_cast<double>(m.goalHeatmap[r][c]));
            }
        if (m.whole) {
            dashboard::PlaceDensity places;
            dashboard::AddPlaces(places, *m.whole);
            dashboard::ForEachCell(places, [&](const char* kind, int row, int column, int64_t count) {
                addZone(kind, row, column, static_cast<double>(count));
            });
        }
        return dashboard::StoreOutcome::Stored;
    }

    dashboard::MatchPage FindMatches(int64_t accountId, const dashboard::MatchQuery& query) override {
        const dashboard::MatchQuerySql sql = dashboard::CheckedMatchQuerySql(query);
        auto connection = pool_.Borrow();
        dashboard::MatchPage page;
        Statement count(connection->db, sql.count.text.c_str());
        Statement select(connection->db, sql.select.text.c_str());
        BindQuery(count, accountId, sql.count.texts).Step();
        page.total = count.Int(0);
        BindQuery(select, accountId, sql.select.texts);
        page.matches = ReadMatches(connection->db, select, query.withZones);
        return page;
    }

    dashboard::MatchAverages Averages(int64_t accountId, const dashboard::MatchQuery& query) override {
        const dashboard::MatchQuerySql sql = dashboard::CheckedMatchQuerySql(query);
        auto connection = pool_.Borrow();
        Statement select(connection->db, sql.averages.text.c_str());
        BindQuery(select, accountId, sql.averages.texts).Step();
        dashboard::MatchAverages means{select.Int(0)};
        int column = 1;
        for (double* figure : means.Figures()) *figure = select.Real(column++);
        return means;
    }

    dashboard::MatchTotals Totals(int64_t accountId, const std::string& playlist) override {
        auto connection = pool_.Borrow();
        dashboard::MatchTotals totals;
        Statement sums(connection->db, dashboard::PlaylistTotalsSql);
        sums.Bind(1, accountId).Bind(2, playlist);
        if (sums.Step()) {
            totals.matches = sums.Int(0);
            totals.shots = sums.Int(1);
            totals.goals = sums.Int(2);
        }
        Statement blocks(connection->db, dashboard::BlockTotalsSql);
        blocks.Bind(1, accountId).Bind(2, playlist);
        while (blocks.Step())
            totals.shotsPerBlock.at(static_cast<std::size_t>(blocks.Int(0))).at(static_cast<std::size_t>(blocks.Int(1))) =
                blocks.Int(2);
        Statement places(connection->db, dashboard::PlaceTotalsSql);
        places.Bind(1, accountId).Bind(2, playlist);
        while (places.Step()) dashboard::AddCell(totals.places, places.Text(0), places.Int(1), places.Int(2), places.Int(3));
        return totals;
    }

    dashboard::PlaceDensity Places(int64_t accountId, const dashboard::MatchQuery& query) override {
        const dashboard::MatchQuerySql sql = dashboard::CheckedMatchQuerySql(query);
        auto connection = pool_.Borrow();
        Statement select(connection->db, sql.places.text.c_str());
        BindQuery(select, accountId, sql.places.texts);
        dashboard::PlaceDensity places;
        while (select.Step())
            dashboard::AddCell(places, select.Text(0), select.Int(1), select.Int(2), std::llround(select.Real(3)));
        return places;
    }

    dashboard::UploadGrid<int64_t> ShotsPerBlock(int64_t accountId, const dashboard::MatchQuery& query) override {
        const dashboard::MatchQuerySql sql = dashboard::CheckedMatchQuerySql(query);
        auto connection = pool_.Borrow();
        Statement select(connection->db, sql.shotsPerBlock.text.c_str());
        BindQuery(select, accountId, sql.shotsPerBlock.texts);
        dashboard::UploadGrid<int64_t> shots{};
        while (select.Step())
            shots.at(static_cast<std::size_t>(select.Int(0))).at(static_cast<std::size_t>(select.Int(1))) =
                std::llround(select.Real(2));
        return shots;
    }

    std::vector<dashboard::PeriodTotals> Periods(int64_t accountId, const dashboard::PeriodRange& range,
                                                 const std::string& playlist) override {
        const dashboard::AccountSql sql = dashboard::PeriodTotalsQuery(range, playlist);
        auto connection = pool_.Borrow();
        Statement select(connection->db, sql.text.c_str());
        BindQuery(select, accountId, sql.texts);
        std::vector<dashboard::PeriodTotals> periods;
        while (select.Step()) {
            dashboard::PeriodTotals& period = periods.emplace_back();
            period.period = select.Text(0);
            period.playlist = select.Text(1);
            period.matches = select.Int(2);
            period.shots = select.Int(3);
            period.goals = select.Int(4);
            for (std::size_t i = 0; i < period.figures.size(); ++i) period.figures[i] = select.Real(static_cast<int>(5 + i));
            period.ratedAt = select.Text(14);
            period.rating = select.Real(15);
        }
        return periods;
    }

    std::vector<std::string> Playlists(int64_t accountId) override {
        auto connection = pool_.Borrow();
        Statement select(connection->db, dashboard::PlaylistsSql);
        select.Bind(1, accountId);
        std::vector<std::string> names;
        while (select.Step()) names.push_back(select.Text(0));
        return names;
    }

    std::vector<std::string> PublicAccounts() override {
        auto connection = pool_.Borrow();
        Statement select(connection->db, dashboard::PublicAccountsSql);
        std::vector<std::string> names;
        while (select.Step()) names.push_back(select.Text(0));
        return names;
    }

    std::string MostPlayedPlaylist(int64_t accountId) override {
        auto connection = pool_.Borrow();
        Statement select(connection->db, dashboard::MostPlayedSql);
        select.Bind(1, accountId);
        return select.Step() ? select.Text(0) : std::string();
    }

    std::optional<dashboard::Account> FindAccount(const std::string& name) override {
        return ReadAccount(dashboard::AccountByNameSql, name);
    }
    std::optional<dashboard::Account> AccountById(int64_t accountId) override {
        return ReadAccount(dashboard::AccountByIdSql, accountId);
    }

    bool SetPublic(const std::string& name, bool isPublic) override {
        auto connection = pool_.Borrow();
        Statement update(connection->db, dashboard::SetPublicSql);
        update.Bind(1, static_cast<int64_t>(isPublic)).Bind(2, name).Step();
        return sqlite3_changes(connection->db) > 0;
    }

    std::optional<dashboard::StoredMatch> FindMatch(int64_t accountId, int64_t matchId) override {
        auto connection = pool_.Borrow();
        Statement select(connection->db, dashboard::SelectMatchSql);
        select.Bind(1, accountId).Bind(2, matchId);
        std::vector<dashboard::StoredMatch> found = ReadMatches(connection->db, select, true);
        if (found.empty()) return std::nullopt;
        return std::move(found.front());
    }

    void AddSignIn(int64_t accountId, int64_t keyId, const std::string& tokenHash, const std::string& expiresAt) override {
        auto connection = pool_.Borrow();
        const std::string now = zando::UtcTimestamp();
        Statement expired(connection->db, dashboard::DeleteExpiredSignInsSql);
        expired.Bind(1, now).Step();
        Statement add(connection->db, dashboard::AddSignInSql);
        add.Bind(1, tokenHash).Bind(2, accountId).Bind(3, now).Bind(4, expiresAt).Bind(5, keyId).Step();
    }

    std::optional<int64_t> SignedIn(const std::string& tokenHash, const std::string& now) override {
        auto connection = pool_.Borrow();
        Statement find(connection->db, dashboard::SignedInSql);
        find.Bind(1, tokenHash).Bind(2, now);
        if (!find.Step()) return std::nullopt;
        return find.Int(0);
    }

    void EndSignIn(const std::string& tokenHash) override {
        auto connection = pool_.Borrow();
        Statement end(connection->db, dashboard::EndSignInSql);
        end.Bind(1, tokenHash).Step();
    }

    void Ping() override {
        auto connection = pool_.Borrow();
        Statement ping(connection->db, "SELECT COUNT(*) FROM schema_migrations");
        ping.Step();
    }

private:
    // The account's id as $1, then the query's texts.
    static Statement& BindQuery(Statement& statement, int64_t accountId, const std::vector<std::string>& texts) {
        statement.Bind(1, accountId);
        for (std::size_t i = 0; i < texts.size(); ++i) statement.Bind(static_cast<int>(i + 2), texts[i]);
        return statement;
    }

    template <class Key>
    std::optional<dashboard::Account> ReadAccount(const char* sql, const Key& key) {
        auto connection = pool_.Borrow();
        Statement select(connection->db, sql);
        select.Bind(1, key);
        if (!select.Step()) return std::nullopt;
        return dashboard::Account{select.Int(0), select.Text(1), select.Int(2) != 0};
    }

    std::unique_ptr<Connection> Open() {
        auto connection = std::make_unique<Connection>();
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
        if (sqlite3_open_v2(file_.string().c_str(), &connection->db, flags, nullptr) != SQLITE_OK)
            Fail(connection->db, "opening " + file_.string());
        sqlite3_busy_timeout(connection->db, 10000);
        // Write-ahead log: readers never wait for the writer; every commit is on the disk before it is answered.
        Execute(connection->db, "PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL; PRAGMA foreign_keys = ON");
        return connection;
    }

    // The matches a statement selects (its columns: dashboard::MatchColumns), each with its zones.
    static std::vector<dashboard::StoredMatch> ReadMatches(sqlite3* db, Statement& select, bool withZones) {
        std::vector<dashboard::StoredMatch> matches;
        while (select.Step()) {
            dashboard::StoredMatch stored{select.Int(0), select.Int(1), select.Text(2), {}};
            dashboard::UploadedMatch& m = stored.match;
            m.timestamp = select.Text(3);
            m.shots = select.Int(4);
            m.goals = select.Int(5);
            m.averageSpeed = select.Real(6);
            m.speedSamples = select.Int(7);
            m.boostCollected = select.Real(8);
            m.boostUsed = select.Real(9);
            m.gameTime = select.Real(10);
            m.possessionTime = select.Real(11);
            m.teamPossessionTime = select.Real(12);
            m.opponentPossessionTime = select.Real(13);
            m.playlist = select.Text(14);
            m.isRanked = select.Int(15) != 0;
            m.mmr = select.Real(16);
            m.mmrChange = select.Real(17);
            m.fingerprint = select.Text(18);
            if (const std::string whole = select.Text(19); !whole.empty()) m.whole = dashboard::WholeMatchFromText(whole);
            matches.push_back(std::move(stored));
        }
        if (!withZones) return matches;
        Statement zones(db, "SELECT kind, row_index, col_index, value FROM match_zones WHERE match_id = $1");
        for (dashboard::StoredMatch& stored : matches) {
            zones.Reset();
            zones.Bind(1, stored.id);
            while (zones.Step()) {
                const auto r = static_cast<std::size_t>(zones.Int(1)), c = static_cast<std::size_t>(zones.Int(2));
                const std::string kind = zones.Text(0);
                if (kind == "shot")
                    stored.match.shotHeatmap.at(r).at(c) = zones.Real(3);
                else if (kind == "goal")
                    stored.match.goalHeatmap.at(r).at(c) = static_cast<int64_t>(zones.Real(3));
            }
        }
        return matches;
    }

    static int Version(sqlite3* db) {
        Statement version(db, dashboard::SchemaVersionSql);
        version.Step();
        return static_cast<int>(version.Int(0));
    }

    std::filesystem::path file_;
    dashboard::ConnectionPool<Connection> pool_;
};

}  // namespace

namespace dashboard {

std::unique_ptr<Storage> OpenSqliteStorage(const std::filesystem::path& file) { return std::make_unique<SqliteStorage>(file); }

}  // namespace dashboard
