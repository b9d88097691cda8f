// zando-dashboard as a process against both databases: every answer of the upload and the health
// check from the request that should produce it, rates, keys, and starts that cannot succeed.
#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "dashboard/key_cache.h"
#include "dashboard_support.h"

using zando_test::DashboardTest;
using zando_test::Engine;
using zando_test::MatchBody;

namespace {

struct UploadCase {
    const char* what;
    int status;
    const char* answerHolds;  // a part of the JSON answer's text
};

}  // namespace

TEST_P(DashboardTest, EveryUploadIsAnsweredAsItDeservesAndOnlyGoodOnesAreKeptOnce) {
    const std::string alice = NewKey("alice"), bob = NewKey("bob"), revoked = NewKey("alice");
    ASSERT_EQ(Command("keys revoke 3").exitCode, 0);
    auto service = Start();
    const std::string body = MatchBody(1).dump();
    std::string tampered = body;
    tampered[tampered.find("\"shots\":4") + 8] = '5';
    std::string nan = body;
    nan.replace(nan.find("1235.5"), 6, "NaN");
    std::string infinite = body;
    infinite.replace(infinite.find("1235.5"), 6, "1e999");
    nlohmann::json shortGrid = MatchBody(1);
    shortGrid["shotHeatmap"].erase(9);
    nlohmann::json narrowRow = MatchBody(1);
    narrowRow["goalHeatmap"][4].erase(0);
    nlohmann::json unknown = MatchBody(1);
    unknown["score"] = 3;
    nlohmann::json missing = MatchBody(1);
    missing.erase("mmr");
    nlohmann::json wrongType = MatchBody(1);
    wrongType["isRanked"] = "yes";
    std::string notUtf8 = body;
    notUtf8.replace(notUtf8.find("Ranked Doubles"), 6,
                    "Rank\xE9"
                    "d");
    // Figures no match has: each would skew or overflow the sums the pages show.
    const auto with = [](const char* field, nlohmann::json value) {
        nlohmann::json changed = MatchBody(1);
        changed[field] = std::move(value);
        return changed.dump();
    };
    nlohmann::json hugeCell = MatchBody(1);
    hugeCell["goalHeatmap"][2][3] = int64_t{1} << 40;

    const std::vector<std::tuple<UploadCase, std::string, std::string, std::string>> cases = {
        {{"a good upload", 200, "\"stored\""}, alice, "", body},
        {{"the same request again", 200, "already stored"}, alice, "", body},
        {{"the same match sent later", 200, "already stored"}, alice, "", MatchBody(1, "2026-12-01T20:00:09Z").dump()},
        {{"the same match from another account", 200, "\"stored\""}, bob, "", body},
        {{"an unknown key", 401, "unknown API key"}, "zk_" + std::string(64, '0'), "", MatchBody(2).dump()},
        {{"no key", 401, "no key"}, "", "", MatchBody(2).dump()},
        {{"a byte changed after signing", 401, "signature does not match"}, alice, "", "<tampered>"},
        {{"signed with another account's key", 401, "signature does not match"}, alice, bob, MatchBody(2).dump()},
        {{"a revoked key", 403, "revoked"}, revoked, "", MatchBody(2).dump()},
        {{"a NaN", 400, "not JSON"}, alice, "", nan},
        {{"a number out of range", 400, "number overflow"}, alice, "", infinite},
        {{"a playlist that is not UTF-8", 400, "not UTF-8"}, alice, "", notUtf8},
        {{"the most shots a count holds", 400, "\\\"shots\\\" must be a whole number from 0 to 10000"},
         alice,
         "",
         with("shots", INT64_MAX)},
        {{"more goals than a count holds", 400, "\\\"goals\\\" must be a whole number from 0 to 10000"},
         alice,
         "",
         with("goals", UINT64_MAX)},
        {{"a zone of 2^40 goals", 400, "\\\"goalHeatmap\\\" row 2 cell 3 must be a whole number from 0 to 10000"},
         alice,
         "",
         hugeCell.dump()},
        {{"a negative time", 400, "\\\"gameTime\\\" must be a number from 0 to 86400"}, alice, "", with("gameTime", -1.0)},
        {{"a playlist of 3000 characters", 400, "\\\"playlist\\\" is longer than 200 characters"},
         alice,
         "",
         with("playlist", std::string(3000, 'x'))},
        {{"a playlist with a NUL", 400, "\\\"playlist\\\" must not hold control characters"},
         alice,
         "",
         with("playlist", std::string("Ranked\0Doubles", 14))},
        {{"a time without a date", 400, "\\\"timestamp\\\" must begin with a date"}, alice, "", with("timestamp", "yesterday")},
        {{"a day that is not in the calendar", 400, "\\\"timestamp\\\" must begin with a date"},
         alice,
         "",
         with("timestamp", "2026-02-30T20:00:00Z")},
        {{"nine rows of shots", 400, "\\\"shotHeatmap\\\" must be an array of 10 rows"}, alice, "", shortGrid.dump()},
        {{"a row of nine goals", 400, "\\\"goalHeatmap\\\" row 4 must be an array of 10 cells"}, alice, "", narrowRow.dump()},
        {{"a field the upload does not have", 400, "\\\"score\\\" is not a field"}, alice, "", unknown.dump()},
        {{"a field missing", 400, "\\\"mmr\\\" is missing"}, alice, "", missing.dump()},
        {{"a field of the wrong type", 400, "\\\"isRanked\\\" must be true or false"}, alice, "", wrongType.dump()},
        {{"10 MB", 413, "larger than"}, alice, "", std::string(10 * 1024 * 1024, ' ')},
    };
    for (const auto& [expected, key, signingKey, sent] : cases) {
        SCOPED_TRACE(expected.what);
        const bool isTampered = sent == "<tampered>";
        httplib::Client client("127.0.0.1", service->Port());
        httplib::Headers headers = {{"X-ZANDO-Signature", zando_test::Signature(signingKey.empty() ? key : signingKey, body)}};
        if (!key.empty()) headers.emplace("Authorization", "Bearer " + key);
        if (!isTampered)
            headers.find("X-ZANDO-Signature")->second = zando_test::Signature(signingKey.empty() ? key : signingKey, sent);
        const auto answer = client.Post("/api/stats/upload", headers, isTampered ? tampered : sent, "application/json");
        ASSERT_TRUE(answer) << httplib::to_string(answer.error());
        EXPECT_EQ(answer->status, expected.status);
        EXPECT_NE(answer->body.find(expected.answerHolds), std::string::npos) << answer->body;
        EXPECT_TRUE(nlohmann::json::accept(answer->body)) << "every answer is JSON";
    }
    EXPECT_EQ(MatchesOf(alice).size(), 1u);
    EXPECT_EQ(MatchesOf(bob).size(), 1u);

    for (const auto& [key, status] :
         std::vector<std::pair<std::string, int>>{{alice, 200}, {"zk_nobody", 401}, {"", 401}, {revoked, 403}}) {
        httplib::Client client("127.0.0.1", service->Port());
        const auto answer =
            key.empty() ? client.Get("/api/health") : client.Get("/api/health", {{"Authorization", "Bearer " + key}});
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, status) << key;
    }
    // A signature that is not exactly the body's: one character short or long, empty, of another
    // scheme, or in capitals.
    const std::string good = zando_test::Signature(alice, MatchBody(5).dump());
    std::string upper = good;
    std::transform(upper.begin() + 7, upper.end(), upper.begin() + 7, [](unsigned char c) { return std::toupper(c); });
    for (const std::string& signature : {good.substr(0, good.size() - 1), good + "0", std::string("sha256="), std::string(),
                                         "sha512=" + good.substr(7), good.substr(7), upper}) {
        httplib::Client client("127.0.0.1", service->Port());
        const auto answer =
            client.Post("/api/stats/upload", {{"Authorization", "Bearer " + alice}, {"X-ZANDO-Signature", signature}},
                        MatchBody(5).dump(), "application/json");
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 401) << signature;
    }
    EXPECT_EQ(MatchesOf(alice).size(), 1u);

    // The access log names each request and its answer, and never a key, a signature or a body.
    EXPECT_EQ(service->Stop(SIGTERM), 0);
    const std::string log = service->Log();
    EXPECT_NE(log.find("\"POST /api/stats/upload\" 413"), std::string::npos) << log;
    for (const std::string& secret : {alice, bob, zando_test::Signature(alice, body).substr(7), std::string("Ranked Doubles")})
        EXPECT_EQ(log.find(secret), std::string::npos) << secret;
}

