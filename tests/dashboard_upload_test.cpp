// The upload of a match and the connection test, with the real client against the test dashboard
// server over real sockets, HTTP and HTTPS: the request's bytes, the signature the server verifies on
// its own, every outcome's line, the preconditions and the mends.
#include <chrono>
#include <cstdlib>
#include <limits>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include "dashboard_server.h"
#include "match_support.h"

using zando_test::DashboardServer;
using zando_test::LinuxPath;
using Lines = std::vector<std::string>;

namespace {

const std::string Key = "zk_test_4f9a0c2e";

}  // namespace

class DashboardUpload : public zando_test::MatchTest {
protected:
    void SetUp() override {
        Z().settings.uploadEnabled = true;
        Z().settings.apiKey = Key;
        Z().tracker.match.shots = 3;
        Z().tracker.match.goals = 1;
        Z().tracker.match.gameTime = 287.6f;
        Z().tracker.match.playlistName = "Ranked Doubles";
        Z().tracker.match.shotHeatmap[30][25] = 10.0f;
    }
    std::filesystem::path Folder(const std::string& name) {
        const auto folder = home.path() / name;
        std::filesystem::create_directories(folder);
        return folder;
    }
    // The end of a match without an MMR to wait for: the statistics file, then the upload. The lines
    // of the upload attempt only.
    Lines Upload() {
        Z().flags.matchFinished = false;  // each attempt is the end of a match of its own
        MarkLines();
        match.Fire(zando_test::events::MatchEnded);
        const Lines all = NewLines();
        const auto from = std::find(all.begin(), all.end(), "[STATS] Triggering upload to server...");
        const auto to = std::find(all.begin(), all.end(), "[STATS] Match ended processing complete.");
        if (from == all.end() || to == all.end() || to < from)
            return {"<no upload attempt in: " + std::to_string(all.size()) + " lines>"};
        return Lines(from + 1, to);
    }
    // A whole attempt: its start, the body size, the outcome and the completion line.
    void ExpectAttempt(const Lines& lines, const std::string& outcome, const std::string& start = DefaultStart) {
        ASSERT_EQ(lines.size(), 4u) << ::testing::PrintToString(lines);
        EXPECT_EQ(lines[0], start);
        EXPECT_EQ(lines[1].rfind("[ZANDO] JSON payload size: ", 0), 0u) << lines[1];
        EXPECT_EQ(lines[2], outcome);
        EXPECT_EQ(lines[3], "[ZANDO] Upload attempt completed");
    }
    static inline const std::string DefaultStart = "[ZANDO] 🔄 Starting upload... (Shots: 3, Goals: 1, Time: 287s)";
};

