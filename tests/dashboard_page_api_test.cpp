// The pages' sign-in and JSON API against both databases: a session cookie from an account's key,
// pages of matches filtered and ordered, one match by its id, and nothing of another account.
#include <chrono>
#include <cstdio>
#include <map>
#include <regex>
#include <set>

#include "base/grid.h"
#include "dashboard/html_text.h"
#include "dashboard/schema.h"
#include "dashboard/upload_format.h"
#include "dashboard_support.h"
#include "history/match_history.h"
#include "history_rows.h"
#include "upload/heatmap_downsampling.h"

using zando_test::DashboardTest;
using zando_test::MatchBody;

namespace {

// A signed-in client: the cookie of "POST /signin".
struct SignedIn {
    httplib::Client client;
    std::string cookie;
    httplib::Result Get(const std::string& path) { return client.Get(path, {{"Cookie", cookie}}); }
};

std::string SignIn(int port, const std::string& key) {
    httplib::Client client("127.0.0.1", port);
    const auto answer = client.Post("/signin", httplib::Params{{"key", key}});
    if (!answer || answer->status != 303) return {};
    const std::string set = answer->get_header_value("Set-Cookie");
    return set.substr(0, set.find(';'));
}

std::vector<int64_t> Shots(const nlohmann::json& page) {
    std::vector<int64_t> shots;
    for (const auto& match : page["matches"]) shots.push_back(match["shots"]);
    return shots;
}

}  // namespace

TEST_P(DashboardTest, ASignedInAccountPagesThroughItsOwnMatchesOnly) {
    const std::string alice = NewKey("alice"), bob = NewKey("bob");
    auto service = Start("--uploads-per-minute 0");
    // Seven matches of alice a day apart, the odd ones in another playlist; two of bob's.
    for (int n = 0; n < 7; ++n) {
        nlohmann::json body = MatchBody(n, "2026-12-0" + std::to_string(n + 1) + "T20:00:00Z");
        if (n % 2) body["playlist"] = "Casual <Duel> \"quoted\"";
        ASSERT_EQ(service->Upload(alice, body.dump())->status, 200);
    }
    for (int n = 10; n < 12; ++n) ASSERT_EQ(service->Upload(bob, MatchBody(n).dump())->status, 200);

    httplib::Client anonymous("127.0.0.1", service->Port());
    EXPECT_EQ(anonymous.Get("/api/matches")->status, 401);
    EXPECT_EQ(anonymous.Get("/api/matches", {{"Cookie", "zando_session=" + std::string(64, 'a')}})->status, 401);
    EXPECT_EQ(anonymous.Post("/signin", httplib::Params{{"key", "zk_wrong"}})->status, 401);
    const auto signedIn = anonymous.Post("/signin", httplib::Params{{"key", alice}});
    ASSERT_TRUE(signedIn);
    EXPECT_EQ(signedIn->status, 303);
    const std::string set = signedIn->get_header_value("Set-Cookie");
    for (const char* attribute : {"; HttpOnly", "; SameSite=Strict", "; Max-Age=1209600", "; Path=/"})
        EXPECT_NE(set.find(attribute), std::string::npos) << set;
    EXPECT_EQ(set.find("Secure"), std::string::npos) << "plain HTTP";

    SignedIn session{httplib::Client("127.0.0.1", service->Port()), set.substr(0, set.find(';'))};
    const std::vector<std::pair<std::string, std::vector<int64_t>>> pages = {
        {"/api/matches", {9, 8, 7, 6, 5, 4, 3}},  // newest first; shots are 3 + n
        {"/api/matches?perPage=3&page=2", {6, 5, 4}},
        {"/api/matches?perPage=3&page=3", {3}},
        {"/api/matches?perPage=3&page=4", {}},
        {"/api/matches?playlist=Ranked%20Doubles", {9, 7, 5, 3}},
        {"/api/matches?playlist=Casual%20%3CDuel%3E%20%22quoted%22&order=asc", {4, 6, 8}},
        {"/api/matches?from=2026-12-02T00:00:00Z&to=2026-12-04T23:59:59Z", {6, 5, 4}},
        {"/api/matches?sort=shots&order=asc&perPage=2", {3, 4}},
        {"/api/matches?sort=mmrChange&order=desc&perPage=4", {9, 7, 5, 3}},  // +11 for even n, -9 for odd
    };
    for (const auto& [path, shots] : pages) {
        const auto answer = session.Get(path);
        ASSERT_TRUE(answer);
        ASSERT_EQ(answer->status, 200) << path << answer->body;
        EXPECT_EQ(Shots(nlohmann::json::parse(answer->body)), shots) << path;
    }
    const nlohmann::json second = nlohmann::json::parse(session.Get("/api/matches?perPage=3&page=2")->body);
    EXPECT_EQ(second["total"], 7);
    EXPECT_EQ(second["matches"][0]["averageSpeedKmh"].get<double>(), (1234.5 + 3) * 0.036);
    for (const char* bad : {"/api/matches?page=0", "/api/matches?perPage=501", "/api/matches?sort=name", "/api/matches?order=up",
                            "/api/matches?page=x", "/api/matches?page=9223372036854775807&perPage=500"})
        EXPECT_EQ(session.Get(bad)->status, 400) << bad;

    // One match by its id with its grids; bob's matches are not there for alice, whatever their id.
    const int64_t id = second["matches"][0]["id"];
    const nlohmann::json match = nlohmann::json::parse(session.Get("/api/matches/" + std::to_string(id))->body);
    EXPECT_EQ(match["shotHeatmap"], MatchBody(3)["shotHeatmap"]);
    EXPECT_EQ(match["goalHeatmap"], MatchBody(3)["goalHeatmap"]);
    SignedIn bobs{httplib::Client("127.0.0.1", service->Port()), SignIn(service->Port(), bob)};
    const nlohmann::json bobsPage = nlohmann::json::parse(bobs.Get("/api/matches")->body);
    ASSERT_EQ(bobsPage["total"], 2);
    EXPECT_EQ(session.Get("/api/matches/" + std::to_string(bobsPage["matches"][0]["id"].get<int64_t>()))->status, 404);
    EXPECT_EQ(bobs.Get("/api/matches/" + std::to_string(id))->status, 404);
    EXPECT_EQ(bobs.Get("/api/matches/99999999999999999999999")->status, 404);

    // Signing out ends the session on the server, not only in the browser.
    httplib::Client out("127.0.0.1", service->Port());
    EXPECT_EQ(out.Post("/signout", {{"Cookie", session.cookie}}, "", "text/plain")->status, 303);
    EXPECT_EQ(session.Get("/api/matches")->status, 401);
    EXPECT_EQ(bobs.Get("/api/matches")->status, 200);
}

