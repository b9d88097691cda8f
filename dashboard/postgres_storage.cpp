// PostgreSQL behind the storage interface through libpqxx: a pool of connections, a broken one
// dropped and made again at the next request.
#include "dashboard/postgres_storage.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iostream>
#include <map>
#include <numeric>
#include <stdexcept>
#include <tuple>
#include <type_traits>

#include <pqxx/pqxx>

#include "base/utc_timestamp.h"
#include "dashboard/connection_pool.h"
#include "dashboard/match_summary.h"
#include "dashboard/running_totals.h"
#include "dashboard/schema.h"

namespace {

using dashboard::StorageUnavailable;

constexpr int MigrationLockKey = 0x5a414e44;  // "ZAND": one instance migrates at a time

std::string NumberText(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

// A PostgreSQL array literal of the texts given (which hold no quote, brace or comma).
std::string ArrayText(const std::vector<std::string>& items) {
    std::string text = "{";
    for (std::size_t i = 0; i < items.size(); ++i) text += (i ? "," : "") + items[i];
    return text + "}";
}

// Rows sent as one array a column (a statement reads them with unnest): a batch in one round trip.
class ArrayColumns {
public:
    explicit ArrayColumns(std::size_t columns) : columns_(columns, "{") {}
    // Adds a row, a text a column (each quoted: any text is sent as it is).
    void Add(const std::vector<std::string>& row) {
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            std::string& column = columns_[i];
            if (column.size() > 1) column += ',';
            column += '"';
            for (const char c : row.at(i)) {
                if (c == '"' || c == '\\') column += '\\';
                column += c;
            }
            column += '"';
        }
    }
    // The columns' array literals, the first parameter given before them.
    std::vector<std::string> Parameters() const {
        std::vector<std::string> parameters;
        for (const std::string& column : columns_) parameters.push_back(column + "}");
        return parameters;
    }

private:
    std::vector<std::string> columns_;
};

// An upsert written for one row of VALUES made to read its rows from select instead.
std::string FromRows(const std::string& upsert, const std::string& select) {
    const std::size_t values = upsert.find(" VALUES ("), conflict = upsert.find(" ON CONFLICT");
    return upsert.substr(0, values) + " " + select + upsert.substr(conflict);
}

class PostgresStorage final : public dashboard::Storage {
public:
    explicit PostgresStorage(std::string url) : url_(std::move(url)), pool_([this] { return Open(); }, 8) {
        Run([](pqxx::connection&) {});  // connects now, so that an unreachable database fails at start
    }

    void Migrate() override {
        Run([](pqxx::connection& connection) {
            pqxx::work work(connection);
            work.exec("SET LOCAL statement_timeout = 0");  // a step over a large table, or another instance's, takes its time
            work.exec_params("SELECT pg_advisory_xact_lock($1)", MigrationLockKey);
            work.exec("CREATE TABLE IF NOT EXISTS schema_migrations (version INTEGER PRIMARY KEY, applied_at TEXT NOT NULL)");
            const int current = work.exec(dashboard::SchemaVersionSql)[0][0].as<int>();
            if (current > dashboard::LatestSchemaVersion())
                throw dashboard::SchemaTooNew("the database's schema is version " + std::to_string(current) +
                                              ", newer than this build's version " +
                                              std::to_string(dashboard::LatestSchemaVersion()));
            for (const dashboard::Migration& step : dashboard::Migrations(dashboard::Dialect::Postgres)) {
                if (step.version <= current) continue;
                for (const std::string& statement : step.statements) work.exec(statement);
                work.exec_params(dashboard::RecordMigrationSql, step.version, zando::UtcTimestamp());
            }
            work.commit();
        });
    }

    int SchemaVersion() override {
        return Run([](pqxx::connection& connection) {
            pqxx::read_transaction read(connection);
            if (read.exec("SELECT to_regclass('schema_migrations') IS NULL")[0][0].as<bool>()) return 0;
            return read.exec(dashboard::SchemaVersionSql)[0][0].as<int>();
        });
    }

    std::optional<dashboard::KeyRecord> FindKey(const std::string& keyHash) override {
        return Run([&](pqxx::connection& connection) -> std::optional<dashboard::KeyRecord> {
            pqxx::read_transaction read(connection);
            const pqxx::result rows = read.exec_params(dashboard::FindKeySql, keyHash);
            if (rows.empty()) return std::nullopt;
            return dashboard::KeyRecord{rows[0][0].as<int64_t>(), rows[0][1].as<int64_t>(), rows[0][2].as<bool>()};
        });
    }