TEST_F(DashboardUpload, AMatchReachesTheServerSignedAndIsUploadedOnce) {
    DashboardServer server(Folder("server"), Key);
    Z().settings.serverUrl = server.Url("http", "/base/");
    const Lines lines = Upload();
    ExpectAttempt(lines, "[ZANDO] ✅ Stats uploaded successfully! (Status: 200)");
    EXPECT_TRUE(Z().flags.uploadedThisMatch);
    EXPECT_FALSE(Z().flags.uploadInProgress);

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto& request = requests[0];
    EXPECT_EQ(request["request_line"], "POST /base/api/stats/upload HTTP/1.1");
    EXPECT_TRUE(request["key_ok"].get<bool>());
    EXPECT_TRUE(request["signature_ok"].get<bool>()) << "verified by the server with Python's hmac";
    EXPECT_EQ(DashboardServer::Header(request, "Content-Type"), "application/json");
    EXPECT_EQ(DashboardServer::Header(request, "Authorization"), "Bearer " + Key);
    EXPECT_EQ(DashboardServer::Header(request, "X-ZANDO-Plugin-Version"), "1.0.0");
    EXPECT_EQ(DashboardServer::Header(request, "User-Agent"), "ZANDO-Plugin/1.0");
    EXPECT_EQ(DashboardServer::Header(request, "Expect"), "<none>");
    EXPECT_EQ(DashboardServer::Header(request, "X-ZANDO-Signature").size(), 7u + 64u);

    // The body: the keys in their order, compact, the numbers as written.
    const std::string body = request["body"];
    EXPECT_EQ(lines[1], "[ZANDO] JSON payload size: " + std::to_string(body.size()) + " bytes");
    EXPECT_EQ(body.find(": "), std::string::npos);
    EXPECT_EQ(body.find(", "), std::string::npos);
    const auto parsed = nlohmann::ordered_json::parse(body);
    std::vector<std::string> keys;
    for (const auto& item : parsed.items()) keys.push_back(item.key());
    EXPECT_EQ(keys,
              (std::vector<std::string>{"timestamp", "shots", "goals", "averageSpeed", "speedSamples", "boostCollected",
                                        "boostUsed", "gameTime", "possessionTime", "teamPossessionTime", "opponentPossessionTime",
                                        "playlist", "isRanked", "mmr", "mmrChange", "shotHeatmap", "goalHeatmap"}));
    EXPECT_NE(body.find(",\"gameTime\":287.6,"), std::string::npos) << body;
    EXPECT_NE(body.find(",\"isRanked\":false,\"mmr\":0,\"mmrChange\":0,"), std::string::npos) << body;
    EXPECT_NE(body.find(",\"shotHeatmap\":[[0,0,0,0,0,0,0,0,0,0],"), std::string::npos) << body;
    EXPECT_NEAR(parsed["shotHeatmap"][4][5].get<double>(), 10.0 / 35.0, 1e-6) << "rows 24..30 and columns 25..29 make one block";
    EXPECT_EQ(parsed["timestamp"].get<std::string>().back(), 'Z');

    EXPECT_EQ(Upload(), (Lines{"[ZANDO] ℹ Stats already uploaded for this match - skipping duplicate"}));
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(DashboardUpload, EveryAnswerHasItsLineAndOnlyTwoHundredMarksTheMatchUploaded) {
    const std::vector<std::pair<int, std::string>> answers = {
        {401, "[ZANDO] ✗ Upload failed: Invalid API key (401) - Check your API key in settings"},
        {403, "[ZANDO] ✗ Upload failed: Forbidden (403) - API key may be revoked"},
        {404, "[ZANDO] ✗ Upload failed: Endpoint not found (404) - Check server URL"},
        {503, "[ZANDO] ⚠ Upload failed: Server unavailable (503) - Try again later"},
        {500, "[ZANDO] ✗ Upload failed: Server error (500)"},
        {502, "[ZANDO] ✗ Upload failed: Server error (502)"},
        {201, "[ZANDO] ⚠ Upload returned unexpected status: 201"},
        {301, "[ZANDO] ⚠ Upload returned unexpected status: 301"},
        {418, "[ZANDO] ⚠ Upload returned unexpected status: 418"},
    };
    std::string statuses;
    for (const auto& [status, line] : answers) statuses += (statuses.empty() ? "" : ",") + std::to_string(status);
    DashboardServer server(Folder("server"), Key, {"--statuses", statuses});
    Z().settings.serverUrl = server.Url();
    for (const auto& [status, line] : answers) {
        ExpectAttempt(Upload(), line);
        EXPECT_FALSE(Z().flags.uploadedThisMatch) << status;
    }
    // The redirection (301, with a Location) was reported, not followed with the key to another address.
    EXPECT_EQ(server.Requests().size(), answers.size());
}

TEST_F(DashboardUpload, PreconditionsAreCheckedInOrderAndLeaveTheFlagsAlone) {
    Z().settings.uploadEnabled = false;
    Z().settings.apiKey.clear();
    EXPECT_EQ(Upload(), (Lines{"[ZANDO] Upload disabled - enable in Dashboard Integration settings"}));
    Z().settings.uploadEnabled = true;
    EXPECT_EQ(Upload(), (Lines{"[ZANDO] ✗ No API key set - cannot upload. Set your API key in Dashboard Integration."}));
    Z().settings.apiKey = Key;
    Z().flags.uploadedThisMatch = true;
    EXPECT_EQ(Upload(), (Lines{"[ZANDO] ℹ Stats already uploaded for this match - skipping duplicate"}));
    Z().flags.uploadedThisMatch = false;
    Z().flags.uploadInProgress = true;
    EXPECT_EQ(Upload(), (Lines{"[ZANDO] ⚠ Upload already in progress - skipping duplicate upload"}));
    EXPECT_TRUE(Z().flags.uploadInProgress);
    Z().flags.uploadInProgress = false;
    Z().tracker.match.shots = Z().tracker.match.goals = 0;
    Z().tracker.match.gameTime = 9.9f;
    EXPECT_EQ(Upload(), (Lines{"[ZANDO] ℹ No significant activity to upload (< 10s, no shots/goals)"}));

    // 10.0 s is enough: the attempt runs (against an address nobody listens on).
    Z().tracker.match.gameTime = 10.0f;
    Z().settings.serverUrl = "http://127.0.0.1:9";
    const Lines lines = Upload();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "[ZANDO] 🔄 Starting upload... (Shots: 0, Goals: 0, Time: 10s)");
    EXPECT_EQ(lines[2], "[ZANDO] ✗ Failed to send request to server (Error: 12029)") << "a refused connection";
    EXPECT_FALSE(Z().flags.uploadInProgress);
}

