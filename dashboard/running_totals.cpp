// A stored match's part of its account's totals.
#include "dashboard/running_totals.h"

#include "dashboard/match_summary.h"

namespace dashboard {

void AddToTotals(TotalsDeltas& deltas, const Submission& stored) {
    MatchTotals& totals = deltas[{stored.accountId, stored.match.playlist}];
    ++totals.matches;
    totals.shots += stored.match.shots;
    totals.goals += stored.match.goals;
    for (int r = 0; r < UploadGridSize; ++r)
        for (int c = 0; c < UploadGridSize; ++c) totals.shotsPerBlock[r][c] += BlockShots(stored.match.shotHeatmap[r][c], r, c);
}

}  // namespace dashboard
