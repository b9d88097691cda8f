// The simulation report: the local player's true figures beside the ones the plug-in measured.
#pragma once

#include <optional>
#include <string>

#include "host/runtime/host.h"
#include "sandbox/match_simulator.h"

namespace sandbox {

// What the plug-in measured of the match, read from the loaded ZANDO object.
struct PluginFigures {
    float averageSpeed = 0.0f;  // units/s
    float boostCollected = 0.0f;
    float boostUsed = 0.0f;
    int shots = 0;
    int goals = 0;
    float possessionTime = 0.0f;  // s
    float gameTime = 0.0f;        // s
};

// Nothing when the loaded plug-in is not a ZANDO object.
std::optional<PluginFigures> ReadPluginFigures(const host::LoadedPlugin& plugin);

// A table, one figure a line, with the difference; the match's result above it.
std::string FormatReport(const LocalTruth& truth, const MatchOutcome& outcome, const PluginFigures& zando);

}  // namespace sandbox