// A database of the first schema, with a key and a match in it, is brought up to date at start and
// keeps both.
TEST_P(DashboardTest, ADatabaseOfTheFirstSchemaIsBroughtUpToDateWithItsMatchesKept) {
    const std::vector<dashboard::Migration> steps = dashboard::Migrations(
        GetParam() == zando_test::Engine::Sqlite ? dashboard::Dialect::Sqlite : dashboard::Dialect::Postgres);
    for (const std::string& statement : steps.front().statements) Sql(statement);
    Sql("CREATE TABLE schema_migrations (version INTEGER PRIMARY KEY, applied_at TEXT NOT NULL)");
    Sql("INSERT INTO schema_migrations VALUES (1, 'then')");
    Sql("INSERT INTO accounts (name, created_at) VALUES ('alice', 'then')");
    const std::string key = "zk_" + std::string(64, '1');
    const std::string hash = dashboard::ServerSecret::LoadOrCreate(dir.path() / "server.secret").KeyHash(key);
    Sql("INSERT INTO api_keys (account_id, key_hash, prefix, created_at) VALUES (1, '" + hash + "', 'zk_111111...', 'then')");
    Sql("INSERT INTO matches (account_id, received_at, sent_at, shots, goals, average_speed, speed_samples,"
        " boost_collected, boost_used, game_time, possession_time, team_possession_time, opponent_possession_time,"
        " playlist, is_ranked, mmr, mmr_change, fingerprint) VALUES (1, 'then', '2026-11-30T20:00:00Z', 2, 1, 1000, 100,"
        " 10, 10, 300, 30, 60, 60, 'Ranked Doubles', TRUE, 1000, 5, 'old')");
    Sql("INSERT INTO match_zones VALUES (1, 'shot', 0, 3, 1.5)");
    auto service = Start();
    ASSERT_EQ(service->Upload(key, MatchBody(4).dump())->status, 200);
    SignedIn session{httplib::Client("127.0.0.1", service->Port()), SignIn(service->Port(), key)};
    EXPECT_EQ(Shots(nlohmann::json::parse(session.Get("/api/matches")->body)), (std::vector<int64_t>{7, 2}));
    // The totals of every match (summed when the schema was brought up to date, then added to by the
    // upload) say what the matches themselves say.
    const nlohmann::json totals = nlohmann::json::parse(session.Get("/api/zones")->body);
    EXPECT_EQ(totals, nlohmann::json::parse(session.Get("/api/zones?last=50")->body));
    EXPECT_EQ(totals["matches"], 2);
    EXPECT_EQ(totals["shots"], 9);
    dashboard::MatchQuery every;
    every.limit = -1;
    const dashboard::MatchAverages means = dashboard::OpenStorage(Database())->Averages(1, every);
    EXPECT_EQ(means.matches, 2);
    EXPECT_DOUBLE_EQ(means.averageSpeed, (1000.0 + 1238.5) / 2) << "the old match's figures are in the sums";
    EXPECT_DOUBLE_EQ(means.gameTime, (300.0 + 304.0) / 2);
    // The days' and months' totals too, with the old match's rating after it.
    EXPECT_EQ(nlohmann::json::parse(session.Get("/api/matches?from=2026-11-30&to=2026-11-30")->body)["total"], 1);
    EXPECT_EQ(nlohmann::json::parse(session.Get("/api/matches?from=2026-11-01&to=2026-12-31")->body)["total"], 2);
    const std::vector<dashboard::PeriodTotals> day =
        dashboard::OpenStorage(Database())->Periods(1, {dashboard::PeriodUnit::Day, "2026-11-30", "2026-11-30"}, "");
    ASSERT_EQ(day.size(), 1u);
    EXPECT_EQ(day[0].matches, 1);
    EXPECT_DOUBLE_EQ(day[0].rating, 1005.0);
    EXPECT_EQ(dashboard::OpenStorage(Database())->SchemaVersion(), dashboard::LatestSchemaVersion());
}

