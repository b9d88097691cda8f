// Whole sessions of simulated matches through the plug-in, uploading to a test dashboard: InitGame or
// none, overtime, forfeits, the player leaving, reloads in play and in the wait for the new rating,
// several matches in a row. For every match: finished once, its card shown, its MMR change, shots and
// goals as the simulation's truth, and one upload received by the dashboard (none for a match left
// before there was anything to report).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "dashboard_server.h"
#include "history_rows.h"
#include "host/runtime/recording_canvas.h"
#include "sandbox/match_simulator.h"
#include "sandbox/trace_format.h"
#include "sandbox/trace_player.h"
#include "test_support.h"
#include "zone_truth.h"

namespace sb = sandbox;
using zando_test::DashboardServer;

namespace {

const std::string Key = "zk_sweep_51c0ffee";
constexpr int SweepSeeds = 30;
constexpr int MatchesPerSession = 3;

sb::SimulationSettings SessionOf(int seed) { return {static_cast<std::uint64_t>(seed), 1 + seed % 3, 10.0, MatchesPerSession}; }

// What the plug-in should have done with a match, worked out from the simulation's truth alone.
struct Expected {
    bool finished = true;  // processed once: by its end events, or by Destroyed when the player left
    bool card = true;      // the post-game card drawn
    bool upload = true;    // one POST
    float mmrChange = 0.0f;
};

Expected ExpectedOf(const sb::SimulatedResult& match) {
    const sb::LocalTruth& truth = match.truth;
    const bool activity = truth.shots > 0 || truth.goals > 0;
    Expected expected;
    if (match.outcome.localLeft) {
        // Left: Destroyed finishes the match when it has shots, goals or more than 5 s of play.
        expected.finished = activity || truth.drivingSeconds > 5.5;
        expected.card = false;
    } else {
        expected.mmrChange = match.outcome.mmrAfter - match.outcome.mmrBefore;
    }
    // The dashboard is sent a match with shots, goals or at least 10 s of play.
    expected.upload = expected.finished && (activity || truth.drivingSeconds > 10.5);
    return expected;
}

// The console lines and the frames with the post-game card that belong to each match of a session.
struct MatchSpan {
    std::size_t firstLine = 0;
    int cardFrames = 0;
    zando_test::ZoneCounts placed;  // the match's grids as the plug-in held them when the next match began (or the session ended)
    zando_test::ZoneCounts placedBeforeReload;  // ... and just before the plug-in was last reloaded
};

// The plug-in's grids of the match it follows (or followed last).
zando_test::ZoneCounts PlacedNow(host::Host& host) {
    host::LoadedPlugin* plugin = host.FindPlugin("ZANDO");
    if (!plugin || !plugin->Object()) return {};
    const ZANDO& zando = *static_cast<const ZANDO*>(plugin->Object());
    return zando_test::CountsOfGrids(zando.tracker.match.shotHeatmap, zando.tracker.match.goalHeatmap);
}

struct PlayedSession {
    std::vector<sb::SimulatedResult> matches;
    std::vector<MatchSpan> spans;
};

PlayedSession PlaySession(host::Host& host, const sb::SimulationSettings& settings) {
    PlayedSession session;
    host::RecordingCanvas canvas;
    sb::TracePlayer player(
        host,
        [&](double) {
            canvas.Clear();
            host.RenderFrame(&canvas);
            if (!session.spans.empty() && canvas.FindText("MATCH STATS")) ++session.spans.back().cardFrames;
        },
        [&](const sb::TraceRecord& record) {
            const auto* console = std::get_if<sb::record::Console>(&record.body);
            if (console && console->statements.find("plugin reload") != std::string::npos && !session.spans.empty())
                session.spans.back().placedBeforeReload = PlacedNow(host);
            if (!std::holds_alternative<sb::record::Match>(record.body)) return;
            if (!session.spans.empty()) session.spans.back().placed = PlacedNow(host);
            session.spans.push_back({host.GetConsole().Lines().size(), 0, {}, {}});
        });
    sb::TraceChecker checker;
    sb::MatchSimulator simulator(settings, [&](const sb::TraceRecord& record) {
        checker.Check(record);
        player.Play(record);
    });
    simulator.Run();
    if (!session.spans.empty()) session.spans.back().placed = PlacedNow(host);
    session.matches = simulator.Results();
    return session;
}

int CountContaining(const std::vector<std::string>& lines, std::size_t from, std::size_t to, const std::string& part) {
    int count = 0;
    for (std::size_t i = from; i < to && i < lines.size(); ++i) count += lines[i].find(part) != std::string::npos;
    return count;
}

// A session played against a dashboard: upload on, the key and the server set through the console.
class Session {
public:
    explicit Session(const std::vector<std::string>& serverOptions = {})
        : server_(serverFolder_, Key, serverOptions), zando_(home_.path() / "host") {
        zando_.Run("zando_enable_upload 1; zando_api_key " + Key + "; zando_server_url " + server_.Url());
    }
    PlayedSession Play(const sb::SimulationSettings& settings) { return PlaySession(zando_.Host(), settings); }
    const std::vector<std::string>& Lines() { return zando_.Lines(); }
    std::vector<zando_test::HistoryFileRow> History() {
        return zando_test::ReadHistoryFile(zando_.Host().DataFolder() / "zando_history.sqlite3");
    }
    std::vector<nlohmann::json> Requests() const { return server_.Requests(); }

private:
    static std::filesystem::path Folder(const std::filesystem::path& path) {
        std::filesystem::create_directories(path);
        return path;
    }
    zando_test::TempDir home_;
    std::filesystem::path serverFolder_ = Folder(home_.path() / "server");
    DashboardServer server_;
    zando_test::LoadedZando zando_;
};

}  // namespace

