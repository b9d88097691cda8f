// A throwaway PostgreSQL cluster for the tests: initdb and pg_ctl from Debian's PostgreSQL 15 in a
// temporary folder, listening on a Unix socket there only, stopped and removed at the end. Both
// programs refuse to run as root: under root they run as the "postgres" account. Used by the tests
// and the benchmarks alike.
#pragma once

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace zando_test {

class PostgresCluster {
public:
    PostgresCluster() {
        if (geteuid() == 0) as_ = "runuser -u postgres -- ";
        StopThoseOfEndedPrograms();
        // The socket's path must stay short (108 bytes), and the postgres account must reach the folder.
        char name[] = "/tmp/zando-pg-XXXXXX";
        if (!mkdtemp(name)) throw std::runtime_error("no temporary folder for PostgreSQL");
        folder_ = name;
        std::ofstream(folder_ / "owner") << getpid();
        if (geteuid() == 0) {
            const passwd* account = getpwnam("postgres");
            if (!account) throw std::runtime_error("running as root, and there is no postgres account to run PostgreSQL");
            if (chown(name, account->pw_uid, account->pw_gid) != 0)
                throw std::runtime_error("cannot hand the folder to postgres");
            as_ = "runuser -u postgres -- ";
        }
        Command(Bin("initdb") + " -D " + Data() + " -U zando --auth=trust -E UTF8 --no-sync >" + Quiet() + "/initdb.log 2>&1",
                "initdb");
        Start();
    }
    ~PostgresCluster() {
        std::system((as_ + Bin("pg_ctl") + " -D " + Data() + " -m immediate stop >/dev/null 2>&1").c_str());
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
    }
    PostgresCluster(const PostgresCluster&) = delete;
    PostgresCluster& operator=(const PostgresCluster&) = delete;

    // The cluster shared by the tests of one process, started at the first use.
    static PostgresCluster& Shared() {
        static PostgresCluster cluster;
        return cluster;
    }

    void Start() {
        Command(Bin("pg_ctl") + " -D " + Data() + " -l " + Quiet() + "/server.log -w -t 60 -o \"-k " + folder_.string() +
                    " -c listen_addresses='' -p 5432 -c max_connections=200\" start >/dev/null",
                "pg_ctl start");
    }
    // Stops at once, as a crash or a pulled cable would: connections break mid-request.
    void Stop() { Command(Bin("pg_ctl") + " -D " + Data() + " -m immediate -w stop >/dev/null", "pg_ctl stop"); }

    // The address of a new, empty database of its own.
    std::string NewDatabase() {
        const std::string name = "test_" + std::to_string(getpid()) + "_" + std::to_string(++databases_);
        Command(Bin("psql") + " -h " + folder_.string() + " -U zando -d postgres -q -c 'CREATE DATABASE " + name + "' >/dev/null",
                "CREATE DATABASE");
        return Url(name);
    }
    std::string Url(const std::string& database) const { return "postgresql://zando@/" + database + "?host=" + folder_.string(); }

private:
    // A cluster whose test program was killed before it could stop it is stopped and removed here.
    void StopThoseOfEndedPrograms() const {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/tmp", error)) {
            if (entry.path().filename().string().rfind("zando-pg-", 0) != 0) continue;
            pid_t owner = 0;
            if (!(std::ifstream(entry.path() / "owner") >> owner) || owner <= 0 || kill(owner, 0) == 0 || errno != ESRCH)
                continue;
            std::system(
                (as_ + Bin("pg_ctl") + " -D " + (entry.path() / "data").string() + " -m immediate stop >/dev/null 2>&1").c_str());
            std::filesystem::remove_all(entry.path(), error);
        }
    }
    static std::string Bin(const std::string& program) { return "/usr/lib/postgresql/15/bin/" + program; }
    std::string Data() const { return folder_.string() + "/data"; }
    std::string Quiet() const { return folder_.string(); }
    void Command(const std::string& command, const std::string& what) const {
        if (std::system((as_ + command).c_str()) != 0)
            throw std::runtime_error(what + " failed (see " + folder_.string() + "/*.log)");
    }

    std::filesystem::path folder_;
    std::string as_;
    std::atomic<int> databases_{0};
};

}  // namespace zando_test