// The overview's figures: the last session (an hour without a match ends one), and a point a match.
TEST_P(DashboardTest, TheSummaryTellsTheLastSessionPerPlaylistAndAPointAMatch) {
    const std::string alice = NewKey("alice");
    auto service = Start();
    const std::vector<std::pair<std::string, std::string>> played = {
        {"2026-12-01T18:00:00Z", "Ranked Doubles"},  // two hours before the session: not in it
        {"2026-12-01T20:00:00Z", "Ranked Doubles"},
        {"2026-12-01T20:40:00Z", "Ranked Duel"},
        {"2026-12-01T21:20:00Z", "Ranked Doubles"},
    };
    // The newest is sent whole: won 3-1 by its score, though its rating went down.
    for (std::size_t n = 0; n < played.size(); ++n) {
        const bool whole = n + 1 == played.size();
        nlohmann::json body = (whole ? zando_test::WholeMatchBody : MatchBody)(static_cast<int>(n), played[n].first);
        body["playlist"] = played[n].second;
        ASSERT_EQ(service->Upload(alice, body.dump(), "", whole ? "/api/v2/matches" : "/api/stats/upload")->status, 200);
    }
    SignedIn session{httplib::Client("127.0.0.1", service->Port()), SignIn(service->Port(), alice)};
    const nlohmann::json summary = nlohmann::json::parse(session.Get("/api/summary")->body);
    EXPECT_EQ(summary["matches"], 4);
    EXPECT_FALSE(summary["session"]["ongoing"]);
    EXPECT_EQ(summary["session"]["started"], "2026-12-01T20:00:00Z");
    // MatchBody's rating goes up 11 for even n and down 9 for odd n: the session holds n = 1, 2, 3, the
    // last of them won by its score.
    EXPECT_EQ(summary["session"]["playlists"],
              nlohmann::json::parse(R"([{"playlist":"Ranked Doubles","matches":2,"wins":1,"losses":1,"mmrGained":-18.0},
                                        {"playlist":"Ranked Duel","matches":1,"wins":1,"losses":0,"mmrGained":11.0}])"));
    const nlohmann::json& points = summary["trend"]["points"];
    ASSERT_EQ(points.size(), 4u);
    EXPECT_EQ(points[0]["timestamp"], "2026-12-01T18:00:00Z") << "oldest first";
    EXPECT_DOUBLE_EQ(points[1]["mmr"].get<double>(), 1012.0 - 9.0);
    EXPECT_DOUBLE_EQ(points[1]["boostCollectedPerMinute"].get<double>(), 812.25 / (301.0 / 60.0));
    EXPECT_DOUBLE_EQ(points[1]["shootingPercent"].get<double>(), 100.0 / 4.0);
    EXPECT_DOUBLE_EQ(points[1]["possessionPercent"].get<double>(), 100.0 * 41.5 / 301.0);
    EXPECT_DOUBLE_EQ(points[1]["speedKmh"].get<double>(), 1235.5 * 0.036);
    EXPECT_EQ(summary["lastMatches"][0]["timestamp"], "2026-12-01T21:20:00Z");
    EXPECT_EQ(summary["lastMatches"][0]["result"], "win");
    EXPECT_EQ(summary["lastMatches"][1]["result"], nullptr) << "sent without it";

    // Its page: the result and score, both goals named from the player's side (orange's is theirs), each
    // shot and goal on the field to scale: the goal's ball (-5150 along, 300 across) inside blue's goal.
    const int64_t id = summary["lastMatches"][0]["id"];
    const std::string page = session.Get("/matches/" + std::to_string(id))->body;
    for (const char* shown :
         {"id=\"result\">Won 3-1<", ">Blue goal (opponents", ">Orange goal (yours)<",
          "<rect class=\"goal goal-blue\" x=\"-6000\" y=\"-893\" width=\"880\" height=\"1786\"/>",
          "<title>Goal at 1:02, the ball at 82 km/h</title>", "cx=\"-5150\" cy=\"300\" r=\"70\" class=\"ball\"",
          "<title>Shot at 1:01, the ball at 83 km/h</title>", ">Saves<"})
        EXPECT_NE(page.find(shown), std::string::npos) << shown;
    const std::string older = session.Get("/matches/" + summary["lastMatches"][1]["id"].dump())->body;
    EXPECT_NE(older.find("Sent by a ZANDO that does not send the score"), std::string::npos);
    EXPECT_EQ(older.find("<svg"), std::string::npos);
    const nlohmann::json duel = nlohmann::json::parse(session.Get("/api/summary?playlist=Ranked%20Duel&last=all")->body);
    EXPECT_EQ(duel["trend"]["points"].size(), 1u);
    EXPECT_EQ(session.Get("/api/summary?last=7")->status, 400);
}

// The zones page's shots per block are the plug-in's shots, counted in the blocks the plug-in's own
// reduction puts their zones in.
TEST_P(DashboardTest, TheZonesTurnThePluginsShotGridsBackIntoItsShots) {
    const std::string key = NewKey("alice");
    auto service = Start();
    const zando_test::ProcessResult played =
        zando_test::RunCommand(std::string(ZANDO_SANDBOX_PATH) + " --home " + (dir.path() / "home").string() +
                                   " --exec \"zando_enable_upload 1; zando_api_key " + key + "; zando_server_url " +
                                   service->Url() + "\" simulate --seed 5 --mode 1v1 --matches 3",
                               dir.path());
    ASSERT_EQ(played.exitCode, 0) << played.err;
    dashboard::UploadGrid<int64_t> expected{};
    int64_t shots = 0, goals = 0;
    for (const auto& row : zando_test::ReadHistoryFile(dir.path() / "home" / "data" / "zando_history.sqlite3")) {
        goals += std::stoll(row.at("goals"));
        for (const zando::ZoneCount& zone : zando::ZoneCountsFromText(row.at("shot_zones"))) {
            Grid<float> alone(GridRows, GridCols);
            alone[zone.row][zone.col] = 5.0f;
            const Grid<float> blocks = zando::DownsampleShotHeatmap(alone);
            for (int r = 0; r < 10; ++r)
                for (int c = 0; c < 10; ++c)
                    if (blocks[r][c] > 0.0f) expected[r][c] += zone.count;
            shots += zone.count;
        }
    }
    ASSERT_GT(shots, 0);
    SignedIn session{httplib::Client("127.0.0.1", service->Port()), SignIn(service->Port(), key)};
    const nlohmann::json zones = nlohmann::json::parse(session.Get("/api/zones")->body);
    EXPECT_EQ(zones["matches"], 3);
    EXPECT_EQ(zones["shotsPerBlock"], nlohmann::json(expected));
    EXPECT_EQ(zones["shots"], shots);
    EXPECT_DOUBLE_EQ(zones["goalsPerMatch"].get<double>(), static_cast<double>(goals) / 3.0);
}