TEST_F(DashboardUpload, AnAddressWithoutSchemeAndBrokenServersEndTheAttemptWithTheirLine) {
    Z().settings.serverUrl = "127.0.0.1:8080/x";
    ExpectAttempt(Upload(), "[ZANDO] ✗ Failed to connect to server: 127.0.0.1:8080/x");

    DashboardServer closing(Folder("closing"), Key, {"--behaviour", "close"});
    Z().settings.serverUrl = closing.Url();
#if defined(_WIN32)
    // The code is WinHTTP's own: Wine's reports a connection closed before any answer as an invalid response.
    ExpectAttempt(Upload(), "[ZANDO] ✗ Failed to receive response from server (Error: 12152)");
#else
    ExpectAttempt(Upload(), "[ZANDO] ✗ Failed to receive response from server (Error: 12030)");
#endif
    EXPECT_EQ(closing.Requests().size(), 1u) << "the request was sent whole";
}

TEST_F(DashboardUpload, AServerThatNeverAnswersCostsEightSecondsNotTheGame) {
#if defined(_WIN32)
    GTEST_SKIP() << "Wine's WinHTTP applies no time-out while it sends and waits (Windows applies the ones set)";
#endif
    DashboardServer hung(Folder("hung"), Key, {"--behaviour", "hang"});
    Z().settings.serverUrl = hung.Url();
    const auto started = std::chrono::steady_clock::now();
    ExpectAttempt(Upload(), "[ZANDO] ✗ Failed to receive response from server (Error: 12002)");
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_GE(waited, 7.5) << "the server had its eight seconds";
    EXPECT_LT(waited, 9.5) << "the attempt gives up at eight seconds";
    EXPECT_FALSE(Z().flags.uploadInProgress);
}

#if !defined(_WIN32)
// A server whose listening queue is full: the kernel drops the connection's opening packets, so the
// connection is never made and the attempt gives up after the three seconds it allows to connect.
TEST_F(DashboardUpload, AServerThatNeverAcceptsCostsThreeSeconds) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    socklen_t length = sizeof address;
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    // Connections nobody accepts fill the queue (a backlog of 0 holds one).
    std::vector<int> waiting;
    for (int i = 0; i < 2; ++i) {
        const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        ASSERT_GE(client, 0);
        ::connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        waiting.push_back(client);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Z().settings.serverUrl = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    const auto started = std::chrono::steady_clock::now();
    const Lines lines = Upload();
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    for (const int client : waiting) ::close(client);
    ::close(listener);
    ASSERT_EQ(lines.size(), 4u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[2].rfind("[ZANDO] ✗ ", 0), 0u) << lines[2];
    EXPECT_GE(waited, 2.5) << "the server had its three seconds to take the connection";
    EXPECT_LT(waited, 4.5) << "the attempt gives up at three seconds";
    EXPECT_FALSE(Z().flags.uploadInProgress);
}
#endif

