// zando-dashboard under load: its own load generator on loopback, 1, 16 and 64 clients each sending
// signed uploads back to back over a kept-alive connection, against SQLite and PostgreSQL. Prints
// uploads a second, p50/p99 latency, uploads committed per transaction (one disk flush each), the
// service's CPU time per upload, and its memory over a long run.
//   dashboard_load_bench [--seconds S] [--memory-uploads N]   (--benchmark_min_time=T: a brief run)
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>
#include <sqlite3.h>

#include <nlohmann/json.hpp>

#include "tests/dashboard_requests.h"
#include "tests/first_line_child.h"
#include "tests/postgres_cluster.h"

namespace {

using Clock = std::chrono::steady_clock;

// The tests' body of a match, made unique by n in its average speed: the text around it is made once.
class Bodies {
public:
    Bodies() {
        nlohmann::json body = zando_test::MatchBody(3);
        body["averageSpeed"] = 7777777;
        const std::string text = body.dump();
        const std::size_t at = text.find("7777777");
        before_ = text.substr(0, at);
        after_ = text.substr(at + 7);
    }
    // A speed every match could have (1000 and a fraction), told apart by n in its last 12 digits.
    std::string operator()(uint64_t n) const {
        std::string digits = std::to_string(n % 1000000000000);
        return before_ + "1000." + std::string(12 - digits.size(), '0') + digits + after_;
    }

private:
    std::string before_, after_;
};

std::string Run(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
        pclose(pipe);
    }
    return out;
}

// The service as a child process on a free loopback port.
class Service {
public:
    Service(const std::string& folder, const std::string& database) : folder_(folder), database_(database) {
        key_ = Run(Command("keys create bench") + " 2>/dev/null");
        key_ = key_.substr(0, key_.find('\n'));
        std::string first;
        pid_ = zando_test::SpawnReadingFirstLine(
            {"/bin/sh", "-c", "exec " + Command("serve --listen 127.0.0.1:0 --uploads-per-minute 0")}, folder + "/service.log",
            first);
        if (std::sscanf(first.c_str(), "zando-dashboard: listening on http://127.0.0.1:%d", &port_) != 1)
            throw std::runtime_error("zando-dashboard did not start");
    }
    // CPU seconds the service has used (user and system).
    double CpuSeconds() const {
        std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string field;
        double ticks = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i)
            if (i == 14 || i == 15) ticks += std::stod(field);
        return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    // Resident memory in KiB.
    long ResidentKiB() const {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
        return 0;
    }
    // Stops it (SIGTERM); uploads committed and transactions, from its last line.
    std::pair<double, double> Stop() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        double uploads = 0, commits = 0;
        std::ifstream log(folder_ + "/service.log");
        for (std::string line; std::getline(log, line);) {
            std::sscanf(line.c_str(), "zando-dashboard: stopped; %lf uploads committed in %lf transactions", &uploads, &commits);
            // What the service said besides its access log, for a case with failed uploads.
            if (line.find("\" 200 ") == std::string::npos && said_.size() < 5) said_.push_back(line);
        }
        return {uploads, commits};
    }
    int Port() const { return port_; }
    const std::string& Key() const { return key_; }
    const std::vector<std::string>& Said() const { return said_; }

private:
    std::string Command(const std::string& arguments) const {
        return std::string(ZANDO_DASHBOARD_PATH) + " " + arguments + " --database '" + database_ + "' --secret-file " + folder_ +
               "/server.secret";
    }
    std::string folder_, database_, key_;
    std::vector<std::string> said_;
    pid_t pid_ = 0;
    int port_ = 0;
};