// The matches sent whole, on the field's true grid: each match turned so that its player attacks to
// the right, the same squares whether read from the running totals (every match, a playlist) or summed
// from the matches a range or a last-N picks; a match without places or without a team adds nothing.
TEST_P(DashboardTest, TheZonesCountEachWholeMatchsShotsOnTheTrueGridTurnedToTheGoalAttacked) {
    const std::string key = NewKey("alice");
    auto service = Start();
    nlohmann::json orange = zando_test::WholeMatchBody(1, "2026-12-01T20:00:00Z");  // team 1: cars at (120, -3100)
    nlohmann::json blue = zando_test::WholeMatchBody(2, "2026-12-02T20:00:00Z");
    blue["team"] = 0;
    blue["playlist"] = "Casual Doubles";
    blue["isRanked"] = false;
    blue["places"] = nlohmann::json::parse(R"([
        {"kind": "shot", "clock": 10, "car": [-4500, 6000, 17], "ball": [0, 5000, 93], "ballSpeed": 1000},
        {"kind": "shot", "clock": 20, "car": [1000, -1000, 17], "ball": [0, 0, 93], "ballSpeed": 1000}])");
    nlohmann::json teamless = zando_test::WholeMatchBody(3, "2026-12-03T20:00:00Z");
    teamless["team"] = nullptr;
    for (const auto& [body, path] : {std::pair{orange, "/api/v2/matches"}, std::pair{blue, "/api/v2/matches"},
                                     std::pair{teamless, "/api/v2/matches"}, std::pair{MatchBody(4), "/api/stats/upload"}})
        ASSERT_EQ(service->Upload(key, body.dump(), "", path)->status, 200) << path;

    // (row, column): 16 rows across (x + 4096) / 512, 20 columns along (y + 5120) / 512, orange's turned.
    nlohmann::json shots = nlohmann::json::array(), goals = nlohmann::json::array();
    for (int r = 0; r < 16; ++r) {
        shots.push_back(std::vector<int>(20, 0));
        goals.push_back(std::vector<int>(20, 0));
    }
    shots[7][16] = 1;  // orange at (120, -3100): (-120, 3100) turned
    goals[7][16] = 1;
    shots[0][19] = 1;  // beyond the corner: the edge's square
    shots[9][8] = 1;
    SignedIn session{httplib::Client("127.0.0.1", service->Port()), SignIn(service->Port(), key)};
    for (const char* query : {"", "?from=2026-11-01", "?last=10", "?to=2026-12-02T23:00:00Z"}) {
        const nlohmann::json places = nlohmann::json::parse(session.Get(std::string("/api/zones") + query)->body)["places"];
        EXPECT_EQ(places["squareUnits"], 512);
        EXPECT_EQ(places["shots"], shots) << query;
        EXPECT_EQ(places["goals"], goals) << query;
    }
    for (const char* query : {"?playlist=Casual%20Doubles", "?playlist=Casual%20Doubles&from=2026-12-02"}) {
        const nlohmann::json places = nlohmann::json::parse(session.Get(std::string("/api/zones") + query)->body)["places"];
        EXPECT_EQ(places["shots"][9][8], 1) << query;
        EXPECT_EQ(places["shots"][7][16], 0) << query;
        EXPECT_EQ(places["goals"][7][16], 0) << query;
    }

    const std::string page = session.Get("/zones")->body;
    EXPECT_NE(page.find("3 of the 22 shots counted have their place"), std::string::npos);  // 4 + 5 + 6 + 7 counted
    for (const char* shown : {"Your goal", "The goal you attack", "1 shot and 1 goal from here", "1 shot and 0 goals from here"})
        EXPECT_NE(page.find(shown), std::string::npos) << shown;
    const std::string empty = session.Get("/zones?playlist=Ranked%20Doubles&to=2026-11-30")->body;
    EXPECT_NE(empty.find("No match of these was sent with its shots"), std::string::npos);
}

