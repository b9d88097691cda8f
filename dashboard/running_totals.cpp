// A stored match's part of its account's totals.
#include "dashboard/running_totals.h"

#include "dashboard/match_summary.h"

namespace dashboard {

void AddToTotals(TotalsDeltas& deltas, const Submission& stored) {
    MatchTotals& totals = deltas[{stored.accountId, stored.match.playlist}];
    ++totals.matches;
    totals.shots += stored.match.shots;
    totals.goals += stored.match.goals;
    const UploadedMatch& m = stored.match;
    const double figures[] = {m.averageSpeed,       static_cast<double>(m.speedSamples),
                              m.boostCollected,     m.boostUsed,
                              m.gameTime,           m.possessionTime,
                              m.teamPossessionTime, m.opponentPossessionTime,
                              m.mmrChange};
    for (std::size_t i = 0; i < totals.figures.size(); ++i) totals.figures[i] += figures[i];
    for (int r = 0; r < UploadGridSize; ++r)
        for (int c = 0; c < UploadGridSize; ++c) totals.shotsPerBlock[r][c] += BlockShots(stored.match.shotHeatmap[r][c], r, c);
}

}  // namespace dashboard
