// What zando-sandbox prints of a replay: what it holds (replay-info), and the plug-in's figures of a
// real match beside the game's own scoreboard and the frames' (replay-game --report, --player all).
#pragma once

#include <string>
#include <vector>

#include "replay/replay_file.h"
#include "sandbox/replay_game.h"
#include "sandbox/simulation_report.h"

namespace sandbox {

std::string FormatReplayInfo(const replay::Replay& replay);

// One player's figures, one a line.
std::string FormatReplayReport(const ReplayPlayerTruth& truth, const ReplayMatchOutcome& outcome, const PluginFigures& zando);

struct ReplayTableRow {
    ReplayPlayerTruth truth;
    PluginFigures zando;
};
// Every player, one a line: the game's scoreboard beside ZANDO for shots, goals and saves, the frames
// beside ZANDO for time played, average speed, boost and possession.
std::string FormatReplayTable(const ReplayMatchOutcome& outcome, const std::vector<ReplayTableRow>& rows);

}  // namespace sandbox