// Real matches: each player of the whole matches among the test replays, played from the replay through
// the plug-in and sent whole. Each match page says the score, the result, the shots, goals, saves and
// assists the player's history holds (held to the frames by the replay tests), draws each goal placed there, and each goal's
// ball inside the goal attacked.
TEST_P(DashboardTest, EachRealMatchsPageShowsItsScoreAndEveryGoalInsideTheGoalAttacked) {
    const std::string key = NewKey("alice");
    auto service = Start("--uploads-per-minute 0");
    const char* counted[] = {"Shots", "Goals", "Saves", "Assists"};
    std::multiset<std::string> played;  // "Won 3-1, 4 2 1 0, 2 drawn" for each player
    for (const char* name : {"28fd.replay", "1afa.replay"}) {
        const std::string home = std::string("home-") + name;
        const zando_test::ProcessResult run = zando_test::PlayUploading(
            dir.path(), home, service->Url(), key,
            std::string("replay-game ") + ZANDO_SOURCE_DIR + "/tests/fixtures/replays/" + name + " --player all");
        ASSERT_EQ(run.exitCode, 0) << run.err;
        for (int n = 1; std::filesystem::exists(dir.path() / home / ("player-" + std::to_string(n))); ++n)
            for (const auto& row : zando_test::ReadHistoryFile(dir.path() / home / ("player-" + std::to_string(n)) / "data" /
                                                               "zando_history.sqlite3")) {
                const std::string result = row.at("result") == "win" ? "Won " : row.at("result") == "loss" ? "Lost " : "Left ";
                const std::string& places = row.at("shot_places");
                std::string figures = result + row.at("score_for") + "-" + row.at("score_against") + ",";
                for (const char* column : {"shots", "goals", "saves", "assists"}) figures += " " + row.at(column);
                played.insert(figures + ", " + std::to_string(std::count(places.begin(), places.end(), 'G')) + " drawn");
            }
    }
    ASSERT_GE(played.size(), 8u);  // every player of both (one joined 28fd late)

    SignedIn session{httplib::Client("127.0.0.1", service->Port()), SignIn(service->Port(), key)};
    const std::regex goalBox(R"re(<rect class="goal goal-(blue|orange)" x="(-?\d+)" y="(-?\d+)" width="(\d+)" height="(\d+)")re");
    const std::regex goalBall(R"re(<g class="place goal-place">.*?<circle cx="(-?\d+)" cy="(-?\d+)" r="70" class="ball")re");
    const std::regex result(R"re(id="result"[^>]*>([^<]*)<)re");
    std::multiset<std::string> shown;
    const auto list = session.Get("/api/matches?perPage=500");
    ASSERT_EQ(list->status, 200) << list->body;
    const nlohmann::json listed = nlohmann::json::parse(list->body);
    for (const auto& match : listed["matches"]) {
        const std::string id = std::to_string(match["id"].get<int64_t>());
        const int team = nlohmann::json::parse(session.Get("/api/matches/" + id)->body)["whole"]["team"];
        const std::string page = session.Get("/matches/" + id)->body;
        std::smatch found;
        ASSERT_TRUE(std::regex_search(page, found, result)) << id;
        std::string said = found[1].str() + ",";
        for (const char* figure : counted) {
            ASSERT_TRUE(
                std::regex_search(page, found, std::regex(std::string("<th scope=\"row\">") + figure + "</th><td[^>]*>([^<]*)<")))
                << figure;
            said += " " + found[1].str();
        }
        std::map<std::string, std::array<int, 4>> boxes;  // x, y, width, height in the picture
        for (auto at = std::sregex_iterator(page.begin(), page.end(), goalBox); at != std::sregex_iterator(); ++at)
            boxes[(*at)[1]] = {std::stoi((*at)[2]), std::stoi((*at)[3]), std::stoi((*at)[4]), std::stoi((*at)[5])};
        ASSERT_EQ(boxes.size(), 2u) << id;
        const std::array<int, 4> attacked = boxes.at(team == 0 ? "orange" : "blue");
        int goals = 0;
        for (auto at = std::sregex_iterator(page.begin(), page.end(), goalBall); at != std::sregex_iterator(); ++at, ++goals) {
            const int x = std::stoi((*at)[1]), y = std::stoi((*at)[2]);
            EXPECT_TRUE(x >= attacked[0] && x <= attacked[0] + attacked[2] && y >= attacked[1] && y <= attacked[1] + attacked[3])
                << "match " << id << " (team " << team << "): a goal's ball at " << x << ", " << y;
        }
        shown.insert(said + ", " + std::to_string(goals) + " drawn");
    }
    EXPECT_EQ(shown, played);
}

// The match page's playlist average is over every match of the playlist, not over a page of them.
TEST_P(DashboardTest, AMatchIsShownBesideTheAverageOfEveryMatchOfItsPlaylist) {
    const std::string key = NewKey("alice");
    auto service = Start("--uploads-per-minute 0");
    for (int n = 0; n < 61; ++n)  // shots 3 to 63: a mean of 33.0
        ASSERT_EQ(service->Upload(key, MatchBody(n).dump())->status, 200);
    SignedIn session{httplib::Client("127.0.0.1", service->Port()), SignIn(service->Port(), key)};
    const int64_t id = nlohmann::json::parse(session.Get("/api/matches?perPage=1")->body)["matches"][0]["id"];
    const std::string page = session.Get("/matches/" + std::to_string(id))->body;
    EXPECT_NE(page.find("beside the average of 61 Ranked Doubles matches"), std::string::npos) << page;
    EXPECT_NE(page.find("<th scope=\"row\">Shots</th><td class=\"num\">63</td><td class=\"num\">33.0</td>"), std::string::npos)
        << page;
}

// A sign-in lasts as long as the key it was made with: revoking that key ends it at once, while the
// sign-ins of the account's other keys go on; a sign-in that has expired is deleted, not kept forever.
TEST_P(DashboardTest, RevokingAKeyEndsItsSignInsAndExpiredSignInsAreDeleted) {
    const std::string first = NewKey("alice"), second = NewKey("alice");
    auto service = Start();
    SignedIn byFirst{httplib::Client("127.0.0.1", service->Port()), SignIn(service->Port(), first)};
    SignedIn bySecond{httplib::Client("127.0.0.1", service->Port()), SignIn(service->Port(), second)};
    EXPECT_EQ(byFirst.Get("/api/matches")->status, 200);
    ASSERT_EQ(Command("keys revoke 1").exitCode, 0);
    EXPECT_EQ(byFirst.Get("/api/matches")->status, 401);
    EXPECT_EQ(bySecond.Get("/api/matches")->status, 200);

    // An expired sign-in is gone once another is made: its token can be inserted again.
    const std::string expired =
        "INSERT INTO sign_ins (token_hash, account_id, created_at, expires_at, key_id)"
        " VALUES ('expired', 1, '2000-01-01T00:00:00Z', '2000-01-02T00:00:00Z', 2)";
    Sql(expired);
    ASSERT_FALSE(SignIn(service->Port(), second).empty());
    Sql(expired);
}

