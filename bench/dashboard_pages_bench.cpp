// The dashboard's pages and their JSON API on an account of 100,000 matches, SQLite and PostgreSQL:
// p50/p95 of each request on loopback, the query plans of the list's statements (each should name
// its index), and the overview's first paint in headless Chromium.
//   dashboard_pages_bench [--matches N] [--requests N]   (--benchmark_min_time=T: a brief run)
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>

#include <pqxx/pqxx>

#include "dashboard/http_service.h"
#include "dashboard/pages.h"
#include "dashboard/server_secret.h"
#include "dashboard/storage.h"
#include "tests/postgres_cluster.h"

namespace {

using Clock = std::chrono::steady_clock;

// n matches of one account in sessions of six a day (eight minutes apart), in four playlists, each
// with a few shots on the grid; every other one sent whole, with a dozen shots and goals placed.
void Fill(dashboard::Storage& storage, int64_t accountId, int matches) {
    std::vector<dashboard::Submission> batch;
    for (int n = 0; n < matches; ++n) {
        dashboard::Submission submission;
        submission.accountId = accountId;
        dashboard::UploadedMatch& m = submission.match;
        const int day = n / 6, minute = 18 * 60 + n % 6 * 8;
        char when[32];
        std::snprintf(when, sizeof when, "%04d-%02d-%02dT%02d:%02d:00Z", 2020 + day / 336, 1 + day / 28 % 12, 1 + day % 28,
                      minute / 60, minute % 60);
        m.timestamp = when;
        m.shots = n % 9;
        m.goals = n % 4;
        m.averageSpeed = 1200 + n % 300;
        m.speedSamples = 9000;
        m.boostCollected = 800 + n % 50;
        m.boostUsed = 780 + n % 40;
        m.gameTime = 300 + n % 60;
        m.possessionTime = 40;
        m.teamPossessionTime = 120;
        m.opponentPossessionTime = 100;
        m.playlist = std::vector<std::string>{"Ranked Duel", "Ranked Doubles", "Ranked Standard", "Casual"}[n % 4];
        m.isRanked = n % 4 != 3;
        m.mmr = 1000 + n % 100;
        m.mmrChange = n % 2 ? -9 : 10;
        m.shotHeatmap[n % 10][3] = 0.33;
        m.shotHeatmap[(n + 4) % 10][6] = 0.17;
        m.goalHeatmap[9][n % 10] = n % 7 == 0;
        m.fingerprint = "bench-" + std::to_string(n);
        if (n % 2 == 0) {
            dashboard::WholeMatchPart whole;
            whole.matchId = m.fingerprint;
            whole.startedAt = when;
            whole.team = n / 2 % 2;
            whole.scoreFor = n % 5;
            whole.scoreAgainst = n % 3;
            whole.result = *whole.scoreFor > *whole.scoreAgainst   ? "win"
                           : *whole.scoreFor < *whole.scoreAgainst ? "loss"
                                                                   : "forfeit";
            whole.saves = n % 3;
            for (int p = 0; p < 12; ++p)
                whole.places.push_back({p % 4 == 0,
                                        10.0f * static_cast<float>(p),
                                        {100.0f * static_cast<float>(p), 3000, 17},
                                        {90.0f * static_cast<float>(p), 4500, 120},
                                        2500});
            m.whole = std::move(whole);
        }
        batch.push_back(std::move(submission));
        if (batch.size() == 500 || n + 1 == matches) {
            storage.StoreMatches(batch);
            batch.clear();
        }
    }
}

// Milliseconds of each of count requests of path: p50 and p95.
std::pair<double, double> Time(httplib::Client& client, const std::string& cookie, const std::string& path, int count,
                               int& failed) {
    std::vector<double> took;
    for (int i = 0; i < count; ++i) {
        const auto start = Clock::now();
        const auto answer = client.Get(path, {{"Cookie", cookie}});
        took.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (!answer || answer->status != 200) ++failed;
    }
    std::sort(took.begin(), took.end());
    return {took[took.size() / 2], took[std::min(took.size() - 1, took.size() * 95 / 100)]};
}

// The plans of the statements a page of the list, a filtered page and the sign-in check run.
void ShowPlans(const std::string& engine, const std::string& database) {
    std::vector<std::pair<std::string, std::string>> statements;
    std::string error;
    dashboard::MatchQuery list, filtered, shots;
    filtered.playlist = "Ranked Doubles";
    filtered.from = "2022-01-05T00:00:00Z";
    shots.sort = "shots";
    for (const auto& [name, query] : {std::pair{"newest page", list}, std::pair{"playlist and dates", filtered}}) {
        const auto sql = dashboard::MatchQueryToSql(query, error);
        statements.push_back({name, sql->select.text});
    }
    list.limit = -1;
    statements.push_back({"shots per block of every match", dashboard::CheckedMatchQuerySql(list).shotsPerBlock.text});
    const auto literal = [](std::string sql) {
        for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
                 {"$1", "1"}, {"$2", "'Ranked Doubles'"}, {"$3", "'2022-01-05T00:00:00Z'"}}) {
            for (std::size_t at = sql.find(from); at != std::string::npos; at = sql.find(from)) sql.replace(at, from.size(), to);
        }
        return sql;
    };
    for (const auto& [name, sql] : statements) {
        std::printf("  %s plan of the %s:\n", engine.c_str(), name.c_str());
        if (engine == "SQLite") {
            sqlite3* db = nullptr;
            sqlite3_open(database.c_str(), &db);
            sqlite3_stmt* plan = nullptr;
            sqlite3_prepare_v2(db, ("EXPLAIN QUERY PLAN " + literal(sql)).c_str(), -1, &plan, nullptr);
            while (sqlite3_step(plan) == SQLITE_ROW) std::printf("    %s\n", sqlite3_column_text(plan, 3));
            sqlite3_finalize(plan);
            sqlite3_close(db);
        } else {
            pqxx::connection connection(database);
            pqxx::nontransaction read(connection);
            for (const auto& row : read.exec("EXPLAIN " + literal(sql))) std::printf("    %s\n", row[0].c_str());
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    int matches = 100000, requests = 50;
    bool brief = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind("--benchmark_min_time=", 0) == 0) {
            brief = true;
            matches = 500;
            requests = 10;
        } else if (argument == "--matches" && i + 1 < argc) {
            matches = std::stoi(argv[++i]);
        } else if (argument == "--requests" && i + 1 < argc) {
            requests = std::stoi(argv[++i]);
        }
    }
    char name[] = "/tmp/zando-pages-XXXXXX";
    if (!mkdtemp(name)) return 1;
    const std::filesystem::path folder = name;
    std::string missing;
    const std::optional<dashboard::WebAssets> assets = dashboard::ReadWebAssets(ZANDO_DASHBOARD_WEB_DIR, missing);
    if (!assets) {
        std::fprintf(stderr, "the pages' files are missing: %s\n", missing.c_str());
        return 1;
    }
    zando_test::PostgresCluster cluster;
    std::printf("zando-dashboard's pages on an account of %d matches, loopback, %u cores; %d requests each\n", matches,
                std::thread::hardware_concurrency(), requests);
    std::printf("%-10s %-34s %9s %9s\n", "database", "request", "p50 ms", "p95 ms");
    int failed = 0;
    for (const std::string engine : {"SQLite", "PostgreSQL"}) {
        const std::string database = engine == "SQLite" ? (folder / "pages.sqlite3").string() : cluster.NewDatabase();
        const dashboard::ServerSecret secret = dashboard::ServerSecret::LoadOrCreate(folder / "server.secret");
        const std::unique_ptr<dashboard::Storage> storage = dashboard::OpenStorage(database);
        storage->Migrate();
        const std::string key = "zk_bench_" + engine;
        const dashboard::KeyRecord made = storage->CreateKey("bench", secret.KeyHash(key), "zk_bench");
        Fill(*storage, made.accountId, matches);
        if (engine == "PostgreSQL") {  // the statistics autovacuum would gather by itself a little later
            pqxx::connection connection(database);
            pqxx::nontransaction(connection).exec("ANALYZE");
        }

        dashboard::ServiceOptions options;
        options.port = 0;
        options.threads = 4;
        options.pages = &*assets;
        dashboard::DashboardService service(*storage, secret, options);
        const int port = service.Bind();
        std::thread serving([&] { service.Serve(); });
        httplib::Client client("127.0.0.1", port);
        const auto signedIn = client.Post("/signin", httplib::Params{{"key", key}});
        const std::string cookie =
            signedIn ? signedIn->get_header_value("Set-Cookie").substr(0, signedIn->get_header_value("Set-Cookie").find(';'))
                     : "";
        const std::string middle = std::to_string(matches / 2);  // a match of the account, by its id
        for (const std::string& path :
             {std::string("/api/matches"), std::string("/api/matches?page=40&sort=shots&order=asc"),
              std::string("/api/matches?playlist=Casual&from=2022-01-10"),
              std::string("/api/matches?from=2021-03-15&to=2034-06-20"), "/api/matches/" + middle, std::string("/api/summary"),
              std::string("/api/summary?last=all"), std::string("/api/summary?last=all&from=2024-02-10&to=2024-09-20"),
              std::string("/api/zones?last=50"), std::string("/api/zones"), std::string("/"), std::string("/?last=all"),
              std::string("/matches?page=7"), "/matches/" + middle, std::string("/zones"), std::string("/compare")}) {
            const auto [p50, p95] = Time(client, cookie, path, requests, failed);
            std::printf("%-10s %-34s %9.2f %9.2f\n", engine.c_str(), path.c_str(), p50, p95);
        }
        if (failed > 0) std::printf("%d requests were not answered 200\n", failed);
        ShowPlans(engine, database);
        if (!brief) {
            // The overview's first paint in headless Chromium, the page loaded five times.
            const std::string command = "ZANDO_URL=http://127.0.0.1:" + std::to_string(port) + " ZANDO_KEY=" + key +
                                        " node " ZANDO_BROWSER_TESTS_PATH "/first_paint.mjs";
            std::fflush(stdout);
            failed += std::system(command.c_str()) != 0;
        }
        service.Stop();
        serving.join();
    }
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    return failed == 0 ? 0 : 1;
}
