// The reverse proxy the README recommends, Debian's nginx with dashboard/nginx/zando-dashboard.conf,
// in front of zando-dashboard: uploads pass with their client's address, and the clients that break
// the rules are held by the proxy as the service would hold them.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <thread>

#include "dashboard_support.h"
#include "raw_client.h"

using zando_test::Chunked;
using zando_test::DashboardTest;
using zando_test::Engine;
using zando_test::MatchBody;
using zando_test::RawClient;
using zando_test::Signature;

namespace {

int FreePort() {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(probe);
    return ntohs(address.sin_port);
}

// nginx in a folder of its own, with the README's site file as it is but for its address, its
// certificate (none: the test speaks plain HTTP), the service's port and the head's deadline.
class Nginx {
public:
    Nginx(const std::filesystem::path& folder, int servicePort, int headSeconds) : port_(FreePort()) {
        std::string site = zando_test::ReadFile(std::filesystem::path(ZANDO_SOURCE_DIR) / "dashboard/nginx/zando-dashboard.conf");
        site = std::regex_replace(site, std::regex("listen 443 ssl;"), "listen 127.0.0.1:" + std::to_string(port_) + ";");
        site = std::regex_replace(site, std::regex(" *ssl_certificate[^\n]*\n"), "");
        site = std::regex_replace(site, std::regex("127\\.0\\.0\\.1:8080"), "127.0.0.1:" + std::to_string(servicePort));
        site = std::regex_replace(site, std::regex("client_header_timeout 10s"),
                                  "client_header_timeout " + std::to_string(headSeconds) + "s");
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "site.conf") << site;
        std::ofstream(folder / "nginx.conf") << "daemon off;\nmaster_process off;\npid nginx.pid;\nerror_log error.log;\n"
                                                "events { worker_connections 1024; }\n"
                                                "http {\n  access_log off;\n  client_body_temp_path body;\n"
                                                "  proxy_temp_path proxy;\n  fastcgi_temp_path fastcgi;\n"
                                                "  uwsgi_temp_path uwsgi;\n  scgi_temp_path scgi;\n  include site.conf;\n}\n";
        const std::string prefix = folder.string() + "/";
        std::vector<std::string> words = {"/usr/sbin/nginx",   "-p", prefix, "-c", prefix + "nginx.conf", "-e",
                                          prefix + "error.log"};
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) pid_ = 0;
        for (int tries = 0; pid_ > 0 && tries < 100; ++tries) {
            if (RawClient(port_).Connected()) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        throw std::runtime_error("nginx did not start: " + zando_test::ReadFile(folder / "error.log"));
    }
    ~Nginx() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    Nginx(const Nginx&) = delete;
    Nginx& operator=(const Nginx&) = delete;

    int Port() const { return port_; }

private:
    int port_;
    pid_t pid_ = 0;
};

std::string RawUpload(const std::string& key, const std::string& body) {
    return "POST /api/stats/upload HTTP/1.1\r\nHost: stats.example.org\r\nAuthorization: Bearer " + key +
           "\r\nX-ZANDO-Signature: " + Signature(key, body) +
           "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

}  // namespace

TEST_P(DashboardTest, BehindTheRecommendedProxyUploadsPassAndRuleBreakersAreHeld) {
    if (GetParam() == Engine::Postgres) GTEST_SKIP() << "the proxy is the same whatever the database";
    const std::string key = NewKey("alice");
    auto service = Start();
    Nginx proxy(dir.path() / "nginx", service->Port(), 1);

    RawClient player(proxy.Port(), "127.0.1.5");
    ASSERT_TRUE(player.Send(RawUpload(key, MatchBody(1).dump())));
    EXPECT_EQ(player.Read(10000).substr(0, 12), "HTTP/1.1 200");
    EXPECT_NE(service->Log().find(" 127.0.1.5 \"POST /api/stats/upload\" 200"), std::string::npos)
        << "the access log names the player, not the proxy:\n"
        << service->Log();

    RawClient chunked(proxy.Port());
    ASSERT_TRUE(chunked.Send("POST /api/stats/upload HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n"));
    chunked.Send(Chunked(2 * 1024 * 1024));
    EXPECT_EQ(chunked.Read(10000).substr(0, 12), "HTTP/1.1 413") << "a chunked body past 256 KiB";

    RawClient trickle(proxy.Port());
    const int sent = zando_test::TrickledHeadBytes(trickle);
    EXPECT_GE(sent, 3) << "a head being sent is not refused before its deadline";
    EXPECT_LT(sent, 50) << "200 ms a byte: the head outlived its one-second deadline many times over";

    // 40 slow heads from one address hold nothing the plug-in needs.
    std::vector<std::unique_ptr<RawClient>> slow;
    for (int c = 0; c < 40; ++c) {
        slow.push_back(std::make_unique<RawClient>(proxy.Port(), "127.0.1.9"));
        slow.back()->Send("POST /api/stats/upload HTTP/1.1\r\nX-Slow: ");
    }
    for (int match = 2; match <= 5; ++match) {
        RawClient upload(proxy.Port(), "127.0.1.6");
        ASSERT_TRUE(upload.Send(RawUpload(key, MatchBody(match).dump())));
        EXPECT_EQ(upload.Read(10000).substr(0, 12), "HTTP/1.1 200") << "upload " << match << " beside 40 slow clients";
    }
    EXPECT_EQ(MatchesOf(key).size(), 5u);
}

// The limits the proxy keeps once for every instance behind it: a key's uploads and an address's
// sign-in attempts (the service here limits neither uploads nor, behind one address, much else).
TEST_P(DashboardTest, BehindTheRecommendedProxyAKeysUploadsAndAnAddresssSignInsAreLimitedOnce) {
    if (GetParam() == Engine::Postgres) GTEST_SKIP() << "the proxy is the same whatever the database";
    const std::string key = NewKey("alice"), other = NewKey("bob");
    auto service = Start("--uploads-per-minute 0");
    Nginx proxy(dir.path() / "nginx", service->Port(), 10);
    // The status, and "429 nginx" when the proxy itself refused it.
    const auto status = [&](const std::string& request, const char* from) {
        RawClient client(proxy.Port(), from);
        if (!client.Send(request)) return std::string("unsent");
        const std::string answer = client.Read(10000);
        return answer.substr(9, 3) + (answer.find("<center>nginx") != std::string::npos ? " nginx" : "");
    };
    int accepted = 0;
    std::string after;
    for (int match = 0; match < 130 && after.empty(); ++match) {
        const std::string answer = status(RawUpload(key, MatchBody(match).dump()), "127.0.2.1");
        if (answer == "200")
            ++accepted;
        else
            after = answer;
    }
    EXPECT_EQ(after, "429 nginx");
    EXPECT_GE(accepted, 120) << "the burst a key may send at once";
    EXPECT_EQ(status(RawUpload(other, MatchBody(1).dump()), "127.0.2.1"), "200") << "another key is not held";

    const std::string signIn =
        "POST /signin HTTP/1.1\r\nHost: x\r\nContent-Type: application/x-www-form-urlencoded\r\n"
        "Content-Length: 9\r\nConnection: close\r\n\r\nkey=zk_no";
    int tried = 0;
    while (tried < 30 && status(signIn, "127.0.2.2") != "429 nginx") ++tried;
    EXPECT_LE(tried, 11) << "an address's attempts past the burst of 10";
    EXPECT_NE(status(signIn, "127.0.2.3"), "429 nginx") << "another address may try";
    EXPECT_EQ(status("GET /signin HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n", "127.0.2.2"), "200")
        << "the sign-in page itself is not held";
}