// Sign-in attempts are counted per address, right or wrong: past ten a minute they wait, while another
// address (told by the reverse proxy on this machine) still signs in.
TEST_P(DashboardTest, SignInAttemptsAreLimitedPerAddress) {
    const std::string key = NewKey("alice");
    auto service = Start();
    httplib::Client client("127.0.0.1", service->Port());
    const auto attempt = [&](const std::string& from, const std::string& tried, const std::string& accept = "*/*") {
        return client.Post("/signin", {{"X-Forwarded-For", "198.51.100.7, " + from}, {"Accept", accept}},
                           httplib::Params{{"key", tried}});
    };
    for (int n = 0; n < 10; ++n) EXPECT_EQ(attempt("203.0.113.5", "zk_guess" + std::to_string(n))->status, 401) << n;
    const auto refused = attempt("203.0.113.5", key);
    EXPECT_EQ(refused->status, 429);
    EXPECT_GE(std::stoi(refused->get_header_value("Retry-After")), 1);
    const auto browser = attempt("203.0.113.5", key, "text/html");
    EXPECT_EQ(browser->status, 303);
    EXPECT_EQ(browser->get_header_value("Location"), "/signin?failed=busy");
    EXPECT_EQ(attempt("203.0.113.6", key)->status, 303) << "another address signs in";
    EXPECT_EQ(attempt("not an address", key)->status, 303) << "what no proxy would send counts as this machine's";
}

// The session cookie is found wherever it stands among the browser's cookies, and only under its own
// name: a cookie whose name merely ends or starts like it, or a token one character short, signs nobody in.
TEST_P(DashboardTest, TheSessionCookieCountsWhereverItStandsAndOnlyWhole) {
    const std::string key = NewKey("alice");
    auto service = Start();
    const std::string session = SignIn(service->Port(), key);  // "zando_session=TOKEN"
    ASSERT_FALSE(session.empty());
    const std::string token = session.substr(session.find('=') + 1);
    const std::vector<std::pair<std::string, int>> cookies = {
        {session, 200},
        {"theme=dark; " + session, 200},
        {session + "; theme=dark", 200},
        {"a=1;" + session + ";b=2", 200},
        {"xzando_session=" + token, 401},
        {"zando_session_old=" + token, 401},
        {"zando_session=" + token.substr(1), 401},
        {"zando_session=" + token + "0", 401},
        {"zando_session=", 401},
        {"theme=zando_session=" + token, 401},
    };
    for (const auto& [cookie, status] : cookies) {
        httplib::Client client("127.0.0.1", service->Port());
        EXPECT_EQ(client.Get("/api/matches", {{"Cookie", cookie}})->status, status) << cookie;
    }
}

namespace {

// A match of the many the period tests keep: its time, playlist and figures.
struct Played {
    std::string timestamp;
    bool ranked = false;
    int64_t shots = 0;
    double rating = 0.0;  // after the match, when ranked
};

// Keeps the matches for the account (in batches, as the service commits them) and returns them.
std::vector<Played> Keep(dashboard::Storage& storage, int64_t accountId, const std::vector<std::string>& times) {
    std::vector<Played> played;
    std::vector<dashboard::Submission> batch;
    for (std::size_t i = 0; i < times.size(); ++i) {
        dashboard::Submission submission;
        submission.accountId = accountId;
        submission.receivedAt = "2027-01-01T00:00:00Z";
        dashboard::UploadedMatch& m = submission.match;
        m.timestamp = times[i];
        m.isRanked = i % 3 != 0;
        m.playlist = m.isRanked ? "Ranked Duel" : "Casual";
        m.mmr = m.isRanked ? 1000.0 + static_cast<double>(i) : 0.0;
        m.mmrChange = m.isRanked ? 5.0 : 0.0;
        m.shots = static_cast<int64_t>(i % 7);
        m.goals = static_cast<int64_t>(i % 2);
        m.averageSpeed = 1000.0 + static_cast<double>(i);
        m.gameTime = 300.0;
        m.fingerprint = "period-" + std::to_string(i);
        played.push_back({m.timestamp, m.isRanked, m.shots, m.mmr + m.mmrChange});
        batch.push_back(std::move(submission));
        if (batch.size() == 40 || i + 1 == times.size()) {
            storage.StoreMatches(batch);
            batch.clear();
        }
    }
    return played;
}

}  // namespace

// One batch adds to the running totals exactly what it stored: not a match sent twice in it, nor one
// kept before; each period's rating is that after its newest rated match, of two sent at once for the
// same time the one that came last.
TEST_P(DashboardTest, ABatchAddsToTheRunningTotalsOnlyWhatItStored) {
    NewKey("alice");
    const auto storage = dashboard::OpenStorage(Database());
    const int64_t alice = storage->FindAccount("alice")->id;
    const auto match = [alice](const std::string& fingerprint, const std::string& time, double mmr, double change,
                               int64_t shots) {
        dashboard::Submission submission;
        submission.accountId = alice;
        submission.receivedAt = "2027-01-01T00:00:00Z";
        submission.match.fingerprint = fingerprint;
        submission.match.timestamp = time;
        submission.match.playlist = "Ranked Duel";
        submission.match.isRanked = mmr > 0;
        submission.match.mmr = mmr;
        submission.match.mmrChange = change;
        submission.match.shots = shots;
        return submission;
    };
    const auto kept = match("a", "2026-05-02T08:00:00Z", 900, 10, 1);
    ASSERT_EQ(storage->StoreMatches({kept}), std::vector{dashboard::StoreOutcome::Stored});
    const std::vector<dashboard::Submission> batch = {match("b", "2026-05-02T10:00:00Z", 1000, 5, 2),
                                                      match("c", "2026-05-02T12:00:00Z", 1100, 5, 3),
                                                      match("d", "2026-05-02T11:00:00Z", 1200, 5, 4),
                                                      match("e", "2026-05-02T12:00:00Z", 1300, -5, 5),
                                                      match("f", "2026-05-02T13:00:00Z", 0, 0, 6),
                                                      match("c", "2026-05-02T12:00:00Z", 1100, 5, 3),
                                                      kept,
                                                      match("g", "2026-05-03T09:00:00Z", 800, 0, 7)};
    using enum dashboard::StoreOutcome;
    EXPECT_EQ(storage->StoreMatches(batch),
              (std::vector{Stored, Stored, Stored, Stored, Stored, AlreadyStored, AlreadyStored, Stored}));

    const struct {
        dashboard::PeriodUnit unit;
        std::string period;
        int64_t matches, shots;
        double rating;
    } expected[] = {{dashboard::PeriodUnit::Day, "2026-05-02", 6, 21, 1295.0},
                    {dashboard::PeriodUnit::Day, "2026-05-03", 1, 7, 800.0},
                    {dashboard::PeriodUnit::Month, "2026-05", 7, 28, 800.0}};
    for (const auto& want : expected) {
        SCOPED_TRACE(want.period);
        const auto periods = storage->Periods(alice, {want.unit, want.period, want.period}, "Ranked Duel");
        ASSERT_EQ(periods.size(), 1u);
        EXPECT_EQ(periods[0].matches, want.matches);
        EXPECT_EQ(periods[0].shots, want.shots);
        EXPECT_DOUBLE_EQ(periods[0].rating, want.rating);
    }
    const dashboard::MatchTotals totals = storage->Totals(alice, "Ranked Duel");
    EXPECT_EQ(totals.matches, 7);
    EXPECT_EQ(totals.shots, 28);
}

