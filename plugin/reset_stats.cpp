// ResetStats: starts a fresh match record; the all-time grids, settings and metadata are kept.
#include "plugin/zando.h"

void ZANDO::ResetStats() {
    cvarManager->log("[RESET STATS] Clearing all data...");
    static_cast<MatchFigures&>(match) = {};
    sampling = {};
    SizeGrid(match.shotHeatmap);
    SizeGrid(match.goalHeatmap);
    SizeGrid(sampling.positionHeatmap);
    panel.selection = {};
    flags.inGoalReplay = false;
    flags.uploadedThisMatch = false;
    flags.awaitingMmrUpload = false;
    flags.trackingPaused = true;
}