// CPU seconds the whole machine has been busy (every core, user and system), from /proc/stat.
double MachineBusySeconds() {
    std::ifstream stat("/proc/stat");
    std::string cpu;
    double user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
    stat >> cpu >> user >> nice >> system >> idle >> iowait >> irq >> softirq >> steal;
    return (user + nice + system + irq + softirq) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Figures {
    double perSecond = 0, p50 = 0, p99 = 0, perCommit = 0, cpuMicroseconds = 0;
    // CPU microseconds an upload of the load generator (this process) and of everything else on the
    // machine but the service (the database, the kernel's share of the loopback traffic).
    double generatorMicroseconds = 0, restMicroseconds = 0;
    uint64_t failed = 0;
};

// clients upload back to back for the duration, or until each has sent perClient uploads.
Figures Load(Service& service, int clients, double seconds, std::size_t perClient, std::atomic<uint64_t>& next) {
    static const Bodies bodies;
    std::vector<std::vector<double>> latencies(static_cast<std::size_t>(clients));
    std::atomic<uint64_t> failed = 0;
    const double cpuBefore = service.CpuSeconds(), generatorBefore = CpuSeconds(RUSAGE_SELF), busyBefore = MachineBusySeconds();
    const Clock::time_point start = Clock::now();
    const Clock::time_point end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c)
        threads.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", service.Port());
            client.set_keep_alive(true);
            client.set_tcp_nodelay(true);
            const std::string bearer = "Bearer " + service.Key();
            for (std::size_t i = 0; Clock::now() < end && i < perClient; ++i) {
                const std::string body = bodies(next++);
                const std::string signature = zando_test::Signature(service.Key(), body);
                const auto sent = Clock::now();
                const auto answer = client.Post(
                    "/api/stats/upload", {{"Authorization", bearer}, {"X-ZANDO-Signature", signature}}, body, "application/json");
                if (!answer || answer->status != 200) ++failed;
                latencies[c].push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
            }
        });
    for (std::thread& thread : threads) thread.join();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = service.CpuSeconds() - cpuBefore, generator = CpuSeconds(RUSAGE_SELF) - generatorBefore;
    const double rest = MachineBusySeconds() - busyBefore - cpu - generator;
    std::vector<double> all;
    for (const auto& mine : latencies) all.insert(all.end(), mine.begin(), mine.end());
    std::sort(all.begin(), all.end());
    Figures figures;
    figures.failed = failed;
    if (all.empty()) return figures;
    figures.perSecond = static_cast<double>(all.size()) / elapsed;
    figures.p50 = all[all.size() / 2];
    figures.p99 = all[std::min(all.size() - 1, all.size() * 99 / 100)];
    figures.cpuMicroseconds = cpu * 1e6 / static_cast<double>(all.size());
    figures.generatorMicroseconds = generator * 1e6 / static_cast<double>(all.size());
    figures.restMicroseconds = rest * 1e6 / static_cast<double>(all.size());
    return figures;
}

}  // namespace

