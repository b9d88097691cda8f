// Where the service keeps accounts, their keys and their matches: one interface, two databases
// (SQLite in one file, PostgreSQL for a shared installation), one schema.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "dashboard/match_query.h"
#include "dashboard/periods.h"
#include "dashboard/place_grid.h"
#include "dashboard/upload_format.h"

namespace dashboard {

// The database cannot be reached or answered with an error of its own: the request may be tried again.
class StorageUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The database was made by a newer build: it is left as it is.
class SchemaTooNew : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A key as the service checks it: its account and whether it was revoked.
struct KeyRecord {
    int64_t keyId = 0;
    int64_t accountId = 0;
    bool revoked = false;
};

// A key as `keys list` shows it: never the key, only its first characters.
struct KeyListing {
    int64_t keyId = 0;
    std::string account;
    std::string prefix;
    std::string createdAt;
    std::string revokedAt;  // empty while the key is valid
};

// One upload to store for an account.
struct Submission {
    int64_t accountId = 0;
    UploadedMatch match;
    std::string receivedAt;  // ISO 8601 UTC
};

// Refused: the database would not take that match's row (a constraint, a size limit); the rest of its
// batch is stored all the same, and the reason goes to standard error.
enum class StoreOutcome { Stored, AlreadyStored, Refused };

// Matches counted and their figures summed, as every kind of running totals keeps them.
struct FigureSums {
    int64_t matches = 0, shots = 0, goals = 0;
    // The sums of the other figures: speed, samples, boost collected and used, game time, the three
    // possession times, MMR change.
    std::array<double, 9> figures{};

    // One match as sums.
    static FigureSums Of(const UploadedMatch& m) {
        return {1,
                m.shots,
                m.goals,
                {m.averageSpeed, static_cast<double>(m.speedSamples), m.boostCollected, m.boostUsed, m.gameTime, m.possessionTime,
                 m.teamPossessionTime, m.opponentPossessionTime, m.mmrChange}};
    }
    FigureSums& operator+=(const FigureSums& more) {
        matches += more.matches;
        shots += more.shots;
        goals += more.goals;
        for (std::size_t i = 0; i < figures.size(); ++i) figures[i] += more.figures[i];
        return *this;
    }
};

// An account's matches (of one playlist, or all) summed: kept by each upload's transaction, so that
// the zones of every match are read from a row a block rather than from every match.
struct MatchTotals : FigureSums {
    UploadGrid<int64_t> shotsPerBlock{};  // each match's block turned back into whole shots, summed
    PlaceDensity places;                  // the shots and goals of the matches sent whole, on the true grid
};

// A day's or a month's running totals of one playlist, and the rating after its newest rated match.
struct PeriodTotals : FigureSums {
    std::string period;
    std::string playlist;
    std::string ratedAt;  // when the newest rated match was sent; empty: none was rated
    double rating = 0.0;
};

struct Account {
    int64_t id = 0;
    std::string name;
    bool isPublic = false;  // its matches shown to every signed-in account (off unless its owner says so)
};

// The means of the figures of the matches a query finds (its page and limit kept).
struct MatchAverages {
    int64_t matches = 0;
    double shots = 0, goals = 0, averageSpeed = 0, speedSamples = 0, boostCollected = 0, boostUsed = 0, gameTime = 0,
           possessionTime = 0, teamPossessionTime = 0, opponentPossessionTime = 0, mmrChange = 0;
    // The means in the order the averages' statement selects them, after the count.
    std::array<double*, 11> Figures() {
        return {&shots,    &goals,          &averageSpeed,       &speedSamples,           &boostCollected, &boostUsed,
                &gameTime, &possessionTime, &teamPossessionTime, &opponentPossessionTime, &mmrChange};
    }
};

// A match as kept, with its zones put back into the upload's grids.
struct StoredMatch {
    int64_t id = 0;
    int64_t accountId = 0;
    std::string receivedAt;
    UploadedMatch match;
};

// One page of an account's matches and how many the query finds in all.
struct MatchPage {
    int64_t total = 0;
    std::vector<StoredMatch> matches;
};

class Storage {
public:
    virtual ~Storage() = default;

