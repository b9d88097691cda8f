// Sessions, trend points and zone shots worked out from kept matches.
#include "dashboard/match_summary.h"

#include <algorithm>
#include <cmath>

#include "base/grid.h"
#include "base/utc_timestamp.h"

namespace dashboard {

SessionSummary LastSession(const std::vector<StoredMatch>& matches, int64_t nowSeconds) {
    SessionSummary session;
    std::size_t first = matches.size();
    std::optional<int64_t> later;
    while (first > 0) {
        const int64_t sent = zando::UtcSeconds(matches[first - 1].match.timestamp);
        if (sent < 0 || (later && *later - sent >= SessionBreakSeconds)) break;
        later = sent;
        --first;
    }
    if (first == matches.size()) return session;
    session.started = matches[first].match.timestamp;
    session.ended = matches.back().match.timestamp;
    session.ongoing = nowSeconds - zando::UtcSeconds(session.ended) < SessionBreakSeconds;
    for (std::size_t i = first; i < matches.size(); ++i) {
        const UploadedMatch& m = matches[i].match;
        auto found = std::find_if(session.playlists.begin(), session.playlists.end(),
                                  [&](const PlaylistSession& playlist) { return playlist.playlist == m.playlist; });
        if (found == session.playlists.end())
            found = session.playlists.insert(session.playlists.end(), PlaylistSession{m.playlist});
        found->matches += 1;
        if (m.mmr > 0.0) found->mmrGained += m.mmrChange;
        if (const std::optional<bool> won = Won(m)) (*won ? found->wins : found->losses) += 1;
    }
    return session;
}

std::optional<bool> Won(const UploadedMatch& m) {
    if (m.whole) {
        if (m.whole->result == "win") return true;
        if (m.whole->result == "loss") return false;
        return std::nullopt;
    }
    if (m.mmr > 0.0 && m.mmrChange != 0.0) return m.mmrChange > 0.0;
    return std::nullopt;
}

std::string ResultText(const UploadedMatch& m) {
    if (!m.whole) return "–";
    const WholeMatchPart& whole = *m.whole;
    const std::string score =
        whole.scoreFor ? " " + std::to_string(*whole.scoreFor) + "-" + std::to_string(*whole.scoreAgainst) : std::string();
    if (whole.result == "win") return "Won" + score;
    if (whole.result == "loss") return "Lost" + score;
    if (whole.result == "forfeit") return "Left" + score;
    return score.empty() ? "–" : "Score" + score;
}

double PerMinute(double value, double gameSeconds) { return gameSeconds > 0.0 ? value / (gameSeconds / 60.0) : 0.0; }

double PercentOf(double part, double whole) { return whole > 0.0 ? 100.0 * part / whole : 0.0; }

TrendPoint TrendOf(const StoredMatch& stored) {
    const UploadedMatch& m = stored.match;
    TrendPoint point;
    point.id = stored.id;
    point.timestamp = m.timestamp;
    if (m.mmr > 0.0) point.mmr = m.mmr + m.mmrChange;
    point.speedKmh = m.averageSpeed * KilometresPerHourPerUnit;
    point.boostCollectedPerMinute = PerMinute(m.boostCollected, m.gameTime);
    point.boostUsedPerMinute = PerMinute(m.boostUsed, m.gameTime);
    point.shots = m.shots;
    point.goals = m.goals;
    if (m.shots > 0) point.shootingPercent = PercentOf(static_cast<double>(m.goals), static_cast<double>(m.shots));
    point.possessionPercent = PercentOf(m.possessionTime, m.gameTime);
    return point;
}

int64_t ZonesInBlock(int row, int column) {
    return int64_t{zando::upload::ZonesAlong(GridRows, row)} * zando::upload::ZonesAlong(GridCols, column);
}

ZoneShots ShotsByBlock(const std::vector<StoredMatch>& matches) {
    ZoneShots zones;
    zones.matches = static_cast<int64_t>(matches.size());
    for (int r = 0; r < UploadGridSize; ++r)
        for (int c = 0; c < UploadGridSize; ++c) zones.zonesPerBlock[r][c] = ZonesInBlock(r, c);
    for (const StoredMatch& stored : matches) {
        zones.shotTotal += stored.match.shots;
        zones.goalTotal += stored.match.goals;
        // Each match's block back into whole shots (its mean was taken over whole shots' heat).
        for (int r = 0; r < UploadGridSize; ++r)
            for (int c = 0; c < UploadGridSize; ++c) zones.shots[r][c] += BlockShots(stored.match.shotHeatmap[r][c], r, c);
        if (stored.match.whole) AddPlaces(zones.places, *stored.match.whole);
    }
    return zones;
}

int64_t BlockShots(double heat, int row, int column) {
    return std::llround(heat * static_cast<double>(ZonesInBlock(row, column)) / ShotHeat);
}

ZoneShots ShotsByBlock(Storage& storage, int64_t accountId, const MatchQuery& query) {
    ZoneShots zones;
    for (int r = 0; r < UploadGridSize; ++r)
        for (int c = 0; c < UploadGridSize; ++c) zones.zonesPerBlock[r][c] = ZonesInBlock(r, c);
    // Every match of a playlist or of the account: the running totals.
    if (TakesEveryMatch(query)) {
        const MatchTotals totals = storage.Totals(accountId, query.playlist);
        zones.matches = totals.matches;
        zones.shots = totals.shotsPerBlock;
        zones.shotTotal = totals.shots;
        zones.goalTotal = totals.goals;
        zones.places = totals.places;
        return zones;
    }
    // The averages' count and means of the same matches (their limit kept) give the totals.
    const MatchAverages means = storage.Averages(accountId, query);
    zones.shots = storage.ShotsPerBlock(accountId, query);
    zones.places = storage.Places(accountId, query);
    zones.matches = means.matches;
    zones.shotTotal = std::llround(means.shots * static_cast<double>(means.matches));
    zones.goalTotal = std::llround(means.goals * static_cast<double>(means.matches));
    return zones;
}

}  // namespace dashboard