    dashboard::KeyRecord CreateKey(const std::string& account, const std::string& keyHash, const std::string& prefix) override {
        return Run([&](pqxx::connection& connection) {
            pqxx::work work(connection);
            const std::string now = zando::UtcTimestamp();
            work.exec_params(dashboard::AddAccountSql, account, now);
            const auto accountId = work.exec_params(dashboard::AccountIdSql, account)[0][0].as<int64_t>();
            const auto keyId = work.exec_params(dashboard::AddKeySql, accountId, keyHash, prefix, now)[0][0].as<int64_t>();
            work.commit();
            return dashboard::KeyRecord{keyId, accountId, false};
        });
    }

    std::vector<dashboard::KeyListing> ListKeys() override {
        return Run([](pqxx::connection& connection) {
            pqxx::read_transaction read(connection);
            std::vector<dashboard::KeyListing> keys;
            for (const auto& row : read.exec(dashboard::ListKeysSql))
                keys.push_back({row[0].as<int64_t>(), row[1].as<std::string>(), row[2].as<std::string>(),
                                row[3].as<std::string>(), row[4].as<std::string>()});
            return keys;
        });
    }

    bool RevokeKey(int64_t keyId) override {
        return Run([&](pqxx::connection& connection) {
            pqxx::work work(connection);
            const pqxx::result done = work.exec_params(dashboard::RevokeKeySql, zando::UtcTimestamp(), keyId);
            work.exec_params(dashboard::EndKeySignInsSql, keyId);
            work.commit();
            return done.affected_rows() > 0;
        });
    }

    std::vector<dashboard::StoreOutcome> StoreMatches(const std::vector<dashboard::Submission>& submissions) override {
        // Inserted in the order of their identity, whatever order they came in: two instances storing
        // the same matches at once then wait for each other's rows in one order, never in a circle
        // (which PostgreSQL would end as a deadlock, failing a whole batch).
        std::vector<std::size_t> order(submissions.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return std::tie(submissions[a].accountId, submissions[a].match.fingerprint) <
                   std::tie(submissions[b].accountId, submissions[b].match.fingerprint);
        });
        return Run([&](pqxx::connection& connection) {
            try {
                return StoreInOrder(connection, submissions, order, false);
            } catch (const pqxx::sql_error& error) {
                // The batch again, each match in a savepoint of its own (a round trip more a match,
                // paid only when a row was refused): the refused one costs that match alone.
                if (!RefusedRow(error)) throw;
                return StoreInOrder(connection, submissions, order, true);
            }
        });
    }

    // Whether the database refused what a row holds (data, a constraint, a size limit), not its own state.
    static bool RefusedRow(const pqxx::sql_error& error) {
        const std::string state = error.sqlstate();
        return state.rfind("22", 0) == 0 || state.rfind("23", 0) == 0 || state.rfind("54", 0) == 0;
    }

    // Without a refused row, the batch is one statement in one round trip (its own transaction);
    // after one, each match goes again in a savepoint of its own, so that it alone is refused.
    static std::vector<dashboard::StoreOutcome> StoreInOrder(pqxx::connection& connection,
                                                             const std::vector<dashboard::Submission>& submissions,
                                                             const std::vector<std::size_t>& order, bool eachAlone) {
        std::vector<dashboard::StoreOutcome> outcomes(submissions.size(), dashboard::StoreOutcome::AlreadyStored);
        if (!eachAlone) {
            pqxx::nontransaction work(connection);
            StoreBatch(work, submissions, order, outcomes);
            return outcomes;
        }
        pqxx::work work(connection);
        for (const std::size_t index : order) {
            work.exec("SAVEPOINT one_match");
            try {
                StoreBatch(work, submissions, {index}, outcomes);
                work.exec("RELEASE SAVEPOINT one_match");
            } catch (const pqxx::sql_error& error) {
                if (!RefusedRow(error)) throw;
                work.exec("ROLLBACK TO SAVEPOINT one_match");
                std::cerr << "zando-dashboard: a match of account " << submissions[index].accountId
                          << " was refused: " << error.what() << "\n";
                outcomes[index] = dashboard::StoreOutcome::Refused;
            }
        }
        work.commit();
        return outcomes;
    }

