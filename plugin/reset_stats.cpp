// ResetStats: starts a fresh match record; the all-time grids, settings and metadata are kept.
#include "plugin/zando.h"

void ZANDO::ResetStats() {
    cvarManager->log("[RESET STATS] Clearing all data...");

    speedSum = 0.0f;
    speedSamples = 0;
    boostCollected = 0.0f;
    boostUsed = 0.0f;
    possessionTime = 0.0f;
    teamPossessionTime = 0.0f;
    opponentPossessionTime = 0.0f;
    gameTime = 0.0f;
    supersonicTime = 0.0f;
    emptyTankTime = 0.0f;
    fullTankTime = 0.0f;
    lastMeasuredSpeed = 0.0f;
    endedInOvertime = false;
    finalScore.reset();
    shots = 0;
    goals = 0;
    playlistId = 0;
    lastBoostAmount = -1.0f;
    lastPossessionSampleTime = -1.0f;
    hasPossession = false;
    inGoalReplay = false;
    uploadedThisMatch = false;
    awaitingMmrUpload = false;
    zoneSelected = false;
    selectedZoneCol = -1;
    selectedZoneRow = -1;
    selectedZoneRows = 1;
    selectedZoneCols = 1;
    trackingPaused = true;

    ClearGrid(positionHeatmap);
    ClearGrid(shotHeatmap);
    ClearGrid(goalHeatmap);
}