TEST_F(DashboardUpload, OverHttpsACertificateFromAnAuthorityNobodyTrustsIsRefused) {
    const auto certificates = Folder("certificates");
    zando_test::MakeTestCertificates(certificates);
    DashboardServer server(
        Folder("server"), Key,
        {"--cert", LinuxPath(certificates / "server.pem"), "--cert-key", LinuxPath(certificates / "server.key")});
    Z().settings.serverUrl = server.Url("https");
    zando_test::SetEnvironment("ZANDO_CA_BUNDLE");
#if defined(_WIN32)
    // The code is WinHTTP's own: Wine's ends the handshake as a secure-channel error.
    ExpectAttempt(Upload(), "[ZANDO] ✗ Failed to send request to server (Error: 12157)");
#else
    ExpectAttempt(Upload(), "[ZANDO] ✗ Failed to send request to server (Error: 12175)");
#endif
    EXPECT_TRUE(server.Requests().empty()) << "nothing was sent before the certificate was checked";
}

TEST_F(DashboardUpload, OverHttpsAnAuthorityTrustedByConfigurationIsAccepted) {
#if defined(_WIN32)
    GTEST_SKIP() << "WinHTTP trusts the system's certificate store; the extra authority (ZANDO_CA_BUNDLE) is libcurl's";
#endif
    const auto certificates = Folder("certificates");
    zando_test::MakeTestCertificates(certificates);
    DashboardServer server(
        Folder("server"), Key,
        {"--cert", LinuxPath(certificates / "server.pem"), "--cert-key", LinuxPath(certificates / "server.key")});
    Z().settings.serverUrl = server.Url("https");
    zando_test::SetEnvironment("ZANDO_CA_BUNDLE", (certificates / "ca.pem").string());
    ExpectAttempt(Upload(), "[ZANDO] ✅ Stats uploaded successfully! (Status: 200)");
    zando_test::SetEnvironment("ZANDO_CA_BUNDLE");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_TRUE(server.Requests()[0]["signature_ok"].get<bool>());
}

TEST_F(DashboardUpload, TheBodyLimitIsOneHundredThousandBytes) {
    DashboardServer server(Folder("server"), Key, {"--statuses", "500"});
    Z().settings.serverUrl = server.Url();
    Z().tracker.match.playlistName.clear();
    Upload();
    ASSERT_EQ(server.Requests().size(), 1u);
    const std::size_t bare = server.Requests()[0]["body"].get<std::string>().size();  // the timestamp has a fixed width

    Z().tracker.match.playlistName.assign(100000 - bare, 'x');
    const Lines sent = Upload();
    ExpectAttempt(sent, "[ZANDO] ✗ Upload failed: Server error (500)");
    EXPECT_EQ(sent[1], "[ZANDO] JSON payload size: 100000 bytes");
    EXPECT_EQ(server.Requests().size(), 2u);

    Z().tracker.match.playlistName += "x";
    EXPECT_EQ(Upload(), (Lines{DefaultStart, "[ZANDO] ✗ JSON payload too large (100001 bytes) - aborting upload"}));
    EXPECT_FALSE(Z().flags.uploadInProgress);
    EXPECT_EQ(server.Requests().size(), 2u);
}

