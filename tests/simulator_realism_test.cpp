// The simulator plays like the game's real matches: over a dozen matches of each mode, its shots a
// goal, goals and saves a match lie inside what the real replays show (docs/real-matches.md: 1.4 to
// 4 shots a goal, 3 to 11 goals and 1 to 11 saves a match over every mode), and a goal comes with its
// scorer's shot.
#include <gtest/gtest.h>

#include <map>

#include "sandbox/match_simulator.h"

TEST(SimulatorRealism, ShotsAGoalGoalsAndSavesAMatchAreThoseOfRealMatches) {
    for (int mode = 1; mode <= 3; ++mode) {
        double shots = 0, goals = 0, saves = 0, goalsWithoutShot = 0;
        int matches = 0;
        for (std::uint64_t seed = 1; seed <= 12; ++seed) {
            std::map<int, double> lastShot;  // car -> host time of its last shot on goal
            double shotsHere = 0, savesHere = 0;
            sandbox::MatchSimulator simulator({seed, mode, 0.0, 1}, [&](const sandbox::TraceRecord& r) {
                const auto* e = std::get_if<sandbox::record::Event>(&r.body);
                if (!e || e->event != sandbox::GameEvent::StatTickerMessage) return;
                if (e->label == "Shot on Goal") shotsHere += 1, lastShot[e->receiver] = r.t;
                if (e->label == "Save") savesHere += 1;
                if (e->label == "Goal" && (!lastShot.count(e->receiver) || r.t - lastShot[e->receiver] > 8.0))
                    goalsWithoutShot += 1;
            });
            simulator.Run();
            const sandbox::MatchOutcome& outcome = simulator.Outcome();
            if (outcome.localLeft || outcome.forfeitingTeam >= 0) continue;
            ++matches;
            shots += shotsHere;
            saves += savesHere;
            goals += outcome.goals[0] + outcome.goals[1];
        }
        ASSERT_GE(matches, 6) << mode << "v" << mode;
        EXPECT_GE(shots / goals, 1.4) << mode << "v" << mode << ": the real matches' fewest shots a goal";
        EXPECT_LE(shots / goals, 4.0) << mode << "v" << mode;
        EXPECT_GE(goals / matches, 3.0) << mode << "v" << mode;
        EXPECT_LE(goals / matches, 11.0) << mode << "v" << mode;
        EXPECT_GE(saves / matches, 1.0) << mode << "v" << mode;
        EXPECT_LE(saves / matches, 11.0) << mode << "v" << mode;
        EXPECT_LE(goalsWithoutShot / goals, 0.15) << mode << "v" << mode << ": a goal comes with its scorer's shot";
    }
}
