// The service under load when it is killed, and when its database goes away and comes back: what it
// answered 200 is kept, nothing is kept twice or in part.
#include <atomic>
#include <chrono>
#include <cmath>
#include <map>
#include <mutex>
#include <thread>

#include "dashboard_support.h"

using zando_test::DashboardTest;
using zando_test::Engine;
using zando_test::MatchBody;

namespace {

// Clients uploading matches 0, 1, 2, ... (each sent twice, as a retry would) until told to stop;
// what each match was answered, in order.
class UploadLoad {
public:
    UploadLoad(const zando_test::DashboardProcess& service, const std::string& key, int clients) {
        for (int client = 0; client < clients; ++client)
            threads_.emplace_back([this, &service, key, client, clients] {
                for (int n = client; !stop_; n += clients)
                    for (int attempt = 0; attempt < 2 && !stop_; ++attempt) {
                        const auto answer = service.Upload(key, MatchBody(n).dump());
                        std::scoped_lock lock(mutex_);
                        answers_[n].push_back(answer ? answer->status : 0);
                    }
            });
    }
    ~UploadLoad() { Stop(); }
    std::map<int, std::vector<int>> Stop() {
        stop_ = true;
        for (std::thread& thread : threads_)
            if (thread.joinable()) thread.join();
        std::scoped_lock lock(mutex_);
        return answers_;
    }
    std::size_t Answered() {
        std::scoped_lock lock(mutex_);
        return answers_.size();
    }

private:
    std::atomic<bool> stop_ = false;
    std::mutex mutex_;
    std::map<int, std::vector<int>> answers_;
    std::vector<std::thread> threads_;
};

void WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 600 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// Every match answered 200 at least once is kept, whole (figures and both zones), and no match twice.
void ExpectKeptOnceAndWhole(const std::map<int, std::vector<int>>& answers, const std::vector<dashboard::StoredMatch>& kept) {
    std::map<int64_t, int> copies;
    for (const dashboard::StoredMatch& stored : kept) {
        // The match's number, from the one shot zone MatchBody gives it: 0.16129 * (n + 1) in column 3.
        int n = -1;
        for (const auto& row : stored.match.shotHeatmap)
            if (row[3] > 0.0) n = static_cast<int>(std::lround(row[3] / 0.16129)) - 1;
        ASSERT_GE(n, 0);
        ++copies[n];
        const nlohmann::json sent = MatchBody(n);
        EXPECT_EQ(stored.match.shots, sent["shots"].get<int64_t>()) << n;
        EXPECT_EQ(stored.match.gameTime, sent["gameTime"].get<double>()) << n;
        EXPECT_EQ(stored.match.shotHeatmap[n % 10][3], sent["shotHeatmap"][n % 10][3].get<double>()) << n;
        EXPECT_EQ(stored.match.goalHeatmap[9][n % 10], 1) << n;
    }
    int answered200 = 0;
    for (const auto& [n, statuses] : answers)
        if (std::find(statuses.begin(), statuses.end(), 200) != statuses.end()) {
            ++answered200;
            EXPECT_EQ(copies[n], 1) << "match " << n << " was answered 200";
        }
    for (const auto& [n, count] : copies) EXPECT_EQ(count, 1) << "match " << n;
    EXPECT_GT(answered200, 20) << "the load ran";
}

}  // namespace

TEST_P(DashboardTest, KilledUnderLoadItLosesNoUploadItAnswered200AndKeepsNoneTwice) {
    const std::string key = NewKey("alice");
    auto service = Start("--uploads-per-minute 0");
    std::map<int, std::vector<int>> answers;
    {
        UploadLoad load(*service, key, 16);
        WaitFor([&] { return load.Answered() > 100; });
        EXPECT_EQ(service->Stop(SIGKILL), -SIGKILL);
        answers = load.Stop();
    }
    ExpectKeptOnceAndWhole(answers, MatchesOf(key));

    // Started again, it takes the resent matches as kept already.
    auto again = Start();
    const auto resent = again->Upload(key, MatchBody(0).dump());
    ASSERT_TRUE(resent);
    EXPECT_EQ(resent->status, 200);
    EXPECT_NE(resent->body.find(answers.at(0).front() == 200 ? "already stored" : "stored"), std::string::npos);
}