TEST_F(DashboardUpload, MendedKeysTitlesAndAddressesAreSentSafelyOrNotAtAll) {
    DashboardServer server(Folder("server"), std::string(300, 'k'));
    Z().settings.serverUrl = server.Url();

    // A line break in the key or the address would write a header of its own: refused before sending.
    Z().settings.apiKey = Key + "\r\nX-Admin: yes";
    EXPECT_EQ(Upload(), (Lines{"[ZANDO] ✗ The API key contains a control character (such as a line break) - enter it again in "
                               "Dashboard Integration"}));
    Z().settings.apiKey = std::string(300, 'k');
    Z().settings.serverUrl = server.Url() + "\n";
    EXPECT_EQ(Upload(), (Lines{"[ZANDO] ✗ The server URL contains a control character (such as a line break) - enter it again"}));
    // Addresses whose request path would land in a fragment or query, or go to another host than shown.
    const std::string hostPort = server.Url().substr(std::string("http://").size());
    for (const std::string& url : {server.Url() + "/#dashboard", server.Url() + "/?tenant=1", "http://user@" + hostPort,
                                   "http://127.0.0.2@" + hostPort + "/", server.Url() + "/my dashboard"}) {
        Z().settings.serverUrl = url;
        const Lines lines = Upload();
        ASSERT_EQ(lines.size(), 1u) << url;
        EXPECT_EQ(lines[0].rfind("[ZANDO] ✗ The server URL contains ", 0), 0u) << url << ": " << lines[0];
    }
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_FALSE(Z().flags.uploadInProgress);

    // A key longer than 256 bytes signs correctly; a title with quotes and a backslash keeps the body JSON.
    Z().settings.serverUrl = server.Url();
    Z().tracker.match.playlistName = "Rumble \"Ranked\" \\ Tuesday\tnight";
    ExpectAttempt(Upload(), "[ZANDO] ✅ Stats uploaded successfully! (Status: 200)");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_TRUE(server.Requests()[0]["signature_ok"].get<bool>());
    EXPECT_EQ(nlohmann::json::parse(server.Requests()[0]["body"].get<std::string>())["playlist"], Z().tracker.match.playlistName);
}

TEST_F(DashboardUpload, FiguresThatAreNotFiniteNumbersAreSentAndWrittenAsZeroAndSaidSo) {
    DashboardServer server(Folder("server"), Key);
    Z().settings.serverUrl = server.Url();
    Z().tracker.match.mmrChange = std::numeric_limits<float>::infinity();
    Z().tracker.match.boostUsed = std::numeric_limits<float>::quiet_NaN();
    Upload();
    EXPECT_TRUE(Logged("[EXPORT] ⚠ boostUsed is not a finite number - written as 0"));
    EXPECT_TRUE(Logged("[ZANDO] ⚠ boostUsed is not a finite number - sent as 0"));
    EXPECT_TRUE(Logged("[ZANDO] ⚠ mmrChange is not a finite number - sent as 0"));
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto body = nlohmann::json::parse(requests[0]["body"].get<std::string>());  // throws if it is not JSON
    EXPECT_EQ(body["mmrChange"], 0);
    EXPECT_EQ(body["boostUsed"], 0);
    const auto file =
        nlohmann::json::parse(zando_test::ReadFile(zando_test::InDataFolder(Host().DataFolder(), "zando_stats.json")));
    EXPECT_EQ(file["boostUsed"], 0);
}

// A rating service that answers with no number: the match neither waits for it nor sends it.
TEST_F(DashboardUpload, ARatingThatIsNotANumberIsNotTakenAsTheInitialMmr) {
    match.StartMatch(&zando_test::RankedDoubles);
    match.SetMmr(11, std::numeric_limits<float>::quiet_NaN());
    Z().flags.matchActive = false;
    match.Fire(zando_test::events::CountdownBeginState);
    EXPECT_TRUE(Logged("[METADATA] Initial MMR is not a number - continuing without it"));
    EXPECT_EQ(Z().tracker.match.initialMmr, 0.0f);
}