class SessionSweep : public ::testing::TestWithParam<int> {};

TEST_P(SessionSweep, EveryMatchIsFinishedOnceWithItsCardItsMmrChangeItsShotsAndGoalsAndOneUpload) {
    Session session;
    const PlayedSession played = session.Play(SessionOf(GetParam()));
    const std::vector<std::string>& lines = session.Lines();
    const std::vector<nlohmann::json> requests = session.Requests();
    ASSERT_EQ(played.matches.size(), static_cast<std::size_t>(MatchesPerSession));
    ASSERT_EQ(played.spans.size(), played.matches.size());

    std::size_t nextRequest = 0;
    for (std::size_t m = 0; m < played.matches.size(); ++m) {
        const sb::SimulatedResult& match = played.matches[m];
        const Expected expected = ExpectedOf(match);
        const std::size_t from = played.spans[m].firstLine;
        const std::size_t to = m + 1 < played.spans.size() ? played.spans[m + 1].firstLine : lines.size();
        SCOPED_TRACE("match " + std::to_string(m + 1) + " (" + match.outcome.playlist +
                     (match.outcome.initGame ? "" : ", no InitGame") + (match.outcome.overtime ? ", overtime" : "") +
                     (match.outcome.forfeitingTeam >= 0 ? ", forfeit" : "") +
                     (match.outcome.localLeft ? ", left at " + std::to_string(match.outcome.clock) + " s" : "") +
                     (match.outcome.reloadedInPlay ? ", reloaded in play" : "") +
                     (match.outcome.reloadedInMmrWait ? ", reloaded in the MMR wait" : "") + ")");

        const int finishes = CountContaining(lines, from, to, "- Processing stats...") +
                             CountContaining(lines, from, to, "[STATS] Match destroyed with active stats");
        EXPECT_EQ(finishes, expected.finished ? 1 : 0);
        EXPECT_EQ(CountContaining(lines, from, to, "[EXPORT] Stats exported to: "), expected.finished ? 1 : 0);
        if (expected.card) {
            EXPECT_GT(played.spans[m].cardFrames, 0) << "the post-game card was shown";
        } else {
            EXPECT_EQ(played.spans[m].cardFrames, 0);
        }
        if (!expected.upload) continue;
        ASSERT_LT(nextRequest, requests.size()) << "the match was uploaded";
        const nlohmann::json& request = requests[nextRequest++];
        EXPECT_TRUE(request["key_ok"].get<bool>());
        EXPECT_TRUE(request["signature_ok"].get<bool>());
        const nlohmann::json body = nlohmann::json::parse(request["body"].get<std::string>());
        EXPECT_EQ(body["shots"], match.truth.shots);
        EXPECT_EQ(body["goals"], match.truth.goals);
        // Each shot and goal in the zone the truth places it in (reloaded while it waited for the
        // rating, the plug-in had finished the match with the grids it held before the reload).
        const zando_test::ZoneCounts truth = zando_test::CountsOfTruth(match.truth);
        const zando_test::ZoneCounts& placed =
            match.outcome.reloadedInMmrWait ? played.spans[m].placedBeforeReload : played.spans[m].placed;
        EXPECT_EQ(placed.shots, truth.shots);
        EXPECT_EQ(placed.goals, truth.goals);
        EXPECT_EQ(body["playlist"], match.outcome.playlist);
        EXPECT_NEAR(body["mmr"].get<double>(), match.outcome.mmrBefore, 0.01);
        EXPECT_NEAR(body["mmrChange"].get<double>(), expected.mmrChange, 0.01);
        EXPECT_NEAR(body["gameTime"].get<double>(), match.truth.drivingSeconds, 1.0);
        EXPECT_NEAR(body["boostUsed"].get<double>(), match.truth.boostUsed, 0.02 * match.truth.boostUsed + 0.5);
    }
    EXPECT_EQ(nextRequest, requests.size()) << "no match was uploaded twice";

    // The match history: one row for each finished match, in order, with its result and score.
    const std::vector<zando_test::HistoryFileRow> history = session.History();
    std::size_t row = 0;
    for (const sb::SimulatedResult& match : played.matches) {
        const Expected expected = ExpectedOf(match);
        if (!expected.finished) continue;
        ASSERT_LT(row, history.size()) << "a finished match is in the history";
        const zando_test::HistoryFileRow& kept = history[row++];
        EXPECT_EQ(kept.at("playlist_name"), match.outcome.playlist);
        const int team = match.truth.team, scored = match.outcome.goals[team], conceded = match.outcome.goals[1 - team];
        if (match.outcome.localLeft) {
            EXPECT_EQ(kept.at("result"), "forfeit");
        } else {
            EXPECT_EQ(kept.at("result"), scored > conceded ? "win" : "loss");
            EXPECT_EQ(kept.at("score_for"), std::to_string(scored));
            EXPECT_EQ(kept.at("score_against"), std::to_string(conceded));
            EXPECT_EQ(kept.at("overtime"), match.outcome.overtime ? "1" : "0");
        }
        if (expected.upload) {  // a reload during play keeps the match's figures so far
            EXPECT_EQ(kept.at("shots"), std::to_string(match.truth.shots));
            EXPECT_EQ(kept.at("goals"), std::to_string(match.truth.goals));
        }
        EXPECT_NEAR(std::stod(kept.at("mmr_change")), expected.mmrChange, 0.01);
    }
    EXPECT_EQ(row, history.size()) << "no match is in the history twice";
}