TEST_P(DashboardTest, SigtermFinishesTheRequestsInFlightAndCommitsThem) {
    const std::string key = NewKey("alice");
    auto service = Start("--uploads-per-minute 0");
    std::map<int, std::vector<int>> answers;
    {
        UploadLoad load(*service, key, 16);
        WaitFor([&] { return load.Answered() > 100; });
        EXPECT_EQ(service->Stop(SIGTERM), 0) << service->Log();
        answers = load.Stop();
    }
    EXPECT_NE(service->Log().find("zando-dashboard: stopped; "), std::string::npos) << service->Log();
    ExpectKeptOnceAndWhole(answers, MatchesOf(key));
}

// A service on a PostgreSQL cluster of its own, which the test stops and starts.
struct OwnCluster {
    zando_test::TempDir dir;
    zando_test::PostgresCluster cluster;
    const std::string database = cluster.NewDatabase();
    const std::string key = zando_test::CreateKey(dir.path(), database, "alice");
    zando_test::DashboardProcess service{dir.path(), database, "--uploads-per-minute 0"};
    int Health() const {
        httplib::Client client("127.0.0.1", service.Port());
        const auto answer = client.Get("/api/health", {{"Authorization", "Bearer " + key}});
        return answer ? answer->status : 0;
    }
};

// A database that stops under load: the service answers 503 (the plug-in says so), keeps nothing in
// part, and answers 200 again once the database is back, without being restarted.
TEST(DashboardDatabase, StoppedUnderLoadItAnswers503AndThenStoresAgain) {
    OwnCluster own;
    auto& [dir, cluster, database, key, service] = own;
    const auto health = [&] { return own.Health(); };
    std::map<int, std::vector<int>> answers;
    {
        UploadLoad load(service, key, 8);
        WaitFor([&] { return load.Answered() > 40; });
        cluster.Stop();
        const std::size_t before = load.Answered();
        WaitFor([&] { return load.Answered() > before + 40; });
        EXPECT_EQ(health(), 503);
        const zando_test::ProcessResult plugin =
            zando_test::RunCommand(std::string(ZANDO_SANDBOX_PATH) + " --home " + (dir.path() / "home").string() +
                                       " --exec \"zando_enable_upload 1; zando_api_key " + key + "; zando_server_url " +
                                       service.Url() + "\" simulate --seed 3 --mode 1v1 --matches 1",
                                   dir.path());
        EXPECT_NE(plugin.out.find("[ZANDO] ⚠ Upload failed: Server unavailable (503) - Try again later"), std::string::npos)
            << plugin.out;
        cluster.Start();
        WaitFor([&] { return health() == 200; });
        const std::size_t after = load.Answered();
        WaitFor([&] { return load.Answered() > after + 40; });
        answers = load.Stop();
    }
    int unavailable = 0;
    for (const auto& [n, statuses] : answers) unavailable += static_cast<int>(std::count(statuses.begin(), statuses.end(), 503));
    EXPECT_GT(unavailable, 0);
    EXPECT_EQ(answers.rbegin()->second.back(), 200) << "the last uploads were stored again";
    const auto storage = dashboard::OpenStorage(database);
    const auto found = storage->FindKey(dashboard::ServerSecret::LoadOrCreate(dir.path() / "server.secret").KeyHash(key));
    ASSERT_TRUE(found);
    ExpectKeptOnceAndWhole(answers, storage->Matches(found->accountId));
}

// After the database restarts, the connections the service had pooled are broken: each is replaced
// as it is found so, and no request is answered 503 for it.
TEST(DashboardDatabase, AfterARestartOfTheDatabaseNoRequestPaysForABrokenConnection) {
    OwnCluster own;
    auto& [dir, cluster, database, key, service] = own;
    const auto health = [&] { return own.Health(); };
    // Requests at once, so that the pool holds several connections.
    std::vector<std::thread> warming;
    for (int t = 0; t < 8; ++t)
        warming.emplace_back([&] {
            for (int i = 0; i < 20; ++i) health();
        });
    for (std::thread& thread : warming) thread.join();
    cluster.Stop();
    cluster.Start();
    std::vector<int> statuses;
    for (int i = 0; i < 12; ++i) statuses.push_back(health());
    EXPECT_EQ(statuses, std::vector<int>(12, 200));
    EXPECT_EQ(service.Upload(key, zando_test::MatchBody(1).dump())->status, 200);
}