TEST_P(DashboardTest, PastItsRateAKeyIsAskedToWaitAndOtherKeysGoOn) {
    const std::string alice = NewKey("alice"), bob = NewKey("bob");
    auto service = Start("--uploads-per-minute 2");
    std::vector<int> statuses;
    for (int n = 0; n < 3; ++n) statuses.push_back(service->Upload(alice, MatchBody(n).dump())->status);
    EXPECT_EQ(statuses, (std::vector<int>{200, 200, 429}));
    const auto refused = service->Upload(alice, MatchBody(9).dump());
    ASSERT_TRUE(refused);
    const int wait = std::stoi(refused->get_header_value("Retry-After"));
    EXPECT_GE(wait, 1);
    EXPECT_LE(wait, 30) << "one upload comes back every 30 s at 2 a minute";
    EXPECT_EQ(service->Upload(bob, MatchBody(0).dump())->status, 200);
    EXPECT_EQ(MatchesOf(alice).size(), 2u);
}

// A match comes back from the database with every figure and zone it was sent with.
TEST_P(DashboardTest, AKeptMatchHoldsEveryFigureAndZoneOfItsBody) {
    const std::string alice = NewKey("alice");
    auto service = Start();
    // The second's texts hold what an array or a quoted text would read differently: kept as sent.
    const auto body = [](int n) {
        nlohmann::json sent = MatchBody(n);
        if (n == 7) sent["playlist"] = "Ranked \"Doubles\", {2v2} \\ NULL";
        return sent;
    };
    for (int n : {0, 7}) ASSERT_EQ(service->Upload(alice, body(n).dump())->status, 200);
    const std::vector<dashboard::StoredMatch> kept = MatchesOf(alice);
    ASSERT_EQ(kept.size(), 2u);
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const nlohmann::json sent = body(i == 0 ? 0 : 7);
        const dashboard::UploadedMatch& m = kept[i].match;
        EXPECT_EQ(m.timestamp, sent["timestamp"]);
        EXPECT_EQ(m.shots, sent["shots"]);
        EXPECT_EQ(m.averageSpeed, sent["averageSpeed"].get<double>());
        EXPECT_EQ(m.opponentPossessionTime, 98.25);
        EXPECT_EQ(m.playlist, sent["playlist"]);
        EXPECT_TRUE(m.isRanked);
        EXPECT_EQ(m.mmrChange, sent["mmrChange"].get<double>());
        for (int r = 0; r < 10; ++r)
            for (int c = 0; c < 10; ++c) {
                EXPECT_EQ(m.shotHeatmap[r][c], sent["shotHeatmap"][r][c].get<double>()) << r << "," << c;
                EXPECT_EQ(m.goalHeatmap[r][c], sent["goalHeatmap"][r][c].get<int64_t>()) << r << "," << c;
            }
    }
}

