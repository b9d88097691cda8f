// Laying out replay-info and the replay-game reports.
#include "sandbox/replay_report.h"

#include <cstdio>

#include "base/upload_contract.h"

namespace sandbox {

namespace {

constexpr double KmhPerUnit = zando::upload::KmhPerUnit;  // units/s to km/h, as the plug-in's displays convert

std::string Format(const char* format, auto... values) {
    char line[512];
    std::snprintf(line, sizeof line, format, values...);
    return line;
}

const char* TeamName(int team) { return team == 0 ? "blue" : team == 1 ? "orange" : "none"; }

std::string Result(const ReplayMatchOutcome& outcome) {
    std::string text = Format("%s, blue %d - %d orange%s", PlaylistTitle(outcome.playlistId).c_str(), outcome.goals[0],
                              outcome.goals[1], outcome.overtime ? " after overtime" : "");
    text += outcome.finished ? ", played to its end" : ", the recording stops before the match's end";
    text += Format(", %.1f s of match clock", outcome.clock);
    return text;
}

std::string EndsOnGoalNote(const ReplayMatchOutcome& outcome) {
    if (!outcome.endsOnGoal) return {};
    return "The recording stops on a goal before the scorer's counters rose in the frames: the goal is credited to " +
           outcome.endsOnGoalScorer + " as the header's goal list names, and the shot it may have been is not in the frames.\n";
}

}  // namespace

std::string FormatReplayInfo(const replay::Replay& replay) {
    const replay::ReplayHeader& h = replay.header;
    const replay::MatchFrames& m = replay.match;
    std::string text;
    text += Format("Replay %s%s%s\n", h.id.c_str(), h.name.empty() ? "" : ": ", h.name.c_str());
    text +=
        Format("Recorded %s by %s; %s match on %s, %d a team\n", h.date.c_str(),
               h.recordedBy.empty() ? "(not named)" : h.recordedBy.c_str(), h.matchType.c_str(), h.mapName.c_str(), h.teamSize);
    text += Format("Game version %u.%u, network version %u, build %s\n", h.engineVersion, h.licenseeVersion, h.netVersion,
                   h.buildVersion.empty() ? "(not named)" : h.buildVersion.c_str());
    text += Format("Score (header): blue %d - %d orange\n", h.teamScores[0], h.teamScores[1]);
    const float seconds = m.frames.empty() ? 0.0f : m.frames.back().time - m.frames.front().time;
    text += Format(
        "Frames: %zu of the header's %d read (%.1f s); actors opened %llu (keyframes' announcements included), closed %llu; "
        "%llu property updates; %zu keyframes\n",
        m.frames.size(), h.numFrames, seconds, static_cast<unsigned long long>(m.actorsOpened),
        static_cast<unsigned long long>(m.actorsClosed), static_cast<unsigned long long>(m.propertyUpdates),
        replay.body.keyframes.size());
    if (m.playlist >= 0) text += Format("Playlist: %s (id %d)\n", PlaylistTitle(m.playlist).c_str(), m.playlist);
    text += "The game's scoreboard:\n";
    text += Format("  %-24s %-8s %6s %6s %6s %6s %6s\n", "Player", "Team", "Score", "Goals", "Assists", "Saves", "Shots");
    for (const replay::ScoreboardLine& line : h.scoreboard)
        text += Format("  %-24s %-8s %6d %6d %6d %6d %6d%s\n", line.name.c_str(), TeamName(line.team), line.score, line.goals,
                       line.assists, line.saves, line.shots, line.bot ? " (bot)" : "");
    for (const replay::GoalLine& goal : h.goals)
        text += Format("Goal at frame %d by %s (%s)\n", goal.frame, goal.player.c_str(), TeamName(goal.team));
    text += "Players in the frames:\n";
    for (const int p : ReplayParticipants(replay)) {
        const replay::MatchPlayer& player = m.players[static_cast<std::size_t>(p)];
        text += Format("  %-24s %-8s %s%s\n", player.name.c_str(), TeamName(player.team),
                       player.hasId ? player.id.Text().c_str() : "", player.bot ? " (bot)" : "");
    }
    text += Format("Demolitions: %zu\n", m.demolitions.size());
    return text;
}

std::string FormatReplayReport(const ReplayPlayerTruth& truth, const ReplayMatchOutcome& outcome, const PluginFigures& zando) {
    std::string text = "Match: " + Result(outcome) + "\n";
    text += Format("Player: %s (%s) %s\n", truth.name.c_str(), TeamName(truth.team), truth.id.c_str());
    text += Format("%-26s %10s %10s %10s %10s\n", "Figure", "Game", "Frames", "ZANDO", "Difference");
    const auto count = [&](const char* figure, int game, int frames, int z, bool zandoCounts) {
        if (zandoCounts)
            text += Format("%-26s %10d %10d %10d %+10d\n", figure, game, frames, z, z - game);
        else
            text += Format("%-26s %10d %10d %10s %10s\n", figure, game, frames, "-", "");
    };
    const auto measure = [&](const char* figure, double frames, double z, int decimals) {
        text += Format("%-26s %10s %10.*f %10.*f %+10.*f", figure, "", decimals, frames, decimals, z, decimals, z - frames);
        text += frames != 0.0 ? Format(" (%+.1f%%)\n", (z - frames) / frames * 100.0) : "\n";
    };
    if (!truth.onScoreboard) text += "(the player has no line on the game's scoreboard: its figures show 0)\n";
    count("Shots", truth.shots, truth.shotsPlayed, zando.shots, true);
    count("Goals", truth.goals, truth.goalsPlayed, zando.goals, true);
    count("Saves", truth.saves, truth.savesPlayed, 0, false);
    count("Assists", truth.assists, truth.assistsPlayed, 0, false);
    measure("Time in play (s)", truth.playSeconds, zando.gameTime, 1);
    measure("Average speed (km/h)", truth.averageSpeed * KmhPerUnit, zando.averageSpeed * KmhPerUnit, 2);
    measure("Boost used", truth.boostUsed, zando.boostUsed, 1);
    measure("Boost collected", truth.boostCollected, zando.boostCollected, 1);
    measure("Possession (s)", truth.possessionSeconds, zando.possessionTime, 1);
    text += Format("Demolitions: made %d, suffered %d\n", truth.demolitions, truth.demolished);
    text += EndsOnGoalNote(outcome);
    text +=
        "Game: the replay's own scoreboard. Frames: the stat-ticker messages played (one for each rise of the game's\n"
        "  counters), and figures computed from the frames: time with the clock running and the car on the field, the\n"
        "  car's own velocity over it, the tank's falls and rises (percent points; ZANDO counts pads' worth collected),\n"
        "  and the time the car nearest the ball, within 400 units, was of the player's team.\n";
    return text;
}

std::string FormatReplayTable(const ReplayMatchOutcome& outcome, const std::vector<ReplayTableRow>& rows) {
    std::string text = "Match: " + Result(outcome) + "\n";
    text += Format("%-20s %-6s %11s %11s %9s %15s %15s %15s %15s %15s\n", "Player", "Team", "Shots", "Goals", "Saves",
                   "Played (s)", "Speed (km/h)", "Boost used", "Collected", "Possession (s)");
    text += Format("%-20s %-6s %11s %11s %9s %15s %15s %15s %15s %15s\n", "", "", "game/ZANDO", "game/ZANDO", "game/msgs",
                   "frames/ZANDO", "frames/ZANDO", "frames/ZANDO", "frames/ZANDO", "frames/ZANDO");
    for (const ReplayTableRow& row : rows) {
        const ReplayPlayerTruth& t = row.truth;
        const PluginFigures& z = row.zando;
        std::string name = t.name.size() > 20 ? t.name.substr(0, 20) : t.name;
        // A player the game's scoreboard has no line for (a bot that stood in for a while) shows "-".
        const auto game = [&](int value) { return t.onScoreboard ? std::to_string(value) : std::string("-"); };
        text += Format("%-20s %-6s %5s/%-5d %5s/%-5d %4s/%-4d %7.1f/%-7.1f %7.1f/%-7.1f %7.1f/%-7.1f %7.1f/%-7.1f %7.1f/%-7.1f\n",
                       name.c_str(), TeamName(t.team), game(t.shots).c_str(), z.shots, game(t.goals).c_str(), z.goals,
                       game(t.saves).c_str(), t.savesPlayed, t.playSeconds, static_cast<double>(z.gameTime),
                       t.averageSpeed * KmhPerUnit, z.averageSpeed * KmhPerUnit, t.boostUsed, static_cast<double>(z.boostUsed),
                       t.boostCollected, static_cast<double>(z.boostCollected), t.possessionSeconds,
                       static_cast<double>(z.possessionTime));
    }
    text += EndsOnGoalNote(outcome);
    text +=
        "game: the replay's scoreboard; msgs: the stat-ticker messages played; frames: computed from the replay's frames\n"
        "  (clock running, car on the field; the car's own velocity; the tank's falls and rises in percent points, where\n"
        "  ZANDO counts pads' worth collected; the car nearest the ball within 400 units of the player's team).\n";
    return text;
}

}  // namespace sandbox
