// What the overview and the zones page show of an account's matches: the last session per playlist,
// each match's figures for the trend charts, and the shot grids turned back into shots.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/upload_contract.h"
#include "dashboard/storage.h"

namespace dashboard {

inline constexpr int64_t SessionBreakSeconds = 3600;                           // an hour without a match ends a session
inline constexpr double ShotHeat = zando::upload::ShotHeat;                    // a shot's heat in its zone
inline constexpr double KilometresPerHourPerUnit = zando::upload::KmhPerUnit;  // 1 game unit a second is 1 cm/s

struct PlaylistSession {
    std::string playlist;
    int matches = 0;
    int wins = 0;            // won by the score; of matches sent without it, ranked ones whose rating went up
    int losses = 0;          // ranked matches whose rating went down
    double mmrGained = 0.0;  // over the matches with a rating read
};

struct SessionSummary {
    bool ongoing = false;                    // its last match is less than an hour old
    std::string started, ended;              // the first and last match's upload times
    std::vector<PlaylistSession> playlists;  // in the order first played
    int64_t accountMatches = 0;              // every match of the account, in the session or not
};

// Whether the player won (true) or lost (false): by the score of a match sent whole, else by the MMR
// change of a ranked one; nullopt when neither tells (a draw, a forfeit, a casual match sent without it).
std::optional<bool> Won(const UploadedMatch& m);
// The result and score from the player's side: "Won 3-1", "Lost 1-3", "Left 0-2" (left before the end),
// "Left"; "–" for a match sent without them.
std::string ResultText(const UploadedMatch& m);

// The session of the newest matches: back from the newest while no hour passes between two.
// matches: oldest first.
SessionSummary LastSession(const std::vector<StoredMatch>& matches, int64_t nowSeconds);

// value per minute of gameSeconds of play; 0 without play.
double PerMinute(double value, double gameSeconds);
// part as a percentage of whole; 0 when whole is 0.
double PercentOf(double part, double whole);

// One match's point on each trend chart.
struct TrendPoint {
    int64_t id = 0;
    std::string timestamp;
    std::optional<double> mmr;  // the rating after the match, when one was read
    double speedKmh = 0.0;
    double boostCollectedPerMinute = 0.0;
    double boostUsedPerMinute = 0.0;
    int64_t shots = 0;
    int64_t goals = 0;
    std::optional<double> shootingPercent;  // goals per shot; none without a shot
    double possessionPercent = 0.0;         // of the match's time
};
TrendPoint TrendOf(const StoredMatch& match);

// Where the matches' shots came from: each block's shots (its mean heat times its zones over the heat
// of a shot), and the goals, which the upload keeps only as whole means per block: counted per match.
struct ZoneShots {
    int64_t matches = 0;
    UploadGrid<int64_t> shots{};
    UploadGrid<int64_t> zonesPerBlock{};
    int64_t shotTotal = 0;  // the matches' own count of shots
    int64_t goalTotal = 0;
    PlaceDensity places;  // those of the matches sent whole, on the field's true grid
};
ZoneShots ShotsByBlock(const std::vector<StoredMatch>& matches);
// The same for the matches a query finds, summed by the database.
ZoneShots ShotsByBlock(Storage& storage, int64_t accountId, const MatchQuery& query);
// The whole shots a match's block holds: its mean heat times its zones over a shot's heat, rounded.
int64_t BlockShots(double heat, int row, int column);
// How many of the 62 x 50 zones the upload's block (row, column) covers, as the plug-in splits them.
int64_t ZonesInBlock(int row, int column);

}  // namespace dashboard