// The whole match: taken where the health answer says, kept with everything it adds, once by its own id
// (sent again later it is the same match), every added field checked; the defined path takes none of them.
TEST_P(DashboardTest, AMatchSentWholeIsKeptWholeOnceByItsOwnId) {
    const std::string alice = NewKey("alice");
    auto service = Start();
    httplib::Client client("127.0.0.1", service->Port());
    const auto health = client.Get("/api/health", {{"Authorization", "Bearer " + alice}});
    ASSERT_EQ(health->status, 200);
    EXPECT_EQ(nlohmann::json::parse(health->body)["formats"], nlohmann::json::parse(R"(["v1", "v2"])"));

    const std::string v2 = "/api/v2/matches";
    const auto sent = [&](const nlohmann::json& body, const std::string& path) {
        return service->Upload(alice, body.dump(), "", path);
    };
    EXPECT_EQ(nlohmann::json::parse(sent(zando_test::WholeMatchBody(0), v2)->body)["status"], "stored");
    EXPECT_EQ(nlohmann::json::parse(sent(zando_test::WholeMatchBody(0, "2026-12-03T09:00:00Z"), v2)->body)["status"],
              "already stored");
    EXPECT_EQ(sent(zando_test::MatchBody(1), "/api/stats/upload")->status, 200);

    const struct {
        const char* field;
        nlohmann::json value;  // null: the field left out
        const char* error;
    } refused[] = {
        {"places", nullptr, "\"places\" is missing"},
        {"scoreFor", 0, "\"result\" must agree with the score"},
        {"scoreAgainst", nlohmann::json(), ""},  // replaced below: one score without the other
        {"matchId", "a b", "\"matchId\" must be 1 to 64 letters"},
        {"team", 2, "\"team\" must be null, 0 (blue) or 1 (orange)"},
        {"startedAt", "yesterday", "\"startedAt\" must be null or a UTC time"},
        {"places",
         nlohmann::json::parse(R"([{"kind": "shot", "clock": 1, "car": [0, 1e6, 0], "ball": [0, 0, 0], "ballSpeed": 0}])"),
         "\"places\" item 0 must lie within 20000 units"},
        {"places",
         nlohmann::json::parse(R"([{"kind": "save", "clock": 1, "car": [0, 0, 0], "ball": [0, 0, 0], "ballSpeed": 0}])"),
         "\"kind\" must be \"shot\" or \"goal\""},
        {"places", nlohmann::json::parse(R"([{"kind": "goal", "clock": 1, "car": [0, 0], "ball": [0, 0, 0], "ballSpeed": 0}])"),
         "\"car\" must be [x, y, z]"},
    };
    for (const auto& bad : refused) {
        nlohmann::json body = zando_test::WholeMatchBody(5);
        std::string error = bad.error;
        if (bad.value.is_null() && error.empty()) {
            body["scoreAgainst"] = nullptr;
            error = "must both be null or both be given";
        } else if (bad.value.is_null()) {
            body.erase(bad.field);
        } else {
            body[bad.field] = bad.value;
        }
        const auto answer = sent(body, v2);
        EXPECT_EQ(answer->status, 400) << bad.field;
        EXPECT_NE(nlohmann::json::parse(answer->body)["error"].get<std::string>().find(error), std::string::npos) << answer->body;
    }
    const auto defined = sent(zando_test::WholeMatchBody(6), "/api/stats/upload");
    EXPECT_EQ(defined->status, 400);
    EXPECT_NE(defined->body.find("is not a field of the upload"), std::string::npos) << defined->body;

    const std::vector<dashboard::StoredMatch> kept = MatchesOf(alice);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_FALSE(kept[1].match.whole) << "a defined-format match says it lacks the rest";
    ASSERT_TRUE(kept[0].match.whole);
    EXPECT_EQ(kept[0].match.timestamp, "2026-12-01T20:00:00Z") << "the first sending's time, the match's end";
    dashboard::WholeMatchPart expected;
    expected.matchId = "m0";
    expected.startedAt = "2026-12-01T19:54:30Z";
    expected.team = 1;
    expected.scoreFor = 3;
    expected.scoreAgainst = 1;
    expected.result = "win";
    expected.saves = 2;
    expected.assists = 1;
    expected.demolished = 1;
    expected.places = {{false, 61.5f, {120, -3100, 17}, {150, -3400, 93}, 2310},
                       {true, 62.25f, {120, -3100, 17}, {300, -5150, 140}, 2290.5f}};
    EXPECT_EQ(*kept[0].match.whole, expected);
}