    // Brings the schema up to this build's version; throws SchemaTooNew, touching nothing, for a newer one.
    virtual void Migrate() = 0;
    virtual int SchemaVersion() = 0;

    // The key whose hash is keyHash (see ServerSecret::KeyHash), if any.
    virtual std::optional<KeyRecord> FindKey(const std::string& keyHash) = 0;
    // Adds a key to the account named account, made if it does not exist yet.
    virtual KeyRecord CreateKey(const std::string& account, const std::string& keyHash, const std::string& prefix) = 0;
    virtual std::vector<KeyListing> ListKeys() = 0;
    // Whether a valid key of that id was there to revoke. The sign-ins made with it end with it.
    virtual bool RevokeKey(int64_t keyId) = 0;

    // Stores every submission in one transaction (a match already kept for its account is not stored
    // again); once this returns, all of them are committed. Throws StorageUnavailable, storing none.
    virtual std::vector<StoreOutcome> StoreMatches(const std::vector<Submission>& submissions) = 0;
    // The account's matches, oldest first.
    std::vector<StoredMatch> Matches(int64_t accountId) {
        MatchQuery all;
        all.descending = false;
        all.limit = -1;
        return FindMatches(accountId, all).matches;
    }
    // The page of the account's matches the query asks for (throws std::invalid_argument for a query
    // that cannot be answered), and one of its matches by id.
    virtual MatchPage FindMatches(int64_t accountId, const MatchQuery& query) = 0;
    virtual std::optional<StoredMatch> FindMatch(int64_t accountId, int64_t matchId) = 0;

    // The means of the figures of the matches the query's filters find.
    virtual MatchAverages Averages(int64_t accountId, const MatchQuery& query) = 0;
    // The shots of the matches the query finds (its order and limit kept) per block of the upload's grid:
    // each match's block mean heat turned back into whole shots, summed.
    virtual UploadGrid<int64_t> ShotsPerBlock(int64_t accountId, const MatchQuery& query) = 0;
    // The shots and goals of the same matches sent whole, on the field's true grid, summed.
    virtual PlaceDensity Places(int64_t accountId, const MatchQuery& query) = 0;
    // The running totals of the account's matches of playlist (empty: every playlist).
    virtual MatchTotals Totals(int64_t accountId, const std::string& playlist) = 0;
    // The running totals of the account's days or months in range, of playlist (empty: every playlist),
    // in order.
    virtual std::vector<PeriodTotals> Periods(int64_t accountId, const PeriodRange& range, const std::string& playlist) = 0;
    // The names of the playlists the account has matches in, in order.
    virtual std::vector<std::string> Playlists(int64_t accountId) = 0;
    // The playlist of the account's most matches (of two as many, the first by name); empty: none.
    virtual std::string MostPlayedPlaylist(int64_t accountId) = 0;

    virtual std::optional<Account> FindAccount(const std::string& name) = 0;
    // The names of the accounts whose owners made them public, in order (the first 500).
    virtual std::vector<std::string> PublicAccounts() = 0;
    virtual std::optional<Account> AccountById(int64_t accountId) = 0;
    // Whether an account of that name was there to change.
    virtual bool SetPublic(const std::string& name, bool isPublic) = 0;

    // Sign-in sessions of the pages, kept by the hash of their token until they expire (those expired
    // by now are deleted as one is added), or until the key they were made with is revoked.
    virtual void AddSignIn(int64_t accountId, int64_t keyId, const std::string& tokenHash, const std::string& expiresAt) = 0;
    // The account signed in with that token, unless the session ended or expired by now.
    virtual std::optional<int64_t> SignedIn(const std::string& tokenHash, const std::string& now) = 0;
    virtual void EndSignIn(const std::string& tokenHash) = 0;

    // Throws StorageUnavailable when the database cannot answer.
    virtual void Ping() = 0;
};

// "postgresql://..." (or "postgres://...") opens PostgreSQL; anything else is the path of an SQLite file,
// optionally written "sqlite:PATH". Throws StorageUnavailable when the database cannot be opened.
std::unique_ptr<Storage> OpenStorage(const std::string& database);

}  // namespace dashboard