    static std::vector<std::string> MatchRow(const dashboard::Submission& submission) {
        const dashboard::UploadedMatch& m = submission.match;
        return {std::to_string(submission.accountId),
                submission.receivedAt,
                m.timestamp,
                std::to_string(m.shots),
                std::to_string(m.goals),
                NumberText(m.averageSpeed),
                std::to_string(m.speedSamples),
                NumberText(m.boostCollected),
                NumberText(m.boostUsed),
                NumberText(m.gameTime),
                NumberText(m.possessionTime),
                NumberText(m.teamPossessionTime),
                NumberText(m.opponentPossessionTime),
                m.playlist,
                m.isRanked ? "t" : "f",
                NumberText(m.mmr),
                NumberText(m.mmrChange),
                m.fingerprint};
    }

    // The matches of order (in that order), their zones and their part of the running totals: one
    // statement. Each match's zones and blocks' shots are rows naming its place n in order.
    static void StoreBatch(pqxx::transaction_base& work, const std::vector<dashboard::Submission>& submissions,
                           const std::vector<std::size_t>& order, std::vector<dashboard::StoreOutcome>& outcomes) {
        ArrayColumns matches(20), zones(5), blocks(4), wholes(1);
        for (std::size_t n = 0; n < order.size(); ++n) {
            const std::string place = std::to_string(n);
            std::vector<std::string> row = MatchRow(submissions[order[n]]);
            row.push_back(place);
            row.push_back(std::to_string(order[n]));
            matches.Add(row);
            const dashboard::UploadedMatch& m = submissions[order[n]].match;
            wholes.Add({m.whole ? dashboard::WholeMatchText(*m.whole) : std::string()});  // '' stands for NULL
            for (int r = 0; r < dashboard::UploadGridSize; ++r)
                for (int c = 0; c < dashboard::UploadGridSize; ++c) {
                    const std::string at[] = {std::to_string(r), std::to_string(c)};
                    for (const auto& [kind, value] :
                         {std::pair{"shot", m.shotHeatmap[r][c]}, std::pair{"goal", static_cast<double>(m.goalHeatmap[r][c])}})
                        if (value != 0.0) zones.Add({place, kind, at[0], at[1], NumberText(value)});
                    if (const int64_t shots = dashboard::BlockShots(m.shotHeatmap[r][c], r, c); shots != 0)
                        blocks.Add({place, at[0], at[1], std::to_string(shots)});
                }
            if (m.whole) {
                dashboard::PlaceDensity places;
                dashboard::AddPlaces(places, *m.whole);
                dashboard::ForEachCell(places, [&](const char* kind, int row, int column, int64_t count) {
                    zones.Add({place, kind, std::to_string(row), std::to_string(column), std::to_string(count)});
                });
            }
        }
        std::vector<std::string> parameters = matches.Parameters();
        for (const ArrayColumns* more : {&zones, &blocks, &wholes})
            for (std::string& column : more->Parameters()) parameters.push_back(std::move(column));
        for (const auto& row : work.exec_prepared(StoreBatchStatement, pqxx::prepare::make_dynamic_params(parameters)))
            outcomes[order.at(row[0].as<std::size_t>())] = dashboard::StoreOutcome::Stored;
    }

    static constexpr const char* StoreBatchStatement = "store_batch";

