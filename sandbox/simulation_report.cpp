// Reading the plug-in's figures and laying out the report.
#include "sandbox/simulation_report.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "base/upload_contract.h"
#include "host/runtime/plugin_library.h"
#include "plugin/match_snapshot.h"

namespace sandbox {

namespace {

constexpr double KmhPerUnit = zando::upload::KmhPerUnit;  // units/s to km/h, as the plug-in's displays convert

std::string Row(const char* figure, double truth, double zando, int decimals, bool percentToo) {
    char line[160];
    const double difference = zando - truth;
    std::snprintf(line, sizeof line, "%-24s %10.*f %10.*f %+10.*f", figure, decimals, truth, decimals, zando, decimals,
                  difference);
    std::string row = line;
    if (percentToo && truth != 0.0) {
        std::snprintf(line, sizeof line, " (%+.1f%%)", difference / truth * 100.0);
        row += line;
    }
    return row + '\n';
}

const char* TeamName(int team) { return team == 0 ? "blue" : "orange"; }

}  // namespace

// The figures from the snapshot the library exports; none from a library without one or from an
// older snapshot than the one these figures need.
std::optional<PluginFigures> ReadPluginFigures(const host::LoadedPlugin& plugin) {
    if (!plugin.library) return std::nullopt;
    const auto snapshotOf = reinterpret_cast<ZandoMatchSnapshotFunction>(plugin.library->Symbol(ZandoMatchSnapshotSymbol));
    ZandoMatchSnapshot snapshot{};
    if (!snapshotOf || !snapshotOf(&snapshot, sizeof snapshot) || snapshot.version < 1 ||
        snapshot.size < offsetof(ZandoMatchSnapshot, goals) + sizeof snapshot.goals)
        return std::nullopt;
    PluginFigures figures;
    figures.averageSpeed = snapshot.averageSpeed;
    figures.boostCollected = snapshot.boostCollected;
    figures.boostUsed = snapshot.boostUsed;
    figures.shots = snapshot.shots;
    figures.goals = snapshot.goals;
    figures.possessionTime = snapshot.possessionTime;
    figures.gameTime = snapshot.gameTime;
    return figures;
}

std::string FormatReport(const LocalTruth& truth, const MatchOutcome& outcome, const PluginFigures& zando) {
    std::string report;
    char line[400];
    std::snprintf(line, sizeof line, "Match: %s, blue %d - %d orange%s%s\n", outcome.playlist.c_str(), outcome.goals[0],
                  outcome.goals[1], outcome.overtime ? " after overtime" : "",
                  outcome.forfeitingTeam >= 0 ? (outcome.forfeitingTeam == 0 ? ", blue forfeited" : ", orange forfeited") : "");
    report += line;
    if (outcome.localLeft) report += "The local player left the match before its end\n";
    if (outcome.reloadedInPlay) report += "The plug-in was reloaded during the match: it kept the match's figures so far\n";
    if (outcome.reloadedInMmrWait)
        report += "The plug-in was reloaded while it waited for the new rating: it finished the match first, and the "
                  "figures below are the reloaded plug-in's, empty\n";
    std::snprintf(line, sizeof line, "Local player: %s (%s), rating %.2f -> %.2f, %.1f s of match clock\n",
                  truth.name.c_str(), TeamName(truth.team), outcome.mmrBefore, outcome.mmrAfter, outcome.clock);
    report += line;
    std::snprintf(line, sizeof line, "%-24s %10s %10s %10s\n", "Figure", "Truth", "ZANDO", "Difference");
    report += line;
    const double truePercent = truth.drivingSeconds > 0.0 ? truth.possessionSeconds / truth.drivingSeconds * 100.0 : 0.0;
    const double zandoPercent = zando.gameTime > 0.0f ? zando.possessionTime / zando.gameTime * 100.0 : 0.0;
    report += Row("Average speed (km/h)", truth.AverageSpeed() * KmhPerUnit, zando.averageSpeed * KmhPerUnit, 2, true);
    report += Row("Boost collected", truth.boostCollected, zando.boostCollected, 1, true);
    report += Row("Boost used", truth.boostUsed, zando.boostUsed, 1, true);
    report += Row("Shots", truth.shots, zando.shots, 0, false);
    report += Row("Goals", truth.goals, zando.goals, 0, false);
    report += Row("Possession (s)", truth.possessionSeconds, zando.possessionTime, 1, true);
    report += Row("Possession (%)", truePercent, zandoPercent, 1, false);
    report += Row("Time in play (s)", truth.drivingSeconds, zando.gameTime, 1, false);
    report += "Definitions: average speed is the distance driven over the time driven, clock running, car on the field;\n"
              "  boost collected is each pad's worth (12 small, 100 large) however full the tank was; boost used is what\n"
              "  was burnt; possession is the time the car nearest the ball, within 400 units, was the player's team's;\n"
              "  time in play is the match clock with the player's car on the field (not while it is demolished).\n";
    std::snprintf(line, sizeof line, "Other tools' definitions: boost collected as the tank's rise %.1f; possession by the team of\n"
                                     "  the last touch %.1f s (%.1f%%); the player's car was demolished %d time%s\n",
                  truth.boostGained, truth.lastTouchPossessionSeconds,
                  truth.drivingSeconds > 0.0 ? truth.lastTouchPossessionSeconds / truth.drivingSeconds * 100.0 : 0.0, truth.demolished,
                  truth.demolished == 1 ? "" : "s");
    report += line;
    return report;
}

}  // namespace sandbox
