// The figures of real and simulated matches, mode by mode, that the simulator is held to: goals a match,
// shots a goal, saves and demolitions a match (the game's scoreboard, every player), and each player's
// average speed and boost used a minute (from the frames: clock running, car on the field).
//   mode_figures REPLAY_FOLDER [SIMULATED_MATCHES_A_MODE]
// Real matches are the folder's replays played to their end (a match of soccer: playlists of rumble and
// other modes are left out, as are players who played under 100 s and bots); simulated ones are seeds
// 1 to N of each mode, each a session of one match.
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "replay/replay_error.h"
#include "replay/replay_file.h"
#include "sandbox/match_simulator.h"
#include "sandbox/replay_game.h"

namespace {

struct Figures {
    int matches = 0;
    double goals = 0, shots = 0, saves = 0, demolitions = 0;  // summed over the matches
    std::vector<double> goalsEach, shotsPerGoalEach, savesEach, demolitionsEach, speedEach, boostEach;
};

bool Soccer(int playlist) {
    return playlist != 18 && playlist != 28 && playlist != 17 && playlist != 27 && playlist != 23 && playlist != 29;
}

void Line(const char* what, const std::vector<double>& values, double mean, int decimals) {
    if (values.empty()) {
        std::printf("  %-24s (none)\n", what);
        return;
    }
    double low = values.front(), high = values.front();
    for (const double v : values) low = std::min(low, v), high = std::max(high, v);
    std::printf("  %-24s %8.*f  (from %.*f to %.*f)\n", what, decimals, mean, decimals, low, decimals, high);
}

void Print(const std::string& title, const Figures& f) {
    std::printf("%s: %d matches\n", title.c_str(), f.matches);
    if (f.matches == 0) return;
    double speed = 0, boost = 0;
    for (const double v : f.speedEach) speed += v;
    for (const double v : f.boostEach) boost += v;
    Line("goals a match", f.goalsEach, f.goals / f.matches, 1);
    Line("shots a goal", f.shotsPerGoalEach, f.goals > 0 ? f.shots / f.goals : 0.0, 2);
    Line("saves a match", f.savesEach, f.saves / f.matches, 1);
    Line("demolitions a match", f.demolitionsEach, f.demolitions / f.matches, 1);
    Line("average speed (uu/s)", f.speedEach, f.speedEach.empty() ? 0.0 : speed / static_cast<double>(f.speedEach.size()), 0);
    Line("boost used a minute", f.boostEach, f.boostEach.empty() ? 0.0 : boost / static_cast<double>(f.boostEach.size()), 0);
}

void Add(Figures& f, double goals, double shots, double saves, double demolitions) {
    ++f.matches;
    f.goals += goals, f.shots += shots, f.saves += saves, f.demolitions += demolitions;
    f.goalsEach.push_back(goals);
    if (goals > 0) f.shotsPerGoalEach.push_back(shots / goals);
    f.savesEach.push_back(saves);
    f.demolitionsEach.push_back(demolitions);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: mode_figures REPLAY_FOLDER [SIMULATED_MATCHES_A_MODE]\n");
        return 2;
    }
    std::map<int, Figures> real;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(argv[1]))
        if (entry.path().extension() == ".replay") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        try {
            const std::vector<std::uint8_t> bytes = replay::LoadReplayBytes(file);
            const replay::Replay r = replay::ReadReplay(bytes);
            const std::vector<int> players = sandbox::ReplayParticipants(r);
            if (players.empty() || !Soccer(r.match.playlist)) continue;
            const sandbox::ReplayGame first(r, players.front());
            if (!first.Outcome().finished) continue;
            Figures& f = real[r.header.teamSize];
            double shots = 0, saves = 0;
            for (const auto& line : r.header.scoreboard) shots += line.shots, saves += line.saves;
            Add(f, first.Outcome().goals[0] + first.Outcome().goals[1], shots, saves,
                static_cast<double>(r.match.demolitions.size()));
            for (const int p : players) {
                const sandbox::ReplayGame game(r, p);
                const sandbox::ReplayPlayerTruth& t = game.Truth();
                if (t.bot || t.playSeconds < 100.0) continue;
                f.speedEach.push_back(t.averageSpeed);
                f.boostEach.push_back(t.boostUsed / (t.playSeconds / 60.0));
            }
        } catch (const replay::ReplayError& e) {
            std::fprintf(stderr, "%s: %s\n", file.string().c_str(), e.what());
        }
    }
    for (const auto& [mode, f] : real) Print("Real " + std::to_string(mode) + "v" + std::to_string(mode), f);

    const int simulated = argc > 2 ? std::atoi(argv[2]) : 100;
    for (int mode = 1; mode <= 3 && simulated > 0; ++mode) {
        Figures f;
        for (int seed = 1; seed <= simulated; ++seed) {
            double shots = 0, saves = 0;
            sandbox::MatchSimulator simulator({static_cast<std::uint64_t>(seed), mode, 0.0, 1},
                                              [&](const sandbox::TraceRecord& r) {
                                                  if (const auto* e = std::get_if<sandbox::record::Event>(&r.body);
                                                      e && e->event == sandbox::GameEvent::StatTickerMessage)
                                                      shots += e->label == "Shot on Goal", saves += e->label == "Save";
                                              });
            simulator.Run();
            const sandbox::MatchOutcome& o = simulator.Outcome();
            if (o.localLeft || o.forfeitingTeam >= 0) continue;
            Add(f, o.goals[0] + o.goals[1], shots, saves, o.demolitions);
            const sandbox::LocalTruth& t = simulator.Truth();
            if (t.drivingSeconds >= 100.0) {
                f.speedEach.push_back(t.AverageSpeed());
                f.boostEach.push_back(t.boostUsed / (t.drivingSeconds / 60.0));
            }
        }
        Print("Simulated " + std::to_string(mode) + "v" + std::to_string(mode), f);
    }
    return 0;
}
