// The test dashboard server (tests/dashboard/dashboard_test_server.py) run as a child process on
// loopback, with the requests it recorded; and a test certificate authority made for one test.
// A Windows test program runs under Wine, which cannot start a Linux program: there the dashboard is
// started and ended by tests/dashboard/dashboard_launcher.py, whose address is in the environment
// variable ZANDO_TEST_DASHBOARD_LAUNCHER.
#pragma once

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "upload/http_client.h"
#else
#include <signal.h>
#include <sys/wait.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "first_line_child.h"

namespace zando_test {

// The Linux path of a file, for the Linux programs that read or write it (under Wine, its Unix name).
#if defined(_WIN32)
inline std::string LinuxPath(const std::filesystem::path& path) {
    using ToUnix = char* (*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) throw std::runtime_error("the test dashboard is reached only under Wine");
    char* unixPath = toUnix(std::filesystem::absolute(path).c_str());
    if (!unixPath) throw std::runtime_error("no Linux path for " + path.string());
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}
#else
inline std::string LinuxPath(const std::filesystem::path& path) { return path.string(); }
#endif

class DashboardServer {
public:
    // options: extra arguments ("--statuses 401,403", "--behaviour hang", "--cert ... --cert-key ...").
#if defined(_WIN32)
    DashboardServer(const std::filesystem::path& folder, const std::string& key, const std::vector<std::string>& options = {})
        : record_(folder / "requests.jsonl"), log_(folder / "dashboard.log") {
        std::vector<std::string> arguments = {"--key", key, "--record", LinuxPath(record_)};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const std::filesystem::path portFile = folder / "dashboard.port";
        const int status = AskLauncher(
            "/start", nlohmann::json{{"arguments", arguments}, {"log", LinuxPath(log_)}, {"port_file", LinuxPath(portFile)}});
        std::ifstream in(portFile);
        if (status != 204 || !(in >> port_)) throw std::runtime_error("the test dashboard did not start; see " + log_.string());
    }
    ~DashboardServer() { AskLauncher("/stop", nlohmann::json{{"port", port_}}); }
#else
    DashboardServer(const std::filesystem::path& folder, const std::string& key, const std::vector<std::string>& options = {})
        : record_(folder / "requests.jsonl"), log_(folder / "dashboard.log") {
        std::vector<std::string> words = {"python3", ZANDO_DASHBOARD_SERVER_PATH, "--key", key, "--record", record_.string()};
        words.insert(words.end(), options.begin(), options.end());
        std::string first;
        pid_ = zando_test::SpawnReadingFirstLine(words, log_, first);
        if (std::sscanf(first.c_str(), "listening on %d", &port_) != 1)
            throw std::runtime_error("the test dashboard did not start; see " + log_.string());
    }
    ~DashboardServer() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
#endif
    DashboardServer(const DashboardServer&) = delete;
    DashboardServer& operator=(const DashboardServer&) = delete;

    int Port() const { return port_; }
    std::string Url(const std::string& scheme = "http", const std::string& path = "") const {
        return scheme + "://127.0.0.1:" + std::to_string(port_) + path;
    }
    // Every request the server recorded, oldest first, but an upload's question of the formats taken;
    // and those questions alone.
    std::vector<nlohmann::json> Requests() const { return Recorded(false); }
    std::vector<nlohmann::json> Probes() const { return Recorded(true); }
    static std::string Header(const nlohmann::json& request, const std::string& name) {
        for (const auto& pair : request["headers"])
            if (pair[0].get<std::string>() == name) return pair[1].get<std::string>();
        return "<none>";
    }

#if defined(_WIN32)
    // The launcher's status code for one request (0: no answer).
    static int AskLauncher(const std::string& path, const nlohmann::json& body) {
        const char* launcher = std::getenv("ZANDO_TEST_DASHBOARD_LAUNCHER");
        if (!launcher || !*launcher) throw std::runtime_error("ZANDO_TEST_DASHBOARD_LAUNCHER is not set: run ./run test-windows");
        zando::HttpRequest request;
        request.userAgent = "zando-tests";
        request.verb = "POST";
        request.serverUrl = launcher;
        request.pathSuffix = path;
        request.headers = {"Content-Type: application/json"};
        request.body = body.dump();
        return zando::PerformHttpRequest(request).status;
    }
#endif

private:
    std::vector<nlohmann::json> Recorded(bool probes) const {
        std::vector<nlohmann::json> requests;
        std::ifstream in(record_);
        for (std::string line; std::getline(in, line);)
            if (!line.empty()) {
                nlohmann::json request = nlohmann::json::parse(line);
                if (request.value("probe", false) == probes) requests.push_back(std::move(request));
            }
        return requests;
    }
#if !defined(_WIN32)
    pid_t pid_ = 0;
#endif
    std::filesystem::path record_;
    std::filesystem::path log_;
    int port_ = 0;
};

// A certificate authority made for the test, and a certificate for 127.0.0.1 signed by it:
// folder/"ca.pem", folder/"server.pem", folder/"server.key".
inline void MakeTestCertificates(const std::filesystem::path& folder) {
#if defined(_WIN32)
    const bool made = DashboardServer::AskLauncher("/certificates", nlohmann::json{{"folder", LinuxPath(folder)}}) == 204;
#else
    const bool made =
        std::system(
            ("sh '" + std::string(ZANDO_DASHBOARD_CERTIFICATES_PATH) + "' '" + folder.string() + "' >/dev/null 2>&1").c_str()) ==
        0;
#endif
    if (!made) throw std::runtime_error("openssl could not make the test certificates");
}

}  // namespace zando_test
