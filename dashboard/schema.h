// The database's schema as numbered steps, the same tables in SQLite and PostgreSQL. A step is never
// changed once released: a change is a new step.
#pragma once

#include <string>
#include <vector>

namespace dashboard {

enum class Dialect { Sqlite, Postgres };

struct Migration {
    int version;
    std::vector<std::string> statements;  // run in one transaction with the version's record
};

// Every step for the dialect, in order.
std::vector<Migration> Migrations(Dialect dialect);
// The version this build brings a database up to.
int LatestSchemaVersion();

// The match's columns in the order the insert binds them ($1 to $19).
inline constexpr const char* InsertMatchSql =
    "INSERT INTO matches (account_id, received_at, sent_at, shots, goals, average_speed, speed_samples,"
    " boost_collected, boost_used, game_time, possession_time, team_possession_time, opponent_possession_time,"
    " playlist, is_ranked, mmr, mmr_change, fingerprint, whole)"
    " VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15, $16, $17, $18, $19)"
    " ON CONFLICT (account_id, fingerprint) DO NOTHING RETURNING id";
inline constexpr const char* SelectMatchSql =
    "SELECT id, account_id, received_at, sent_at, shots, goals, average_speed, speed_samples, boost_collected,"
    " boost_used, game_time, possession_time, team_possession_time, opponent_possession_time, playlist, is_ranked,"
    " mmr, mmr_change, fingerprint, whole FROM matches WHERE account_id = $1 AND id = $2";
inline constexpr const char* AddSignInSql =
    "INSERT INTO sign_ins (token_hash, account_id, created_at, expires_at, key_id) VALUES ($1, $2, $3, $4, $5)";
inline constexpr const char* DeleteExpiredSignInsSql = "DELETE FROM sign_ins WHERE expires_at <= $1";
// A sign-in counts while it has not expired and the key it was made with is not revoked (one made
// before sign-ins named their key ends when any key of its account is revoked).
inline constexpr const char* SignedInSql =
    "SELECT s.account_id FROM sign_ins s LEFT JOIN api_keys k ON k.id = s.key_id"
    " WHERE s.token_hash = $1 AND s.expires_at > $2 AND k.revoked_at IS NULL";
inline constexpr const char* RevokeKeySql = "UPDATE api_keys SET revoked_at = $1 WHERE id = $2 AND revoked_at IS NULL";
inline constexpr const char* EndKeySignInsSql =
    "DELETE FROM sign_ins WHERE key_id = $1 OR (key_id IS NULL AND account_id = (SELECT account_id FROM api_keys WHERE id = $1))";
inline constexpr const char* EndSignInSql = "DELETE FROM sign_ins WHERE token_hash = $1";
inline constexpr const char* FindKeySql = "SELECT id, account_id, revoked_at IS NOT NULL FROM api_keys WHERE key_hash = $1";
inline constexpr const char* RecordMigrationSql = "INSERT INTO schema_migrations (version, applied_at) VALUES ($1, $2)";
inline constexpr const char* SchemaVersionSql = "SELECT COALESCE(MAX(version), 0) FROM schema_migrations";
inline constexpr const char* AddAccountSql =
    "INSERT INTO accounts (name, created_at) VALUES ($1, $2) ON CONFLICT (name) DO NOTHING";
inline constexpr const char* AccountIdSql = "SELECT id FROM accounts WHERE name = $1";
inline constexpr const char* AddKeySql =
    "INSERT INTO api_keys (account_id, key_hash, prefix, created_at) VALUES ($1, $2, $3, $4) RETURNING id";
inline constexpr const char* SetPublicSql = "UPDATE accounts SET is_public = $1 WHERE name = $2";
inline constexpr const char* AccountByNameSql = "SELECT id, name, is_public FROM accounts WHERE name = $1";
inline constexpr const char* AccountByIdSql = "SELECT id, name, is_public FROM accounts WHERE id = $1";
inline constexpr const char* PlaylistsSql = "SELECT playlist FROM playlist_totals WHERE account_id = $1 ORDER BY playlist";
inline constexpr const char* PublicAccountsSql = "SELECT name FROM accounts WHERE is_public ORDER BY name LIMIT 500";
inline constexpr const char* MostPlayedSql =
    "SELECT playlist FROM playlist_totals WHERE account_id = $1 ORDER BY matches DESC, playlist LIMIT 1";
inline constexpr const char* ListKeysSql =
    "SELECT k.id, a.name, k.prefix, k.created_at, COALESCE(k.revoked_at, '') FROM api_keys k"
    " JOIN accounts a ON a.id = k.account_id ORDER BY k.id";

}  // namespace dashboard
