// What the dashboard service's tests share: each test's own database in either engine, upload bodies
// written by hand, and the matches an account has in the database.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "dashboard/server_secret.h"
#include "dashboard/storage.h"
#include "dashboard_process.h"
#include "dashboard_requests.h"
#include "postgres_cluster.h"
#include "test_support.h"

namespace zando_test {

enum class Engine { Sqlite, Postgres };

// The sandbox played with upload on, to the service with key; its standard output.
inline ProcessResult PlayUploading(const std::filesystem::path& folder, const std::string& home, const std::string& url,
                                   const std::string& key, const std::string& play, const std::string& environment = "") {
    return RunCommand(environment + ZANDO_SANDBOX_PATH + " --home " + (folder / home).string() +
                          " --exec \"zando_enable_upload 1; zando_api_key " + key + "; zando_server_url " + url + "\" " + play,
                      folder);
}

inline std::string EngineName(const ::testing::TestParamInfo<Engine>& info) {
    return info.param == Engine::Sqlite ? "SQLite" : "PostgreSQL";
}

// A test's own database (an SQLite file in its folder, or a new database in the shared cluster) and
// its secret file, with the service's commands run against them.
class DashboardTest : public ::testing::TestWithParam<Engine> {
protected:
    std::string Database() {
        if (database_.empty())
            database_ = GetParam() == Engine::Sqlite ? (dir.path() / "dashboard.sqlite3").string()
                                                     : PostgresCluster::Shared().NewDatabase();
        return database_;
    }
    std::string NewKey(const std::string& account) { return CreateKey(dir.path(), Database(), account); }
    std::unique_ptr<DashboardProcess> Start(const std::string& options = "") {
        return std::make_unique<DashboardProcess>(dir.path(), Database(), options);
    }
    ProcessResult Command(const std::string& arguments) {
        return RunCommand(DashboardCommand(dir.path(), Database(), arguments), dir.path());
    }
    // The matches kept for the account of key, oldest first.
    std::vector<dashboard::StoredMatch> MatchesOf(const std::string& key) {
        const auto storage = dashboard::OpenStorage(Database());
        const auto found = storage->FindKey(dashboard::ServerSecret::LoadOrCreate(dir.path() / "server.secret").KeyHash(key));
        return found ? storage->Matches(found->accountId) : std::vector<dashboard::StoredMatch>{};
    }

    // Runs a statement in the database with its engine's own client, not the service's code.
    void Sql(const std::string& sql) {
        if (GetParam() == Engine::Postgres) {
            ASSERT_EQ(std::system(("/usr/lib/postgresql/15/bin/psql -q '" + Database() + "' -c \"" + sql + "\"").c_str()), 0);
            return;
        }
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(Database().c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }

    TempDir dir;

private:
    std::string database_;
};

}  // namespace zando_test