    // Prepared on each connection. The batch's rows come as arrays, a column each; a match sent twice
    // in one batch is stored once, by its first place. The totals' rows are updated in key order, the
    // matches' in identity order: two instances storing at once wait for each other in one order.
    static void PrepareStatements(pqxx::connection& connection) {
        const std::string sums = std::string(dashboard::FigureSumsSql) + " FROM kept GROUP BY account_id, ";
        std::string periods;
        for (const dashboard::PeriodUnit unit : {dashboard::PeriodUnit::Day, dashboard::PeriodUnit::Month}) {
            const std::string period = "SUBSTR(sent_at, 1, " + std::string(unit == dashboard::PeriodUnit::Day ? "10" : "7") + ")";
            // The period's rating: after its newest rated match (of two sent at once, the one that came last).
            periods += std::string(periods.empty() ? "" : " UNION ALL ") + "SELECT account_id, '" + dashboard::UnitName(unit) +
                       "', " + period + ", playlist, " + dashboard::FigureSumsSql +
                       ", COALESCE(MAX(sent_at) FILTER (WHERE mmr > 0), ''), COALESCE((ARRAY_AGG(mmr + mmr_change ORDER BY"
                       " sent_at DESC, arrival DESC) FILTER (WHERE mmr > 0))[1], 0) FROM kept GROUP BY account_id, " +
                       period + ", playlist";
        }
        connection.prepare(
            StoreBatchStatement,
            "WITH input AS (SELECT * FROM unnest($1::bigint[], $2::text[], $3::text[], $4::bigint[], $5::bigint[],"
            " $6::float8[], $7::bigint[], $8::float8[], $9::float8[], $10::float8[], $11::float8[], $12::float8[],"
            " $13::float8[], $14::text[], $15::boolean[], $16::float8[], $17::float8[], $18::text[], $19::integer[],"
            " $20::integer[], $30::text[]) AS i (account_id, received_at, sent_at, shots, goals, average_speed, speed_samples,"
            " boost_collected, boost_used, game_time, possession_time, team_possession_time, opponent_possession_time,"
            " playlist, is_ranked, mmr, mmr_change, fingerprint, n, arrival, whole)), inserted AS (" +
                FromRows(dashboard::InsertMatchSql,
                         "SELECT account_id, received_at, sent_at, shots, goals, average_speed, speed_samples,"
                         " boost_collected, boost_used, game_time, possession_time, team_possession_time,"
                         " opponent_possession_time, playlist, is_ranked, mmr, mmr_change, fingerprint, NULLIF(whole, '')"
                         " FROM input ORDER BY n") +
                ", account_id, fingerprint), kept AS (SELECT DISTINCT ON (inserted.id) inserted.id, input.* FROM inserted"
                " JOIN input USING (account_id, fingerprint) ORDER BY inserted.id, input.n),"
                " zones AS (INSERT INTO match_zones (match_id, kind, row_index, col_index, value)"
                " SELECT kept.id, z.kind, z.row_index, z.col_index, z.value FROM unnest($21::integer[], $22::text[],"
                " $23::integer[], $24::integer[], $25::float8[]) AS z (n, kind, row_index, col_index, value) JOIN kept USING "
                "(n)),"
                " playlists AS (" +
                FromRows(dashboard::AddPlaylistTotalsSql,
                         "SELECT account_id, playlist, " + sums + "playlist ORDER BY account_id, playlist") +
                "), blocks AS (" +
                FromRows(dashboard::AddBlockTotalSql,
                         "SELECT account_id, playlist, b.row_index, b.col_index, SUM(b.shots) FROM unnest($26::integer[],"
                         " $27::integer[], $28::integer[], $29::bigint[]) AS b (n, row_index, col_index, shots) JOIN kept"
                         " USING (n) GROUP BY 1, 2, 3, 4 ORDER BY 1, 2, 3, 4") +
                "), places AS (" +
                FromRows(dashboard::AddPlaceTotalSql,
                         std::string("SELECT account_id, playlist, z.kind, z.row_index, z.col_index, SUM(z.value)::bigint FROM"
                                     " unnest($21::integer[], $22::text[], $23::integer[], $24::integer[], $25::float8[]) AS z"
                                     " (n, kind, row_index, col_index, value) JOIN kept USING (n) WHERE z.kind IN ('") +
                             dashboard::ShotPlaceKind + "', '" + dashboard::GoalPlaceKind +
                             "') GROUP BY 1, 2, 3, 4, 5 ORDER BY 1, 2, 3, 4, 5") +
                "), periods AS (" +
                FromRows(dashboard::AddPeriodTotalsSql, "SELECT * FROM (" + periods + ") AS p ORDER BY 1, 2, 3, 4") +
                ") SELECT n, id FROM kept");
    }

    dashboard::MatchPage FindMatches(int64_t accountId, const dashboard::MatchQuery& query) override {
        const dashboard::MatchQuerySql sql = dashboard::CheckedMatchQuerySql(query);
        return Run([&](pqxx::connection& connection) {
            pqxx::read_transaction read(connection);
            dashboard::MatchPage page;
            page.total = Exec(read, accountId, sql.count)[0][0].as<int64_t>();
            page.matches = ReadMatches(read, Exec(read, accountId, sql.select), query.withZones);
            return page;
        });
    }

    dashboard::MatchAverages Averages(int64_t accountId, const dashboard::MatchQuery& query) override {
        const dashboard::MatchQuerySql sql = dashboard::CheckedMatchQuerySql(query);
        return Run([&](pqxx::connection& connection) {
            pqxx::read_transaction read(connection);
            const pqxx::row row = Exec(read, accountId, sql.averages)[0];
            dashboard::MatchAverages means{row[0].as<int64_t>()};
            pqxx::row::size_type column = 1;
            for (double* figure : means.Figures()) *figure = row[column++].as<double>(0.0);
            return means;
        });
    }

