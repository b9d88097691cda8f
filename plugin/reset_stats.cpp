// ResetStats: starts a fresh match record; the all-time grids, settings and metadata are kept.
#include "plugin/zando.h"

void ZANDO::ResetStats() {
    cvarManager->log("[RESET STATS] Clearing all data...");
    tracker.ClearFigures();
    panel.selection = {};
    flags.inGoalReplay = false;
    flags.uploadedThisMatch = false;
    flags.awaitingMmrUpload = false;
    flags.trackingPaused = true;
}