INSTANTIATE_TEST_SUITE_P(Seeds, SessionSweep, ::testing::Range(1, SweepSeeds + 1));

// The sweep's seeds play every flow at least once, so that the sweep above checks each of them.
TEST(SessionSweepSeeds, PlayEveryWayAMatchGoes) {
    std::map<std::string, int> seen;
    for (int seed = 1; seed <= SweepSeeds; ++seed) {
        sb::MatchSimulator simulator({static_cast<std::uint64_t>(seed), 1 + seed % 3, 1.0, MatchesPerSession},
                                     [](const sb::TraceRecord&) {});
        simulator.Run();
        for (const sb::SimulatedResult& match : simulator.Results()) {
            const sb::MatchOutcome& o = match.outcome;
            ++seen["mode " + std::to_string(o.teamSize)];
            seen["InitGame"] += o.initGame;
            seen["no InitGame"] += !o.initGame;
            seen["overtime"] += o.overtime && !o.localLeft;
            seen["forfeit"] += o.forfeitingTeam >= 0 && !o.localLeft;
            seen["left early"] += o.localLeft && o.clock < 5.0;
            seen["left later"] += o.localLeft && o.clock > 5.0;
            seen["reloaded in play"] += o.reloadedInPlay;
            seen["reloaded in the MMR wait"] += o.reloadedInMmrWait && !o.localLeft;
            seen["kickoff shot"] += o.kickoffShots;
            seen["shot from the own half"] += o.ownHalfShots;
            seen["deflected into the own goal"] += o.deflections;
            seen["aerial touch"] += o.aerialTouches;
            seen["demolition"] += o.demolitions;
            seen["local player demolished"] += match.truth.demolished;
            seen["team-mate's goal"] += o.teamMateGoals;
        }
    }
    for (const char* flow :
         {"mode 1", "mode 2", "mode 3", "InitGame", "no InitGame", "overtime", "forfeit", "left early", "left later",
          "reloaded in play", "reloaded in the MMR wait", "kickoff shot", "shot from the own half", "deflected into the own goal",
          "aerial touch", "demolition", "local player demolished", "team-mate's goal"})
        EXPECT_GT(seen[flow], 0) << flow;
}