    dashboard::MatchTotals Totals(int64_t accountId, const std::string& playlist) override {
        return Run([&](pqxx::connection& connection) {
            pqxx::read_transaction read(connection);
            dashboard::MatchTotals totals;
            const pqxx::row sums = read.exec_params1(dashboard::PlaylistTotalsSql, accountId, playlist);
            totals.matches = sums[0].as<int64_t>();
            totals.shots = sums[1].as<int64_t>();
            totals.goals = sums[2].as<int64_t>();
            for (const auto& row : read.exec_params(dashboard::BlockTotalsSql, accountId, playlist))
                totals.shotsPerBlock.at(row[0].as<std::size_t>()).at(row[1].as<std::size_t>()) = row[2].as<int64_t>();
            for (const auto& row : read.exec_params(dashboard::PlaceTotalsSql, accountId, playlist))
                dashboard::AddCell(totals.places, row[0].as<std::string>(), row[1].as<int64_t>(), row[2].as<int64_t>(),
                                   row[3].as<int64_t>());
            return totals;
        });
    }

    dashboard::PlaceDensity Places(int64_t accountId, const dashboard::MatchQuery& query) override {
        const dashboard::MatchQuerySql sql = dashboard::CheckedMatchQuerySql(query);
        return Run([&](pqxx::connection& connection) {
            pqxx::read_transaction read(connection);
            dashboard::PlaceDensity places;
            for (const auto& row : Exec(read, accountId, sql.places))
                dashboard::AddCell(places, row[0].as<std::string>(), row[1].as<int64_t>(), row[2].as<int64_t>(),
                                   std::llround(row[3].as<double>()));
            return places;
        });
    }

    dashboard::UploadGrid<int64_t> ShotsPerBlock(int64_t accountId, const dashboard::MatchQuery& query) override {
        const dashboard::MatchQuerySql sql = dashboard::CheckedMatchQuerySql(query);
        return Run([&](pqxx::connection& connection) {
            pqxx::read_transaction read(connection);
            dashboard::UploadGrid<int64_t> shots{};
            for (const auto& row : Exec(read, accountId, sql.shotsPerBlock))
                shots.at(row[0].as<std::size_t>()).at(row[1].as<std::size_t>()) = std::llround(row[2].as<double>());
            return shots;
        });
    }

    std::vector<dashboard::PeriodTotals> Periods(int64_t accountId, const dashboard::PeriodRange& range,
                                                 const std::string& playlist) override {
        const dashboard::AccountSql sql = dashboard::PeriodTotalsQuery(range, playlist);
        return Run([&](pqxx::connection& connection) {
            pqxx::read_transaction read(connection);
            std::vector<dashboard::PeriodTotals> periods;
            for (const auto& row : Exec(read, accountId, sql)) {
                dashboard::PeriodTotals& period = periods.emplace_back();
                period.period = row[0].as<std::string>();
                period.playlist = row[1].as<std::string>();
                period.matches = row[2].as<int64_t>();
                period.shots = row[3].as<int64_t>();
                period.goals = row[4].as<int64_t>();
                for (std::size_t i = 0; i < period.figures.size(); ++i)
                    period.figures[i] = Real(row[static_cast<pqxx::row::size_type>(5 + i)]);
                period.ratedAt = row[14].as<std::string>();
                period.rating = Real(row[15]);
            }
            return periods;
        });
    }

    std::vector<std::string> Playlists(int64_t accountId) override {
        return Run([&](pqxx::connection& connection) {
            pqxx::read_transaction read(connection);
            std::vector<std::string> names;
            for (const auto& row : read.exec_params(dashboard::PlaylistsSql, accountId))
                names.push_back(row[0].as<std::string>());
            return names;
        });
    }

    std::vector<std::string> PublicAccounts() override {
        return Run([&](pqxx::connection& connection) {
            pqxx::read_transaction read(connection);
            std::vector<std::string> names;
            for (const auto& row : read.exec(dashboard::PublicAccountsSql)) names.push_back(row[0].as<std::string>());
            return names;
        });
    }

