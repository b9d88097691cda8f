// The dashboard's pages in headless Chromium, against both databases, after the plug-in uploaded a
// session: what the browser shows is checked by tests/browser/dashboard_pages.mjs against figures
// this test works out from the plug-in's own history file and from the bodies it sent by hand.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>

#include "base/grid.h"
#include "base/shot_place.h"
#include "dashboard_support.h"
#include "history/match_history.h"
#include "history_rows.h"

using zando_test::DashboardTest;
using zando_test::MatchBody;

namespace {

// The first zone of block i along a side of zones zones, as the plug-in splits the field (in float).
int Edge(int zones, int i) { return static_cast<int>(static_cast<float>(i) * (static_cast<float>(zones) / 10.0f)); }
int BlockOf(int zones, int zone) {
    int block = 0;
    while (block < 9 && zone >= Edge(zones, block + 1)) ++block;
    return block;
}

std::string Signed(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%+.1f", value);
    return std::string(text) == "+0.0" || std::string(text) == "-0.0" ? "0.0" : text;
}

}  // namespace

TEST_P(DashboardTest, ThePagesShowWhatWasUploadedInARealBrowser) {
    const std::string alice = NewKey("alice"), bob = NewKey("bob"), carol = NewKey("carol");
    auto service = Start("--uploads-per-minute 0");
    const zando_test::ProcessResult played =
        zando_test::PlayUploading(dir.path(), "home", service->Url(), alice, "simulate --seed 21 --mode 1v1 --matches 3");
    ASSERT_EQ(played.exitCode, 0) << played.err;
    const auto history = zando_test::ReadHistoryFile(dir.path() / "home" / "data" / "zando_history.sqlite3");
    ASSERT_EQ(history.size(), 3u);

    // Older matches sent by hand, a month apart from the session: 27 plain ones (enough for a second
    // page of the list), one with 2 shots in the first block (30 zones), and one whose playlist is hostile text.
    const std::string hostile =
        "<script>window.hacked=1</script> \"Rankéd\" 'Dóubles' — Лига чемпионов 冠军联赛 🚀 "
        "a very long playlist title that goes on and on beyond any column's width";
    std::vector<int64_t> shots;
    std::map<std::string, int> perPlaylist;
    for (int n = 0; n < 29; ++n) {
        nlohmann::json body =
            MatchBody(n, "2026-01-" + std::string(n + 1 < 10 ? "0" : "") + std::to_string(n + 1) + "T12:00:00Z");
        for (auto& row : body["shotHeatmap"])
            for (auto& cell : row) cell = 0.0;
        if (n == 27) body["shotHeatmap"][0][0] = 2 * 5.0 / 30.0;
        if (n == 28) body["playlist"] = hostile;
        shots.push_back(body["shots"]);
        ++perPlaylist[body["playlist"]];
        ASSERT_EQ(service->Upload(alice, body.dump())->status, 200);
    }
    ASSERT_EQ(service->Upload(bob, MatchBody(40).dump())->status, 200);
    ASSERT_EQ(Command("accounts public bob on").exitCode, 0);
    EXPECT_EQ(Command("accounts public nobody on").exitCode, 7);

    // The figures the pages should show, from the plug-in's history and the bodies above.
    nlohmann::json session = nlohmann::json::object();
    Grid<int64_t> zones(10, 10);
    zones[0][0] = 2;
    for (const auto& row : history) {
        shots.push_back(std::stoll(row.at("shots")));
        ++perPlaylist[row.at("playlist_name")];
        auto& playlist = session[row.at("playlist_name")];
        if (playlist.is_null()) playlist = {{"matches", 0}, {"wins", 0}, {"losses", 0}, {"gained", 0.0}};
        const double change = std::stod(row.at("mmr_change"));
        const bool rated = std::stod(row.at("mmr_before")) > 0;
        playlist["matches"] = playlist["matches"].get<int>() + 1;
        // The plug-in sends this dashboard the whole match: wins and losses are its score's.
        playlist["wins"] = playlist["wins"].get<int>() + (row.at("result") == "win");
        playlist["losses"] = playlist["losses"].get<int>() + (row.at("result") == "loss");
        playlist["gained"] = playlist["gained"].get<double>() + (rated ? change : 0.0);
        for (const zando::ZoneCount& zone : zando::ZoneCountsFromText(row.at("shot_zones")))
            zones[BlockOf(GridRows, zone.row)][BlockOf(GridCols, zone.col)] += zone.count;
    }
    for (auto& [name, playlist] : session.items()) playlist["gained"] = Signed(playlist["gained"]);
    std::sort(shots.begin(), shots.end());
    // The session's shots and goals with their places (each match sent whole), on the zones page's true grid.
    int placedShots = 0, placedGoals = 0;
    for (const auto& row : history) {
        const std::optional<std::vector<ShotPlace>> places = zando::ParseShotPlaces(row.at("shot_places"));
        ASSERT_TRUE(places) << row.at("shot_places");
        for (const ShotPlace& place : *places) ++(place.goal ? placedGoals : placedShots);
    }
    nlohmann::json zoneRows = nlohmann::json::array();
    for (int r = 0; r < 10; ++r) {
        zoneRows.push_back(nlohmann::json::array());
        for (int c = 0; c < 10; ++c) zoneRows.back().push_back(zones[r][c]);
    }
    const auto& newest = history.back();
    const auto mostGoals = std::max_element(history.begin(), history.end(), [](const auto& a, const auto& b) {
        return std::stoi(a.at("goals")) < std::stoi(b.at("goals"));
    });
    ASSERT_GT(std::stoi(mostGoals->at("goals")), 0);
    const auto mostPlayed = std::max_element(perPlaylist.begin(), perPlaylist.end(),
                                             [](const auto& a, const auto& b) { return a.second < b.second; });
    const nlohmann::json expected = {
        {"matches", 32},
        {"charted", mostPlayed->second},  // the trends of the playlist played most
        {"mostPlayed", mostPlayed->first},
        {"rankedDoubles", perPlaylist["Ranked Doubles"]},
        {"session", session},
        {"newest", {{"shots", newest.at("shots")}, {"goals", newest.at("goals")}}},
        // The session's match of the most goals, its row in the list of matches (newest first).
        {"fieldMatch",
         {{"row", history.size() - 1 - static_cast<std::size_t>(mostGoals - history.begin())},
          {"goals", mostGoals->at("goals")},
          {"team", std::stoi(mostGoals->at("team"))},
          {"result", std::string(mostGoals->at("result") == "win"    ? "Won "
                                 : mostGoals->at("result") == "loss" ? "Lost "
                                                                     : "Left ") +
                         mostGoals->at("score_for") + "-" + mostGoals->at("score_against")},
          {"places", std::count(mostGoals->at("shot_places").begin(), mostGoals->at("shot_places").end(), ';') +
                         !mostGoals->at("shot_places").empty()}}},
        {"fewestShots", shots.front()},
        {"mostShots", shots.back()},
        {"zones", zoneRows},
        {"placed", {placedShots, placedGoals}},
        {"hostile", hostile},
        {"januaryMatches", 29},
        {"publicAccount", "bob"},
    };
    std::ofstream(dir.path() / "expected.json") << expected.dump();

    const std::string command = std::string("ZANDO_URL=") + service->Url() + " ZANDO_KEY=" + alice + " ZANDO_OTHER_KEY=" + bob +
                                " ZANDO_EMPTY_KEY=" + carol + " ZANDO_EXPECTED=" + (dir.path() / "expected.json").string() +
                                " node " ZANDO_BROWSER_TESTS_PATH "/dashboard_pages.mjs";
    const zando_test::ProcessResult browsed = zando_test::RunCommand(command, dir.path());
    EXPECT_EQ(browsed.exitCode, 0) << browsed.out << browsed.err;
    EXPECT_NE(browsed.out.find("every check passed"), std::string::npos) << browsed.out;
}