// Many matches are charted a day at a time (a month at a time over a longer span) from the running
// totals, and a range of dates counts exactly the matches of its days: checked against the matches.
TEST_P(DashboardTest, ManyMatchesAreChartedAPeriodAtATimeAndARangeOfDaysCountsItsMatches) {
    const std::string alice = NewKey("alice"), bob = NewKey("bob");
    const auto storage = dashboard::OpenStorage(Database());
    // alice: 260 matches on 50 days from 2026-01-20 to 2026-03-10; bob: 240 over 15 months.
    std::vector<std::string> aliceTimes, bobTimes;
    for (int i = 0; i < 260; ++i) {
        const std::chrono::year_month_day day{std::chrono::sys_days{std::chrono::year{2026} / 1 / 20} +
                                              std::chrono::days{i % 50}};
        char when[32];
        std::snprintf(when, sizeof when, "%04d-%02u-%02uT%02d:00:00Z", static_cast<int>(day.year()),
                      static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()), 10 + i / 50);
        aliceTimes.push_back(when);
    }
    for (int i = 0; i < 240; ++i) {
        char when[32];
        std::snprintf(when, sizeof when, "%04d-%02d-%02dT12:00:00Z", 2024 + i / 16 / 12, 1 + i / 16 % 12, 1 + i % 16);
        bobTimes.push_back(when);
    }
    const std::vector<Played> alices = Keep(*storage, storage->FindAccount("alice")->id, aliceTimes);
    Keep(*storage, storage->FindAccount("bob")->id, bobTimes);
    auto service = Start();
    SignedIn session{httplib::Client("127.0.0.1", service->Port()), SignIn(service->Port(), alice)};

    // A point a day: its count, shots per match and the rating after the day's newest ranked match.
    const nlohmann::json trend = nlohmann::json::parse(session.Get("/api/summary?last=all")->body)["trend"];
    EXPECT_EQ(trend["per"], "day");
    EXPECT_EQ(trend["matches"], 260);
    ASSERT_EQ(trend["points"].size(), 50u);
    for (const nlohmann::json& point : trend["points"]) {
        const std::string day = point["period"];
        int64_t matches = 0, shots = 0;
        std::string newest;
        double rating = 0.0;
        for (const Played& one : alices) {
            if (one.timestamp.substr(0, 10) != day) continue;
            ++matches;
            shots += one.shots;
            if (one.ranked && one.timestamp > newest) newest = one.timestamp, rating = one.rating;
        }
        SCOPED_TRACE(day);
        EXPECT_EQ(point["matches"], matches);
        EXPECT_DOUBLE_EQ(point["shotsPerMatch"].get<double>(), static_cast<double>(shots) / static_cast<double>(matches));
        EXPECT_DOUBLE_EQ(point["ratings"]["Ranked Duel"].get<double>(), rating);
    }
    // 87 casual matches are few enough for a point each.
    EXPECT_EQ(nlohmann::json::parse(session.Get("/api/summary?last=all&playlist=Casual")->body)["trend"]["per"], "match");

    // Ranges of days across, inside and around whole months, open on a side, backwards, and of times.
    const std::vector<std::pair<std::string, std::string>> ranges = {
        {"2026-01-25", "2026-03-03"}, {"2026-02-01", "2026-02-28"}, {"2026-02-03", "2026-02-09"},
        {"", "2026-02-10"},           {"2026-02-10", ""},           {"2026-01-31", "2026-03-01"},
        {"2026-03-05", "2026-01-01"}, {"2026-02-01T12:00:00Z", ""}, {"2026-02-14", "2026-02-14"},
    };
    for (const auto& [from, to] : ranges) {
        SCOPED_TRACE(from + " to " + to);
        int64_t expected = 0;
        double speeds = 0.0;
        for (std::size_t i = 0; i < alices.size(); ++i) {
            const std::string& t = alices[i].timestamp;
            const bool inRange = (from.empty() || t >= from) && (to.empty() || t.substr(0, 10) <= to);
            expected += inRange;
            speeds += inRange ? 1000.0 + static_cast<double>(i) : 0.0;
        }
        const nlohmann::json page = nlohmann::json::parse(
            session.Get("/api/matches" + dashboard::Query({{"from", from}, {"to", to}, {"perPage", "100"}}))->body);
        EXPECT_EQ(page["total"], expected);
        EXPECT_EQ(page["matches"].size(), static_cast<std::size_t>(std::min<int64_t>(expected, 100)));
        dashboard::MatchQuery range;
        range.from = from;
        range.to = to;
        range.limit = -1;
        const dashboard::MatchAverages means = storage->Averages(storage->FindAccount("alice")->id, range);
        EXPECT_EQ(means.matches, expected);
        if (expected > 0) {
            EXPECT_NEAR(means.averageSpeed, speeds / static_cast<double>(expected), 1e-9);
        }
    }

    // Over 15 months, a point a month; a month cut by the range counts only its days in it.
    SignedIn bobs{httplib::Client("127.0.0.1", service->Port()), SignIn(service->Port(), bob)};
    const nlohmann::json months = nlohmann::json::parse(bobs.Get("/api/summary?last=all&from=2024-02-10")->body)["trend"];
    EXPECT_EQ(months["per"], "month");
    ASSERT_EQ(months["points"].size(), 14u);
    EXPECT_EQ(months["points"][0]["period"], "2024-02");
    EXPECT_EQ(months["points"][0]["matches"], 7) << "the 10th to the 16th";
    EXPECT_EQ(months["points"][13]["period"], "2025-03");
    EXPECT_EQ(months["matches"], 215);
    // Over 250 months, a point a year.
    const std::string carol = NewKey("carol");
    std::vector<std::string> carolTimes;
    for (int i = 0; i < 250; ++i)
        carolTimes.push_back(std::to_string(2000 + i / 12) + "-" + (i % 12 < 9 ? "0" : "") + std::to_string(i % 12 + 1) +
                             "-15T12:00:00Z");
    Keep(*storage, storage->FindAccount("carol")->id, carolTimes);
    SignedIn carols{httplib::Client("127.0.0.1", service->Port()), SignIn(service->Port(), carol)};
    const nlohmann::json years = nlohmann::json::parse(carols.Get("/api/summary?last=all")->body)["trend"];
    EXPECT_EQ(years["per"], "year");
    ASSERT_EQ(years["points"].size(), 21u);
    EXPECT_EQ(years["points"][0]["period"], "2000");
    EXPECT_EQ(years["points"][0]["matches"], 12);
    EXPECT_EQ(years["points"][20]["matches"], 10) << "2020: January to October";
    // The overview page charts the same months.
    const auto overview = bobs.Get("/?last=all&from=2024-02-10&playlist=");  // every playlist, as the API
    ASSERT_EQ(overview->status, 200);
    EXPECT_NE(overview->body.find("215 matches charted"), std::string::npos);
    EXPECT_NE(overview->body.find("<th scope=\"row\">2024-02</th><td class=\"num\">7</td>"), std::string::npos);
}