    std::string MostPlayedPlaylist(int64_t accountId) override {
        return Run([&](pqxx::connection& connection) {
            pqxx::read_transaction read(connection);
            const pqxx::result rows = read.exec_params(dashboard::MostPlayedSql, accountId);
            return rows.empty() ? std::string() : rows[0][0].as<std::string>();
        });
    }

    std::optional<dashboard::Account> FindAccount(const std::string& name) override {
        return ReadAccount(dashboard::AccountByNameSql, name);
    }
    std::optional<dashboard::Account> AccountById(int64_t accountId) override {
        return ReadAccount(dashboard::AccountByIdSql, accountId);
    }

    bool SetPublic(const std::string& name, bool isPublic) override {
        return Run([&](pqxx::connection& connection) {
            pqxx::work work(connection);
            const pqxx::result done = work.exec_params(dashboard::SetPublicSql, isPublic, name);
            work.commit();
            return done.affected_rows() > 0;
        });
    }

    std::optional<dashboard::StoredMatch> FindMatch(int64_t accountId, int64_t matchId) override {
        return Run([&](pqxx::connection& connection) -> std::optional<dashboard::StoredMatch> {
            pqxx::read_transaction read(connection);
            std::vector<dashboard::StoredMatch> found =
                ReadMatches(read, read.exec_params(dashboard::SelectMatchSql, accountId, matchId), true);
            if (found.empty()) return std::nullopt;
            return std::move(found.front());
        });
    }

    void AddSignIn(int64_t accountId, int64_t keyId, const std::string& tokenHash, const std::string& expiresAt) override {
        Run([&](pqxx::connection& connection) {
            pqxx::work work(connection);
            const std::string now = zando::UtcTimestamp();
            work.exec_params(dashboard::DeleteExpiredSignInsSql, now);
            work.exec_params(dashboard::AddSignInSql, tokenHash, accountId, now, expiresAt, keyId);
            work.commit();
        });
    }

    std::optional<int64_t> SignedIn(const std::string& tokenHash, const std::string& now) override {
        return Run([&](pqxx::connection& connection) -> std::optional<int64_t> {
            pqxx::read_transaction read(connection);
            const pqxx::result found = read.exec_params(dashboard::SignedInSql, tokenHash, now);
            if (found.empty()) return std::nullopt;
            return found[0][0].as<int64_t>();
        });
    }

    void EndSignIn(const std::string& tokenHash) override {
        Run([&](pqxx::connection& connection) {
            pqxx::work work(connection);
            work.exec_params(dashboard::EndSignInSql, tokenHash);
            work.commit();
        });
    }

    void Ping() override {
        Run([](pqxx::connection& connection) {
            pqxx::nontransaction ping(connection);
            ping.exec("SELECT 1");
        });
    }

private:
    // The account's id as $1, then the query's texts.
    // A floating-point field read without pqxx's stream-based conversion (the most of a long read's time).
    static double Real(const pqxx::field& field) {
        double value = 0.0;
        const char* text = field.c_str();
        const auto [end, error] = std::from_chars(text, text + field.size(), value);
        if (error != std::errc() || end != text + field.size())
            throw dashboard::StorageUnavailable("PostgreSQL answered a number that is not one: " + std::string(text));
        return value;
    }

    static pqxx::result Exec(pqxx::transaction_base& work, int64_t accountId, const dashboard::AccountSql& sql) {
        std::vector<std::string> parameters = {std::to_string(accountId)};
        parameters.insert(parameters.end(), sql.texts.begin(), sql.texts.end());
        return work.exec_params(sql.text, pqxx::prepare::make_dynamic_params(parameters));
    }

    template <class Key>
    std::optional<dashboard::Account> ReadAccount(const char* sql, const Key& key) {
        return Run([&](pqxx::connection& connection) -> std::optional<dashboard::Account> {
            pqxx::read_transaction read(connection);
            const pqxx::result rows = read.exec_params(sql, key);
            if (rows.empty()) return std::nullopt;
            return dashboard::Account{rows[0][0].as<int64_t>(), rows[0][1].as<std::string>(), rows[0][2].as<bool>()};
        });
    }

