// What the history window and the post-game card show of the match history: this session per
// playlist, the matches of one playlist, trend lines, averages, and the zones of a range of matches.
// Worked out from rows already read, so a window works them out once per change, not once per frame.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "base/grid.h"
#include "base/utc_timestamp.h"
#include "history/match_history.h"

namespace zando {

// One playlist's matches of this session.
struct PlaylistSession {
    int32_t playlistId = 0;
    std::string playlistName;
    int matches = 0;
    int wins = 0;
    int losses = 0;          // forfeits count as losses
    float mmrGained = 0.0f;  // the sum of the MMR changes (matches without an MMR read add nothing)
};

// A session is the latest run of matches with no break of an hour or more: between two matches, and
// between the last one and now. Reloading the plug-in or restarting the game does not end it.
inline constexpr int64_t SessionBreakSeconds = 3600;
// This session's matches per playlist, in the order first played; rows oldest first.
std::vector<PlaylistSession> SessionByPlaylist(std::span<const HistoryRow> rows, int64_t nowSeconds);

// Rows of one playlist (all of them for anyPlaylist), oldest first.
inline constexpr int32_t AnyPlaylist = -1;
std::vector<const HistoryRow*> OfPlaylist(std::span<const HistoryRow> rows, int32_t playlistId);

// Trend lines over the last `count` of these rows (all for count < 0), oldest first.
struct Trends {
    std::vector<float> mmr;  // MMR after each match; matches without an MMR read are left out
    std::vector<float> averageSpeed;
    std::vector<float> boostPerMinute;
    std::vector<float> shots;
    std::vector<float> goals;
};
Trends TrendsOf(std::span<const HistoryRow* const> rows, int count);

// The average of each figure over the rows, for the post-game card; count 0 when there are none.
struct FigureAverages {
    int count = 0;
    float averageSpeed = 0.0f;
    float boostCollected = 0.0f;
    float boostUsed = 0.0f;
    float shots = 0.0f;
    float goals = 0.0f;
    float possessionPercent = 0.0f;  // possession time over match time, percent
};
FigureAverages AveragesOf(std::span<const HistoryRow> rows);

// The shots and goals of rows [first, last] (indices into rows, clamped) added up zone by zone on
// the 62 x 50 grid. Zones outside the grid (a row written by hand) are skipped.
struct ZoneTotals {
    Grid<int32_t> shots;
    Grid<int32_t> goals;
    int32_t peakShots = 0;
    int32_t shotTotal = 0;  // stopping at the largest int
    int32_t goalTotal = 0;
    int matches = 0;
};
ZoneTotals ZoneTotalsOf(std::span<const HistoryRow* const> rows, int first, int last);

// The history window's view (the render thread's, under the plug-in's lock): the rows read and what is
// shown of them, with the choices they were worked out for.
struct HistoryView {
    uint64_t rowsRevision = ~uint64_t{0};
    std::vector<HistoryRow> rows;                            // oldest first; read a part at a time, newest first
    bool allRead = false;                                    // rows holds every match up to the newest read
    bool reading = false;                                    // a reading is on the worker
    int64_t total = 0;                                       // matches in the history when the reading began
    std::vector<std::pair<int32_t, std::string>> playlists;  // id and name, in the order first played
    std::vector<PlaylistSession> session;
    int64_t sessionAt = 0;            // when the session was worked out, UTC seconds (it ends an hour after a match)
    int32_t playlist = AnyPlaylist;   // the filter
    int trendRange = 0;               // last 10, last 50, all
    int tableCount = 20;              // matches in the table
    int zoneFirst = 1, zoneLast = 1;  // matches on the grid, 1 = the oldest of the filter
    bool zonesAll = true;             // the grid shows all the filter's matches, however many come
    bool shownValid = false;
    int32_t shownPlaylist = 0;
    int shownRange = 0, shownZoneFirst = 0, shownZoneLast = 0;
    std::vector<const HistoryRow*> filtered;
    Trends trends;
    ZoneTotals zones;
};

// What the plug-in shows of its history besides the file: the window's view and the card's averages.
struct HistoryShown {
    HistoryView view;
    FigureAverages averages;  // the last 10 matches of the playlist before this one
};

}  // namespace zando