// A private account's matches reach no other account by any route or parameter, nor anyone signed
// out; once it is public, the comparison (and only it) shows its figures.
TEST_P(DashboardTest, APrivateAccountsMatchesReachNoOneElseByAnyRoute) {
    const std::string alice = NewKey("alice"), bob = NewKey("bob");
    auto service = Start();
    ASSERT_EQ(service->Upload(alice, MatchBody(1).dump())->status, 200);
    nlohmann::json bobs = MatchBody(2);
    bobs["playlist"] = "BobsOwnPlaylist";
    bobs["shots"] = 9973;
    ASSERT_EQ(service->Upload(bob, bobs.dump())->status, 200);
    const std::string bobsId = std::to_string(MatchesOf(bob).at(0).id);

    SignedIn session{httplib::Client("127.0.0.1", service->Port()), SignIn(service->Port(), alice)};
    httplib::Client anonymous("127.0.0.1", service->Port());
    const std::vector<std::string> routes = {
        "/api/matches?account=bob", "/api/matches?account_id=2", "/api/summary?account=bob&last=all",
        "/api/zones?account=bob",   "/api/matches/" + bobsId,    "/?account=bob&last=all",
        "/matches?account=bob",     "/matches/" + bobsId,        "/zones?account=bob",
        "/compare?account1=bob",    "/compare?account2=bob",     "/compare?account1=bob&account2=bob&from1=2000-01-01",
    };
    for (const std::string& route : routes) {
        SCOPED_TRACE(route);
        const auto mine = session.Get(route);
        ASSERT_TRUE(mine);
        EXPECT_EQ(mine->body.find("BobsOwnPlaylist"), std::string::npos);
        EXPECT_EQ(mine->body.find("9973"), std::string::npos);
        const auto nobodys = anonymous.Get(route);
        ASSERT_TRUE(nobodys);
        EXPECT_TRUE(nobodys->status == 401 || (nobodys->status == 303 && nobodys->get_header_value("Location") == "/signin"))
            << nobodys->status;
    }
    ASSERT_EQ(Command("accounts public bob on").exitCode, 0);
    EXPECT_NE(session.Get("/compare?account2=bob")->body.find("9973.0"), std::string::npos) << "public now";
    EXPECT_EQ(session.Get("/api/matches/" + bobsId)->status, 404) << "its matches stay its own";
}

// Every cell of both grids is checked: a value out of its range names its grid, row and cell.
TEST(DashboardUpload, EveryGridCellOutOfRangeIsRefusedByName) {
    for (const char* grid : {"shotHeatmap", "goalHeatmap"})
        for (int r = 0; r < 10; ++r)
            for (int c = 0; c < 10; ++c)
                for (const nlohmann::json& bad : {nlohmann::json(-1), nlohmann::json(1e12), nlohmann::json("1")}) {
                    nlohmann::json body = MatchBody(3);
                    body[grid][r][c] = bad;
                    const dashboard::UploadReading reading = dashboard::ReadUpload(body.dump());
                    EXPECT_FALSE(reading.match) << grid << r << c << bad;
                    EXPECT_NE(reading.error.find(std::string("\"") + grid + "\" row " + std::to_string(r) + " cell " +
                                                 std::to_string(c) + " must be"),
                              std::string::npos)
                        << reading.error;
                }
}