// The keys: printed once, listed by their first characters only, kept as a hash the database alone
// cannot turn back into a key.
TEST_P(DashboardTest, KeysAreShownOnceListedByTheirStartAndNotKeptInTheDatabase) {
    const std::string first = NewKey("alice"), second = NewKey("alice");
    EXPECT_EQ(first.size(), 67u);
    EXPECT_NE(first, second);
    const zando_test::ProcessResult listed = Command("keys list");
    EXPECT_NE(listed.out.find("1\talice\t" + first.substr(0, 9) + "..."), std::string::npos) << listed.out;
    EXPECT_EQ(listed.out.find(first), std::string::npos);
    EXPECT_EQ(Command("keys revoke 2").exitCode, 0);
    EXPECT_EQ(Command("keys revoke 2").exitCode, 7) << "revoked already";
    EXPECT_NE(Command("keys list").out.find("revoked "), std::string::npos);
    EXPECT_EQ(std::filesystem::status(dir.path() / "server.secret").permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    if (GetParam() == Engine::Sqlite) {
        const std::string file = zando_test::ReadFile(Database()) + zando_test::ReadFile(Database() + "-wal");
        EXPECT_EQ(file.find(first.substr(3, 16)), std::string::npos) << "no part of the key";
        EXPECT_NE(file.find(first.substr(0, 9)), std::string::npos) << "its first characters are";
    }

    // What the database keeps of a key opens nothing: not as a key, and not the key itself without
    // the service's secret.
    const std::string kept = dashboard::ServerSecret::LoadOrCreate(dir.path() / "server.secret").KeyHash(first);
    auto service = Start();
    EXPECT_EQ(service->Upload(kept, MatchBody(1).dump())->status, 401);
    EXPECT_EQ(httplib::Client("127.0.0.1", service->Port()).Post("/signin", httplib::Params{{"key", kept}})->status, 401);
    EXPECT_EQ(service->Upload(first, MatchBody(1).dump())->status, 200) << "the key itself, with the secret";
    zando_test::TempDir otherSecret;
    zando_test::DashboardProcess withoutTheSecret(otherSecret.path(), Database(), "");
    EXPECT_EQ(withoutTheSecret.Upload(first, MatchBody(2).dump())->status, 401);
}

TEST_P(DashboardTest, EveryStartThatCannotSucceedSaysWhyWithItsOwnExitCode) {
    const std::string key = NewKey("alice");
    auto first = Start();
    const zando_test::ProcessResult taken = Command("serve --listen 127.0.0.1:" + std::to_string(first->Port()));
    EXPECT_EQ(taken.exitCode, 3);
    EXPECT_NE(taken.err.find("cannot listen on 127.0.0.1:" + std::to_string(first->Port())), std::string::npos) << taken.err;
    EXPECT_EQ(Command("serve --listen nowhere").exitCode, 2);
    const zando_test::ProcessResult noPages = Command("serve --listen 127.0.0.1:0 --web " + (dir.path() / "no-web").string());
    EXPECT_EQ(noPages.exitCode, 8);
    EXPECT_NE(noPages.err.find("the pages' files are missing"), std::string::npos) << noPages.err;
    EXPECT_EQ(
        Command("serve --tls-cert " + (dir.path() / "none.pem").string() + " --tls-key " + (dir.path() / "none.key").string())
            .exitCode,
        3);
    ASSERT_EQ(first->Stop(), 0);

    // A database made by a newer build is refused and left exactly as it is.
    const auto storage = dashboard::OpenStorage(Database());
    ASSERT_EQ(storage->SchemaVersion(), 6);
    Sql("INSERT INTO schema_migrations VALUES (99, 'later')");
    const zando_test::ProcessResult newer = Command("serve");
    EXPECT_EQ(newer.exitCode, 5);
    EXPECT_NE(newer.err.find("schema is version 99, newer than this build's version 6"), std::string::npos) << newer.err;
    EXPECT_EQ(storage->SchemaVersion(), 99);
    EXPECT_EQ(storage->ListKeys().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Engines, DashboardTest, ::testing::Values(Engine::Sqlite, Engine::Postgres), zando_test::EngineName);

TEST(DashboardStart, AnUnreachableDatabaseIsNamedAndTheServiceDoesNotStart) {
    zando_test::TempDir dir;
    for (const std::string& database : {std::string("postgresql://zando@/none?host=") + dir.path().string(),
                                        (dir.path() / "no-folder" / "x.sqlite3").string()}) {
        const zando_test::ProcessResult result =
            zando_test::RunCommand(zando_test::DashboardCommand(dir.path(), database, "serve"), dir.path());
        EXPECT_EQ(result.exitCode, 4) << database;
        EXPECT_NE(result.err.find("cannot open the database"), std::string::npos) << result.err;
    }
}

// A match the database refuses (a rule planted in it here) fails its own upload only: the uploads
// committed beside it, of its account and another, are stored.
TEST_P(DashboardTest, AMatchTheDatabaseRefusesFailsItsOwnUploadAlone) {
    const std::string alice = NewKey("alice"), bob = NewKey("bob");
    auto service = Start();
    Sql(GetParam() == Engine::Postgres ? "ALTER TABLE matches ADD CONSTRAINT no_seven_shots CHECK (shots <> 7)"
                                       : "CREATE TRIGGER no_seven_shots BEFORE INSERT ON matches WHEN NEW.shots = 7 BEGIN SELECT "
                                         "RAISE(ABORT, 'seven'); END");
    std::vector<int> statuses(8);
    std::vector<std::thread> uploads;
    for (int n = 1; n <= 8; ++n)  // match 4 has 7 shots
        uploads.emplace_back([&, n] {
            const auto answer = service->Upload(n <= 4 ? alice : bob, MatchBody(n).dump());
            statuses[static_cast<std::size_t>(n - 1)] = answer ? answer->status : -1;
        });
    for (std::thread& upload : uploads) upload.join();
    EXPECT_EQ(statuses, (std::vector<int>{200, 200, 200, 400, 200, 200, 200, 200}));
    EXPECT_EQ(MatchesOf(alice).size(), 3u);
    EXPECT_EQ(MatchesOf(bob).size(), 4u);
    EXPECT_NE(service->Log().find("was refused"), std::string::npos) << "the operator is told why:\n" << service->Log();
}

// Two instances on one PostgreSQL database receiving the same uploads at once, in opposite orders:
// each upload is answered 200 ("stored" on one, "already stored" on the other), never 503 from a
// deadlock of their batches, and each match is kept once.
TEST_P(DashboardTest, TwoInstancesStoringTheSameMatchesAtOnceAnswerEveryUpload) {
    if (GetParam() == Engine::Sqlite) GTEST_SKIP() << "an SQLite file is one instance's";
    const std::string key = NewKey("alice");
    auto first = Start("--uploads-per-minute 0"), second = Start("--uploads-per-minute 0");
    constexpr int Matches = 64, Threads = 16;
    std::vector<std::string> bodies;
    for (int n = 0; n < Matches; ++n) bodies.push_back(MatchBody(n).dump());
    std::mutex lock;
    std::map<int, int> statuses;
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t)
        threads.emplace_back([&, t] {
            const auto& service = t % 2 ? first : second;
            for (int i = 0; i < Matches; ++i) {
                // Each thread its own order, so that batches hold different matches in different orders.
                const int n = (t % 2 ? i + t * 4 : Matches * 2 - 1 - i - t * 4) % Matches;
                const auto answer = service->Upload(key, bodies[static_cast<std::size_t>(n)]);
                const std::scoped_lock counting(lock);
                ++statuses[answer ? answer->status : 0];
            }
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(statuses, (std::map<int, int>{{200, Matches * Threads}}));
    EXPECT_EQ(MatchesOf(key).size(), static_cast<std::size_t>(Matches));
}

// A database that holds an upload's rows locked answers within the statement's deadline: 503 with
// Retry-After (the plug-in keeps the match to send again), not a wait as long as the lock's.
TEST_P(DashboardTest, AnUploadTheDatabaseKeepsWaitingIsAnswered503) {
    if (GetParam() == Engine::Sqlite) GTEST_SKIP() << "SQLite's writer waits are the service's own";
    const std::string key = NewKey("alice");
    auto service = Start();
    const std::string psql = "/usr/lib/postgresql/15/bin/psql -q '" + Database() + "'";
    std::thread holder(
        [&] { std::system((psql + " -c 'BEGIN; LOCK TABLE matches; SELECT pg_sleep(9); COMMIT;' >/dev/null").c_str()); });
    const auto locked = [&] {
        const zando_test::ProcessResult held =
            zando_test::RunCommand(psql +
                                       " -tAc \"SELECT COUNT(*) FROM pg_locks WHERE relation = 'matches'::regclass AND granted "
                                       "AND mode = 'AccessExclusiveLock'\"",
                                   dir.path());
        return held.out.find('1') == 0;
    };
    for (int tries = 0; tries < 100 && !locked(); ++tries) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(locked());
    const auto answer = service->Upload(key, MatchBody(1).dump());
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 503) << answer->body;
    EXPECT_FALSE(answer->get_header_value("Retry-After").empty());
    holder.join();
    EXPECT_EQ(service->Upload(key, MatchBody(1).dump())->status, 200) << "once the lock is gone, the match goes in";
}

// Clients that keep their connections open by sending a byte every second cannot hold SIGTERM: the
// service ends within its deadline while they are still sending, and what it answered was kept.
TEST_P(DashboardTest, SigtermEndsTheServiceWhileSlowClientsAreStillSending) {
    if (GetParam() == Engine::Postgres) GTEST_SKIP() << "the stop is the same whatever the database";
    const std::string key = NewKey("alice");
    auto service = Start();
    ASSERT_EQ(service->Upload(key, MatchBody(1).dump())->status, 200);
    constexpr int Clients = 5, Seconds = 40;
    std::atomic<int> sending = 0;
    std::vector<std::thread> clients;
    for (int c = 0; c < Clients; ++c)
        clients.emplace_back([&] {
            const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_port = htons(static_cast<uint16_t>(service->Port()));
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
                ++sending;
                const std::string head = "POST /api/stats/upload HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ";
                for (int i = 0; i < Seconds; ++i) {
                    const char byte = i < static_cast<int>(head.size()) ? head[static_cast<std::size_t>(i)] : 'x';
                    if (::send(socket, &byte, 1, MSG_NOSIGNAL) != 1) break;
                    std::this_thread::sleep_for(std::chrono::seconds(1));
                }
                --sending;
            }
            ::close(socket);
        });
    while (sending < Clients) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::seconds(1));  // each has begun its request
    EXPECT_EQ(service->Stop(SIGTERM), 0);
    EXPECT_EQ(sending.load(), Clients) << "the service waited for the slow clients to give up";
    for (std::thread& client : clients) client.join();
    EXPECT_EQ(MatchesOf(key).size(), 1u);
}

// Keys are remembered for at most a second: past it, an upload sees its key revoked meanwhile.
TEST_P(DashboardTest, AKeyRevokedWhileTheServiceRunsIsRefusedWithinASecond) {
    const std::string alice = NewKey("alice");
    auto service = Start();
    ASSERT_EQ(service->Upload(alice, MatchBody(1).dump())->status, 200);
    ASSERT_EQ(Command("keys revoke 1").exitCode, 0);
    std::this_thread::sleep_for(dashboard::KeyCacheLifetime + std::chrono::milliseconds(100));
    const auto refused = service->Upload(alice, MatchBody(2).dump());
    EXPECT_EQ(refused->status, 403);
    EXPECT_EQ(MatchesOf(alice).size(), 1u);
}