// A dashboard that fails or never answers still gets one POST a match: the end is never run twice.
class FailingDashboard : public ::testing::TestWithParam<std::vector<std::string>> {};

// The first session of two 1v1 matches, from seed 1 on, in which both matches are played to their end
// with no reload.
sb::SimulationSettings TwoWholeMatches() {
    for (std::uint64_t seed = 1;; ++seed) {
        const sb::SimulationSettings settings{seed, 1, 1.0, 2};
        sb::MatchSimulator simulator(settings, [](const sb::TraceRecord&) {});
        simulator.Run();
        const auto& results = simulator.Results();
        if (std::none_of(results.begin(), results.end(), [](const sb::SimulatedResult& match) {
                return match.outcome.localLeft || match.outcome.reloadedInPlay || match.outcome.reloadedInMmrWait;
            }))
            return settings;
    }
}

TEST_P(FailingDashboard, ReceivesExactlyOnePostForEachMatch) {
    Session session(GetParam());
    // Two whole matches, neither left nor reloaded (checked below), one after another.
    const PlayedSession played = session.Play(TwoWholeMatches());
    int uploads = 0;
    for (const sb::SimulatedResult& match : played.matches) {
        ASSERT_FALSE(match.outcome.localLeft || match.outcome.reloadedInPlay || match.outcome.reloadedInMmrWait);
        uploads += ExpectedOf(match).upload;
    }
    EXPECT_EQ(uploads, 2);
    EXPECT_EQ(session.Requests().size(), 2u);
    EXPECT_EQ(std::count(session.Lines().begin(), session.Lines().end(), "[ZANDO] Upload attempt completed"), 2);
}

INSTANTIATE_TEST_SUITE_P(Answers, FailingDashboard,
                         ::testing::Values(std::vector<std::string>{"--statuses", "500"},
                                           std::vector<std::string>{"--behaviour", "hang"}));

// The simulated local player's figures are in the ranges of real ranked play: over 20 seeds of each
// mode, a time-weighted average speed with a median of 1,350 to 1,700 units/s, and a median of 250 to
// 500 boost (pads' worth) collected a minute.
TEST(SimulatedPlay, SpeedAndBoostAreInTheRangesOfRankedPlay) {
    for (int teamSize = 1; teamSize <= 3; ++teamSize) {
        std::vector<double> speeds, boostPerMinute;
        for (std::uint64_t seed = 1; seed <= 20; ++seed) {
            sb::MatchSimulator simulator({seed, teamSize, 1.0, 1}, [](const sb::TraceRecord&) {});
            simulator.Run();
            const sb::LocalTruth& truth = simulator.Truth();
            if (truth.drivingSeconds < 60.0) continue;  // left in the first minute
            speeds.push_back(truth.AverageSpeed());
            boostPerMinute.push_back(truth.boostCollected / (truth.drivingSeconds / 60.0));
        }
        ASSERT_GE(speeds.size(), 15u);
        const auto median = [](std::vector<double> values) {
            std::sort(values.begin(), values.end());
            const std::size_t n = values.size();
            return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
        };
        SCOPED_TRACE(std::to_string(teamSize) + "v" + std::to_string(teamSize));
        EXPECT_GE(median(speeds), 1350.0);
        EXPECT_LE(median(speeds), 1700.0);
        EXPECT_GE(median(boostPerMinute), 250.0);
        EXPECT_LE(median(boostPerMinute), 500.0);
    }
}
