// The record of the match followed now, copied out of the plug-in's members.
#include "plugin/zando.h"

MatchRecord ZANDO::CurrentRecord() const {
    MatchRecord record;
    record.shots = shots;
    record.goals = goals;
    record.speedSum = speedSum;
    record.speedSamples = speedSamples;
    record.boostCollected = boostCollected;
    record.boostUsed = boostUsed;
    record.gameTime = gameTime;
    record.possessionTime = possessionTime;
    record.teamPossessionTime = teamPossessionTime;
    record.opponentPossessionTime = opponentPossessionTime;
    record.shotHeatmap = shotHeatmap;
    record.goalHeatmap = goalHeatmap;
    record.playlistName = playlistName;
    record.isRanked = isRanked;
    record.initialMmr = initialMmr;
    record.mmrChange = mmrChange;
    record.playlistId = playlistId;
    record.supersonicTime = supersonicTime;
    record.emptyTankTime = emptyTankTime;
    record.fullTankTime = fullTankTime;
    record.team = localTeam;
    record.overtime = endedInOvertime;
    record.finalScore = finalScore;
    return record;
}