    // The matches of rows (their columns: dashboard::MatchColumns), each with its zones, read in one query.
    static std::vector<dashboard::StoredMatch> ReadMatches(pqxx::transaction_base& read, const pqxx::result& rows,
                                                           bool withZones) {
        std::vector<dashboard::StoredMatch> matches;
        std::map<int64_t, std::size_t> index;
        std::vector<std::string> ids;
        for (const auto& row : rows) {
            dashboard::StoredMatch stored{row[0].as<int64_t>(), row[1].as<int64_t>(), row[2].as<std::string>(), {}};
            dashboard::UploadedMatch& m = stored.match;
            m.timestamp = row[3].as<std::string>();
            m.shots = row[4].as<int64_t>();
            m.goals = row[5].as<int64_t>();
            m.averageSpeed = Real(row[6]);
            m.speedSamples = row[7].as<int64_t>();
            m.boostCollected = Real(row[8]);
            m.boostUsed = Real(row[9]);
            m.gameTime = Real(row[10]);
            m.possessionTime = Real(row[11]);
            m.teamPossessionTime = Real(row[12]);
            m.opponentPossessionTime = Real(row[13]);
            m.playlist = row[14].as<std::string>();
            m.isRanked = row[15].as<bool>();
            m.mmr = Real(row[16]);
            m.mmrChange = Real(row[17]);
            m.fingerprint = row[18].as<std::string>();
            if (!row[19].is_null()) m.whole = dashboard::WholeMatchFromText(row[19].as<std::string>());
            index[stored.id] = matches.size();
            ids.push_back(std::to_string(stored.id));
            matches.push_back(std::move(stored));
        }
        if (matches.empty() || !withZones) return matches;
        for (const auto& row : read.exec_params("SELECT match_id, kind, row_index, col_index, value FROM match_zones"
                                                " WHERE match_id = ANY($1::bigint[])",
                                                ArrayText(ids))) {
            dashboard::UploadedMatch& m = matches[index.at(row[0].as<int64_t>())].match;
            const auto r = row[2].as<std::size_t>(), c = row[3].as<std::size_t>();
            const std::string kind = row[1].as<std::string>();
            if (kind == "shot")
                m.shotHeatmap.at(r).at(c) = row[4].as<double>();
            else if (kind == "goal")
                m.goalHeatmap.at(r).at(c) = static_cast<int64_t>(row[4].as<double>());
        }
        return matches;
    }

    // A database that does not answer costs a request seconds, not forever: connecting gives up after
    // ConnectSeconds, and a statement (or a wait for a lock) is cancelled by the server after
    // StatementMilliseconds; the request is then answered 503 with Retry-After.
    static constexpr int ConnectSeconds = 5;
    static constexpr int StatementMilliseconds = 5000;

    std::unique_ptr<pqxx::connection> Open() {
        try {
            std::string address = url_;
            if (address.find("connect_timeout") == std::string::npos)
                address += std::string(address.find('?') == std::string::npos ? "?" : "&") +
                           "connect_timeout=" + std::to_string(ConnectSeconds);
            auto connection = std::make_unique<pqxx::connection>(address);
            pqxx::nontransaction setup(*connection);
            setup.exec("SET statement_timeout = " + std::to_string(StatementMilliseconds));
            setup.commit();
            PrepareStatements(*connection);
            return connection;
        } catch (const pqxx::failure& failure) {
            throw StorageUnavailable(std::string("PostgreSQL: ") + failure.what());
        }
    }

    // Runs work on a pooled connection; a database failure becomes StorageUnavailable, and a connection
    // that broke is dropped so that the next request connects again.
    // A pooled connection found broken (the database restarted since it was made) is replaced, with
    // every idle one made before it, and the work tried once more on a new one: a restart costs no
    // request its answer. (Work that broke
    // midway is tried again whole: storing a match is kept once however often it is tried.)
    template <class Work>
    std::invoke_result_t<Work, pqxx::connection&> Run(Work&& work) {
        for (int attempt = 1;; ++attempt) {
            auto lease = pool_.Borrow();
            try {
                return work(*lease);
            } catch (const pqxx::failure& failure) {
                const bool broken = dynamic_cast<const pqxx::broken_connection*>(&failure) || !lease->is_open();
                if (broken) {
                    lease.Drop();
                    pool_.DropIdle();
                }
                if (!broken || attempt == 2) throw StorageUnavailable(std::string("PostgreSQL: ") + failure.what());
            }
        }
    }

    std::string url_;
    dashboard::ConnectionPool<pqxx::connection> pool_;
};

}  // namespace

namespace dashboard {

std::unique_ptr<Storage> OpenPostgresStorage(const std::string& url) { return std::make_unique<PostgresStorage>(url); }

}  // namespace dashboard