// SQLite's own insert rate: clients each with a connection of the service's settings (WAL, synchronous
// FULL), each inserting a match's row (18 columns, a unique identity) a transaction, for seconds.
double BareSqliteInserts(const std::string& path, int clients, double seconds) {
    sqlite3* setup = nullptr;
    sqlite3_open(path.c_str(), &setup);
    sqlite3_exec(setup,
                 "PRAGMA journal_mode = WAL; CREATE TABLE matches_alike (account_id BIGINT, received_at TEXT, sent_at TEXT,"
                 " shots BIGINT, goals BIGINT, average_speed REAL, speed_samples BIGINT, boost_collected REAL, boost_used REAL,"
                 " game_time REAL, possession_time REAL, team_possession_time REAL, opponent_possession_time REAL,"
                 " playlist TEXT, is_ranked BOOLEAN, mmr REAL, mmr_change REAL, fingerprint TEXT,"
                 " UNIQUE (account_id, fingerprint))",
                 nullptr, nullptr, nullptr);
    sqlite3_close(setup);
    std::atomic<long> inserted = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    std::vector<std::thread> threads;
    for (int client = 0; client < clients; ++client)
        threads.emplace_back([&, client] {
            sqlite3* db = nullptr;
            sqlite3_open(path.c_str(), &db);
            sqlite3_busy_timeout(db, 10000);
            sqlite3_exec(db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
            sqlite3_stmt* insert = nullptr;
            sqlite3_prepare_v2(db,
                               "INSERT INTO matches_alike VALUES (1, datetime('now'), datetime('now'), 3, 1, 1234.5, 9000,"
                               " 812.25, 790.5, 300, 41.5, 120, 98.25, 'Ranked Doubles', 1, 1012, 11, ?)",
                               -1, &insert, nullptr);
            for (long n = 0; std::chrono::steady_clock::now() < end; ++n) {
                const std::string fingerprint = std::to_string(client) + "-" + std::to_string(n);
                sqlite3_bind_text(insert, 1, fingerprint.c_str(), -1, SQLITE_TRANSIENT);
                if (sqlite3_step(insert) == SQLITE_DONE) ++inserted;
                sqlite3_reset(insert);
            }
            sqlite3_finalize(insert);
            sqlite3_close(db);
        });
    for (std::thread& thread : threads) thread.join();
    return static_cast<double>(inserted) / seconds;
}

int main(int argc, char** argv) {
    double seconds = 5.0;
    long memoryUploads = 100000;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind("--benchmark_min_time=", 0) == 0) {  // the test run's brief pass
            seconds = 0.5;
            memoryUploads = 2000;
        } else if (argument == "--seconds" && i + 1 < argc) {
            seconds = std::stod(argv[++i]);
        } else if (argument == "--memory-uploads" && i + 1 < argc) {
            memoryUploads = std::stol(argv[++i]);
        }
    }
    char name[] = "/tmp/zando-load-XXXXXX";
    if (!mkdtemp(name)) return 1;
    const std::string folder = name;
    zando_test::PostgresCluster cluster;
    std::printf("zando-dashboard under load on loopback, %u cores; %.1f s a case\n", std::thread::hardware_concurrency(),
                seconds);
    std::printf("%-10s %7s %12s %9s %9s %14s %12s %6s\n", "database", "clients", "uploads/s", "p50 ms", "p99 ms",
                "uploads/commit", "CPU us/upload", "failed");
    int failures = 0;
    std::atomic<uint64_t> next = 0;
    constexpr std::size_t Unlimited = SIZE_MAX;
    std::map<int, double> sqlitePerSecond;  // clients: uploads a second
    std::map<int, Figures> postgresFigures;
    for (const std::string engine : {"SQLite", "PostgreSQL"}) {
        for (const int clients : {1, 16, 64}) {
            const std::string database =
                engine == "SQLite" ? folder + "/" + std::to_string(clients) + ".sqlite3" : cluster.NewDatabase();
            Service service(folder, database);
            const Figures figures = Load(service, clients, seconds, Unlimited, next);
            const auto [uploads, commits] = service.Stop();
            std::printf("%-10s %7d %12.0f %9.2f %9.2f %14.1f %12.0f %6llu\n", engine.c_str(), clients, figures.perSecond,
                        figures.p50, figures.p99, commits > 0 ? uploads / commits : 0.0, figures.cpuMicroseconds,
                        static_cast<unsigned long long>(figures.failed));
            failures += figures.failed > 0;
            if (engine == "PostgreSQL") postgresFigures[clients] = figures;
            else sqlitePerSecond[clients] = figures.perSecond;
            if (figures.failed > 0)
                for (const std::string& line : service.Said()) std::printf("  the service said: %s\n", line.c_str());
        }
        // Memory: resident size after the first tenth of the uploads and at the end, 16 clients.
        const std::string database = engine == "SQLite" ? folder + "/memory.sqlite3" : cluster.NewDatabase();
        Service service(folder, database);
        const std::size_t tenth = static_cast<std::size_t>(memoryUploads) / 10 / 16;
        long early = 0;
        for (int part = 0; part < 10; ++part) {
            failures += Load(service, 16, 3600.0, tenth, next).failed > 0;
            if (part == 0) early = service.ResidentKiB();
        }
        const long late = service.ResidentKiB();
        service.Stop();
        std::printf("%-10s memory over %zu uploads: %ld KiB after the first tenth, %ld KiB at the end\n", engine.c_str(),
                    tenth * 16 * 10, early, late);
    }
    for (const int clients : {16, 64}) {
        const double bare = BareSqliteInserts(folder + "/bare-" + std::to_string(clients) + ".sqlite3", clients, seconds);
        std::printf("SQLite     %7d clients: a bare insert program %.0f inserts/s, zando-dashboard %.0f uploads/s: %.2f x\n",
                    clients, bare, sqlitePerSecond[clients], bare > 0 ? sqlitePerSecond[clients] / bare : 0.0);
        failures += bare <= 0.0;
    }
    // PostgreSQL's own insert rate on the same cluster and clients: pgbench, a match's row (its 18
    // columns and its unique identity) a transaction, as the service would store uploads one at a time.
    std::ofstream(folder + "/insert.sql")
        << "INSERT INTO matches_alike VALUES (1, now()::text, now()::text, 3, 1, 1234.5, 9000, 812.25, 790.5, 300, 41.5,"
           " 120, 98.25, 'Ranked Doubles', true, 1012, 11, md5(random()::text || clock_timestamp()::text));\n";
    for (const int clients : {16, 64}) {
        const std::string database = cluster.NewDatabase();
        const std::string create =
            "/usr/lib/postgresql/15/bin/psql -q '" + database +
            "' -c 'CREATE TABLE matches_alike (account_id BIGINT, received_at TEXT, sent_at TEXT, shots BIGINT, goals BIGINT,"
            " average_speed FLOAT8, speed_samples BIGINT, boost_collected FLOAT8, boost_used FLOAT8, game_time FLOAT8,"
            " possession_time FLOAT8, team_possession_time FLOAT8, opponent_possession_time FLOAT8, playlist TEXT,"
            " is_ranked BOOLEAN, mmr FLOAT8, mmr_change FLOAT8, fingerprint TEXT, UNIQUE (account_id, fingerprint))'";
        const std::string run = "/usr/lib/postgresql/15/bin/pgbench -n -c " + std::to_string(clients) + " -j 2 -T " +
                                std::to_string(std::max(1, static_cast<int>(seconds))) + " -f " + folder + "/insert.sql '" +
                                database + "' 2>/dev/null";
        double tps = 0.0, busy = 0.0, client = 0.0;
        if (std::system(create.c_str()) == 0) {
            const double busyBefore = MachineBusySeconds(), clientBefore = CpuSeconds(RUSAGE_CHILDREN);
            if (FILE* output = popen(run.c_str(), "r")) {
                char line[256];
                while (std::fgets(line, sizeof line, output)) std::sscanf(line, "tps = %lf", &tps);
                pclose(output);
            }
            busy = MachineBusySeconds() - busyBefore;
            client = CpuSeconds(RUSAGE_CHILDREN) - clientBefore;
        }
        const Figures& service = postgresFigures[clients];
        std::printf("PostgreSQL %7d clients: pgbench %.0f inserts/s, zando-dashboard %.0f uploads/s: %.2f x\n", clients, tps,
                    service.perSecond, tps > 0 ? service.perSecond / tps : 0.0);
        // Where the cores went: pgbench's client is a few microseconds a row; the service's load
        // generator (HTTP, signing) shares the same cores, and bounds what any service could reach here.
        const double rows = tps * std::max(1.0, static_cast<double>(static_cast<int>(seconds)));
        if (rows > 0)
            std::printf("  CPU us a row: pgbench's client %.0f, the rest %.0f; an upload: the load generator %.0f, the service %.0f,"
                        " the rest %.0f\n",
                        client * 1e6 / rows, (busy - client) * 1e6 / rows, service.generatorMicroseconds, service.cpuMicroseconds,
                        service.restMicroseconds);
        failures += tps <= 0.0;
    }
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    return failures == 0 ? 0 : 1;
}
