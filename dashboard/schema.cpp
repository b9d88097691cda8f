// The schema's steps in both dialects.
#include "dashboard/schema.h"

#include <regex>

#include "dashboard/match_query.h"
#include "dashboard/running_totals.h"

namespace {

// Version 1: accounts, their keys (kept as a keyed hash: a copy of the database does not give a key
// away), matches identified within their account by their content, and each match's zones.
const std::vector<std::string> Version1 = {
    "CREATE TABLE accounts (id {id}, name TEXT NOT NULL UNIQUE, created_at TEXT NOT NULL)",
    "CREATE TABLE api_keys (id {id}, account_id BIGINT NOT NULL REFERENCES accounts (id),"
    " key_hash TEXT NOT NULL UNIQUE, prefix TEXT NOT NULL, created_at TEXT NOT NULL, revoked_at TEXT)",
    "CREATE TABLE matches (id {id}, account_id BIGINT NOT NULL REFERENCES accounts (id),"
    " received_at TEXT NOT NULL, sent_at TEXT NOT NULL, shots BIGINT NOT NULL, goals BIGINT NOT NULL,"
    " average_speed {real} NOT NULL, speed_samples BIGINT NOT NULL, boost_collected {real} NOT NULL,"
    " boost_used {real} NOT NULL, game_time {real} NOT NULL, possession_time {real} NOT NULL,"
    " team_possession_time {real} NOT NULL, opponent_possession_time {real} NOT NULL, playlist TEXT NOT NULL,"
    " is_ranked BOOLEAN NOT NULL, mmr {real} NOT NULL, mmr_change {real} NOT NULL, fingerprint TEXT NOT NULL,"
    " UNIQUE (account_id, fingerprint))",
    "CREATE TABLE match_zones (match_id BIGINT NOT NULL REFERENCES matches (id), kind TEXT NOT NULL,"
    " row_index INTEGER NOT NULL, col_index INTEGER NOT NULL, value {real} NOT NULL,"
    " PRIMARY KEY (match_id, kind, row_index, col_index))",
};

// Version 2: the pages' sign-in sessions, whether an account shows its matches to everyone, and the
// indexes a page's list, filters and order read from.
const std::vector<std::string> Version2 = {
    "ALTER TABLE accounts ADD COLUMN is_public BOOLEAN NOT NULL DEFAULT FALSE",
    "CREATE TABLE sign_ins (token_hash TEXT PRIMARY KEY, account_id BIGINT NOT NULL REFERENCES accounts (id),"
    " created_at TEXT NOT NULL, expires_at TEXT NOT NULL)",
    "CREATE INDEX matches_by_time ON matches (account_id, sent_at, id)",
    "CREATE INDEX matches_by_playlist ON matches (account_id, playlist, sent_at, id)",
};

// Version 3: each sign-in names the key it was made with, so that revoking the key ends it, and
// expired sign-ins are found by their end to be deleted; an index for each order the list of matches
// can be sorted in, so that a page of it reads its rows, not the whole account's.
const std::vector<std::string> Version3 = {
    "ALTER TABLE sign_ins ADD COLUMN key_id BIGINT REFERENCES api_keys (id)",
    "CREATE INDEX sign_ins_by_key ON sign_ins (key_id)",
    "CREATE INDEX sign_ins_by_end ON sign_ins (expires_at)",
    "CREATE INDEX matches_by_shots ON matches (account_id, shots, id)",
    "CREATE INDEX matches_by_goals ON matches (account_id, goals, id)",
    "CREATE INDEX matches_by_speed ON matches (account_id, average_speed, id)",
    "CREATE INDEX matches_by_mmr_change ON matches (account_id, mmr_change, id)",
    "CREATE INDEX matches_by_game_time ON matches (account_id, game_time, id)",
};

// Version 4: running totals of each account's matches per playlist (count, shots, goals, and shots
// per block of the upload's grid), kept by each upload's transaction and summed here from the
// matches already kept.
std::vector<std::string> Version4() {
    return {
        "CREATE TABLE playlist_totals (account_id BIGINT NOT NULL REFERENCES accounts (id), playlist TEXT NOT NULL,"
        " matches BIGINT NOT NULL, shots BIGINT NOT NULL, goals BIGINT NOT NULL, average_speed {real} NOT NULL,"
        " speed_samples {real} NOT NULL, boost_collected {real} NOT NULL, boost_used {real} NOT NULL,"
        " game_time {real} NOT NULL, possession_time {real} NOT NULL, team_possession_time {real} NOT NULL,"
        " opponent_possession_time {real} NOT NULL, mmr_change {real} NOT NULL, PRIMARY KEY (account_id, playlist))",
        "CREATE TABLE block_totals (account_id BIGINT NOT NULL REFERENCES accounts (id), playlist TEXT NOT NULL,"
        " row_index INTEGER NOT NULL, col_index INTEGER NOT NULL, shots BIGINT NOT NULL,"
        " PRIMARY KEY (account_id, playlist, row_index, col_index))",
        std::string("INSERT INTO playlist_totals SELECT account_id, playlist, ") + dashboard::FigureSumsSql +
            " FROM matches GROUP BY account_id, playlist",
        "INSERT INTO block_totals (account_id, playlist, row_index, col_index, shots)"
        " SELECT m.account_id, m.playlist, z.row_index, z.col_index, SUM(" +
            dashboard::BlockShotsSql("z") +
            ") FROM match_zones z JOIN matches m ON m.id = z.match_id WHERE z.kind = 'shot'"
            " GROUP BY m.account_id, m.playlist, z.row_index, z.col_index",
    };
}

// Version 5: running totals of each account's matches per day and per month of their timestamps and
// playlist, with the rating after each period's newest rated match: what the trends of many matches
// and the counts of a range of days are read from.
const std::vector<std::string> Version5 = [] {
    std::vector<std::string> steps = {
        "CREATE TABLE period_totals (account_id BIGINT NOT NULL REFERENCES accounts (id), unit TEXT NOT NULL,"
        " period TEXT NOT NULL, playlist TEXT NOT NULL, matches BIGINT NOT NULL, shots BIGINT NOT NULL,"
        " goals BIGINT NOT NULL, average_speed {real} NOT NULL, speed_samples {real} NOT NULL,"
        " boost_collected {real} NOT NULL, boost_used {real} NOT NULL, game_time {real} NOT NULL,"
        " possession_time {real} NOT NULL, team_possession_time {real} NOT NULL,"
        " opponent_possession_time {real} NOT NULL, mmr_change {real} NOT NULL, rated_at TEXT NOT NULL,"
        " rating {real} NOT NULL, PRIMARY KEY (account_id, unit, period, playlist))",
    };
    for (const auto& [unit, length] : {std::pair{"day", "10"}, std::pair{"month", "7"}})
        steps.push_back(std::string("INSERT INTO period_totals SELECT account_id, '") + unit + "', SUBSTR(sent_at, 1, " + length +
                        "), playlist, " + dashboard::FigureSumsSql +
                        ", COALESCE(MAX(CASE WHEN mmr > 0 THEN sent_at END), ''), 0 FROM matches"
                        " GROUP BY account_id, SUBSTR(sent_at, 1, " +
                        length + "), playlist");
    steps.push_back(
        "UPDATE period_totals SET rating = (SELECT m.mmr + m.mmr_change FROM matches m WHERE m.account_id ="
        " period_totals.account_id AND m.playlist = period_totals.playlist AND m.sent_at = period_totals.rated_at"
        " AND m.mmr > 0 ORDER BY m.id DESC LIMIT 1) WHERE rated_at <> ''");
    return steps;
}();

// Version 6: what a match sent whole adds to the defined figures (its id, start, team, score, result,
// the ticker's counts and where each shot and goal happened), as JSON; NULL for a defined-format match.
// Its shots and goals on the field's true grid are kept beside its zones (match_zones, kinds
// "shot-place" and "goal-place"), and running totals of them per playlist (no match before this
// version was sent whole: they start empty).
const std::vector<std::string> Version6 = {
    "ALTER TABLE matches ADD COLUMN whole TEXT",
    "CREATE TABLE place_totals (account_id BIGINT NOT NULL REFERENCES accounts (id), playlist TEXT NOT NULL,"
    " kind TEXT NOT NULL, row_index INTEGER NOT NULL, col_index INTEGER NOT NULL, count BIGINT NOT NULL,"
    " PRIMARY KEY (account_id, playlist, kind, row_index, col_index))",
};

std::string ForDialect(const std::string& statement, dashboard::Dialect dialect) {
    const bool sqlite = dialect == dashboard::Dialect::Sqlite;
    std::string text = std::regex_replace(statement, std::regex(R"(\{id\})"),
                                          sqlite ? "INTEGER PRIMARY KEY" : "BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY");
    return std::regex_replace(text, std::regex(R"(\{real\})"), sqlite ? "REAL" : "DOUBLE PRECISION");
}

}  // namespace

namespace dashboard {

std::vector<Migration> Migrations(Dialect dialect) {
    std::vector<Migration> steps;
    const std::vector<std::string> version4 = Version4();
    for (const auto& [version, statements] : {std::pair{1, &Version1}, std::pair{2, &Version2}, std::pair{3, &Version3},
                                              std::pair{4, &version4}, std::pair{5, &Version5}, std::pair{6, &Version6}}) {
        Migration step{version, {}};
        for (const std::string& statement : *statements) step.statements.push_back(ForDialect(statement, dialect));
        steps.push_back(std::move(step));
    }
    return steps;
}

int LatestSchemaVersion() { return 6; }

}  // namespace dashboard
