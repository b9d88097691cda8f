// The plug-in, played in the sandbox, uploading to zando-dashboard: a session kept once with the
// figures and zones the plug-in recorded, its replay adding nothing, and each answer's console line.
#include "base/grid.h"
#include "base/shot_place.h"
#include "dashboard_support.h"
#include "history/match_history.h"
#include "history_rows.h"
#include "upload/heatmap_downsampling.h"

using zando_test::DashboardTest;
using zando_test::PlayUploading;

namespace {

int Count(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

constexpr const char* Uploaded = "[ZANDO] ✅ Stats uploaded successfully! (Status: 200)";

// A history row's zones as a 62 x 50 grid, each zone's count times perZone.
template <class Cell>
Grid<Cell> ZoneGrid(const std::string& zones, Cell perZone) {
    Grid<Cell> grid(GridRows, GridCols);
    for (const zando::ZoneCount& zone : zando::ZoneCountsFromText(zones)) grid[zone.row][zone.col] += zone.count * perZone;
    return grid;
}

}  // namespace

TEST_P(DashboardTest, ThePluginsSessionIsKeptOnceWithItsFiguresAndZonesAndItsReplayAddsNothing) {
    const std::string key = NewKey("alice");
    auto service = Start();
    const zando_test::ProcessResult played =
        PlayUploading(dir.path(), "home", service->Url(), key,
                      "simulate --seed 8 --mode 1v1 --matches 3 --out " + (dir.path() / "session.jsonl").string());
    ASSERT_EQ(played.exitCode, 0) << played.err;
    const auto history = zando_test::ReadHistoryFile(dir.path() / "home" / "data" / "zando_history.sqlite3");
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(Count(played.out, Uploaded), 3) << played.out;

    const std::vector<dashboard::StoredMatch> kept = MatchesOf(key);
    ASSERT_EQ(kept.size(), history.size());
    for (std::size_t i = 0; i < kept.size(); ++i) {
        SCOPED_TRACE("match " + std::to_string(i + 1));
        const dashboard::UploadedMatch& m = kept[i].match;
        const auto& row = history[i];
        EXPECT_EQ(row.at("uploaded"), "1");
        EXPECT_EQ(m.shots, std::stoll(row.at("shots")));
        EXPECT_EQ(m.goals, std::stoll(row.at("goals")));
        EXPECT_EQ(m.playlist, row.at("playlist_name"));
        EXPECT_EQ(m.isRanked, row.at("ranked") == "1");
        EXPECT_NEAR(m.mmrChange, std::stod(row.at("mmr_change")), 1e-3);
        EXPECT_NEAR(m.averageSpeed, std::stod(row.at("average_speed")), 1e-2);
        EXPECT_NEAR(m.boostUsed, std::stod(row.at("boost_used")), 1e-2);
        EXPECT_NEAR(m.possessionTime, std::stod(row.at("possession_time")), 1e-3);
        // Sent whole to this service: the result, score, counts and places the history kept.
        ASSERT_TRUE(m.whole);
        EXPECT_EQ(m.whole->result, row.at("result"));
        EXPECT_EQ(std::to_string(m.whole->scoreFor.value_or(-1)), row.at("score_for"));
        EXPECT_EQ(std::to_string(m.whole->saves), row.at("saves"));
        EXPECT_EQ(m.whole->startedAt, row.at("started_at"));
        const std::optional<std::vector<ShotPlace>> places = zando::ParseShotPlaces(row.at("shot_places"));
        ASSERT_TRUE(places);
        ASSERT_EQ(m.whole->places.size(), places->size());
        for (std::size_t p = 0; p < places->size(); ++p) {
            EXPECT_EQ(m.whole->places[p].goal, (*places)[p].goal);
            EXPECT_NEAR(m.whole->places[p].ball.y, (*places)[p].ball.y, 0.5) << "sent with six digits";
            EXPECT_NEAR(m.whole->places[p].clock, (*places)[p].clock, 0.01);
        }
        const Grid<float> shots = zando::DownsampleShotHeatmap(ZoneGrid(row.at("shot_zones"), 5.0f));
        const Grid<int32_t> goals = zando::DownsampleGoalHeatmap(ZoneGrid(row.at("goal_zones"), int32_t{1}));
        for (int r = 0; r < 10; ++r)
            for (int c = 0; c < 10; ++c) {
                EXPECT_NEAR(m.shotHeatmap[r][c], shots[r][c], 1e-4) << r << "," << c;
                EXPECT_EQ(m.goalHeatmap[r][c], goals[r][c]) << r << "," << c;
            }
    }

    // The session replayed from its trace sends the same matches again: each is answered 200 and none is kept twice.
    const zando_test::ProcessResult replayed =
        PlayUploading(dir.path(), "replay-home", service->Url(), key, "replay " + (dir.path() / "session.jsonl").string());
    ASSERT_EQ(replayed.exitCode, 0) << replayed.err;
    EXPECT_EQ(Count(replayed.out, Uploaded), 3) << replayed.out;
    EXPECT_EQ(MatchesOf(key).size(), 3u);
}

TEST_P(DashboardTest, ThePluginSaysWhatTheServiceAnswered) {
    const std::string valid = NewKey("alice"), revoked = NewKey("bob"), limited = NewKey("carol");
    ASSERT_EQ(Command("keys revoke 2").exitCode, 0);
    auto service = Start("--uploads-per-minute 1");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {valid, Uploaded},
        {"zk_" + std::string(64, '7'), "[ZANDO] ✗ Upload failed: Invalid API key (401) - Check your API key in settings"},
        {revoked, "[ZANDO] ✗ Upload failed: Forbidden (403) - API key may be revoked"},
        {limited, "[ZANDO] ⚠ Upload returned unexpected status: 429"},
    };
    for (const auto& [key, line] : cases) {
        // The limited key's one upload of the minute is spent just before its match, not a minute of
        // slow (sanitized) matches earlier.
        if (key == limited) {
            ASSERT_EQ(service->Upload(limited, zando_test::MatchBody(0).dump())->status, 200);
        }
        const zando_test::ProcessResult played = PlayUploading(dir.path(), "home-" + key.substr(0, 12), service->Url(), key,
                                                               "simulate --seed 3 --mode 1v1 --matches 1");
        EXPECT_EQ(Count(played.out, line), 1) << played.out;
    }
    EXPECT_EQ(MatchesOf(valid).size(), 1u);
}

// Over HTTPS with a certificate of the server's own authority, which the plug-in is told to trust.
TEST(DashboardHttps, ThePluginUploadsOverHttpsToACertificateOfTheServersOwnAuthority) {
    zando_test::TempDir dir;
    ASSERT_EQ(std::system(("sh " ZANDO_DASHBOARD_CERTIFICATES_PATH " " + dir.path().string() + " >/dev/null 2>&1").c_str()), 0);
    const std::string database = (dir.path() / "dashboard.sqlite3").string();
    const std::string key = zando_test::CreateKey(dir.path(), database, "alice");
    zando_test::DashboardProcess service(
        dir.path(), database,
        "--tls-cert " + (dir.path() / "server.pem").string() + " --tls-key " + (dir.path() / "server.key").string());
    const zando_test::ProcessResult played =
        PlayUploading(dir.path(), "home", service.Url("https"), key, "simulate --seed 3 --mode 1v1 --matches 1",
                      "ZANDO_CA_BUNDLE=" + (dir.path() / "ca.pem").string() + " ");
    EXPECT_EQ(Count(played.out, Uploaded), 1) << played.out << played.err;
}
