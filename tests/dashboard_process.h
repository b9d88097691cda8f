// zando-dashboard run as the tests' child process: serve on a free loopback port with a database and
// a secret file of the test's own, its commands (keys ...), and requests signed as the plug-in signs them.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <httplib.h>

#include "dashboard_requests.h"
#include "first_line_child.h"
#include "test_support.h"

namespace zando_test {

// The service's command line with the test's database and secret file.
inline std::string DashboardCommand(const std::filesystem::path& folder, const std::string& database,
                                    const std::string& arguments) {
    return std::string(ZANDO_DASHBOARD_PATH) + " " + arguments + " --database '" + database + "' --secret-file " +
           (folder / "server.secret").string();
}

// A new key for the account, as `keys create` prints it.
inline std::string CreateKey(const std::filesystem::path& folder, const std::string& database, const std::string& account) {
    const ProcessResult made = RunCommand(DashboardCommand(folder, database, "keys create " + account), folder);
    if (made.exitCode != 0) throw std::runtime_error("keys create failed: " + made.err);
    return made.out.substr(0, made.out.find('\n'));
}

class DashboardProcess {
public:
    DashboardProcess(const std::filesystem::path& folder, const std::string& database, const std::string& options = "")
        : log_(folder / ("dashboard-" + std::to_string(++Started()) + ".log")) {
        const std::string command = "exec " + DashboardCommand(folder, database, "serve --listen 127.0.0.1:0 " + options);
        std::string first;
        pid_ = SpawnReadingFirstLine({"/bin/sh", "-c", command}, log_, first);
        char scheme[8] = {};
        if (std::sscanf(first.c_str(), "zando-dashboard: listening on %5[a-z]://127.0.0.1:%d", scheme, &port_) != 2) {
            Stop(SIGKILL);
            throw std::runtime_error("zando-dashboard did not start: " + Log());
        }
    }
    ~DashboardProcess() {
        if (pid_ > 0) Stop(SIGKILL);
    }
    DashboardProcess(const DashboardProcess&) = delete;
    DashboardProcess& operator=(const DashboardProcess&) = delete;

    int Port() const { return port_; }
    std::string Url(const std::string& scheme = "http") const { return scheme + "://127.0.0.1:" + std::to_string(port_); }
    std::string Log() const { return ReadFile(log_); }
    // Sends the signal and waits for the end; the exit code (-signal when killed by one).
    int Stop(int signal = SIGTERM) {
        int status = 0;
        kill(pid_, signal);
        waitpid(pid_, &status, 0);
        pid_ = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    }

    // An upload as the plug-in sends it: bearer key, signature of signingKey (key when empty), the body,
    // to path (the defined format's by default).
    httplib::Result Upload(const std::string& key, const std::string& body, const std::string& signingKey = "",
                           const std::string& path = "/api/stats/upload") const {
        httplib::Client client("127.0.0.1", port_);
        client.set_read_timeout(30, 0);
        const httplib::Headers headers = {{"Authorization", "Bearer " + key},
                                          {"X-ZANDO-Signature", Signature(signingKey.empty() ? key : signingKey, body)},
                                          {"X-ZANDO-Plugin-Version", "1.0.0"}};
        return client.Post(path, headers, body, "application/json");
    }

private:
    static int& Started() {
        static int started = 0;
        return started;
    }
    std::filesystem::path log_;
    pid_t pid_ = 0;
    int port_ = 0;
};

}  // namespace zando_test
