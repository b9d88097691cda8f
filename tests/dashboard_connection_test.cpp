// zando-dashboard against clients that do not play by the rules: each connection's work is bounded
// whatever its client sends, and clients holding connections open leave room for the plug-in's uploads.
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "dashboard_support.h"
#include "raw_client.h"

using zando_test::Chunked;
using zando_test::DashboardTest;
using zando_test::Engine;
using zando_test::MatchBody;
using zando_test::RawClient;

namespace {

struct RawCase {
    const char* what;
    std::string head, after;   // sent at once, then after whatever the service says
    const char* answerStarts;  // empty: closed without an answer
};

}  // namespace

TEST_P(DashboardTest, EveryRequestThatBreaksTheLimitsIsAnsweredAndItsConnectionClosed) {
    if (GetParam() == Engine::Postgres) GTEST_SKIP() << "the connection's limits are the same whatever the database";
    auto service = Start("--head-seconds 1 --body-seconds 1");
    const std::string upload = "POST /api/stats/upload HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer x\r\n";
    const RawCase cases[] = {
        {"a chunked body past the limit", upload + "Transfer-Encoding: chunked\r\n\r\n", Chunked(2 * 1024 * 1024),
         "HTTP/1.1 413"},
        {"a declared body past the limit", upload + "Content-Length: 300000\r\n\r\n", "", "HTTP/1.1 413"},
        {"a head past its limit", "GET /api/health HTTP/1.1\r\nX-Long: " + std::string(20000, 'x') + "\r\n\r\n", "",
         "HTTP/1.1 431"},
        {"a request line that is not HTTP", "LOOK AT THIS\r\n\r\n", "", "HTTP/1.1 400"},
        {"a head never finished", "GET /api/health HTTP/1.1\r\nHost:", "", ""},
        {"a body never finished", upload + "Content-Length: 1000\r\n\r\n{\"shots\":", "", ""},
    };
    for (const RawCase& c : cases) {
        SCOPED_TRACE(c.what);
        RawClient client(service->Port());
        ASSERT_TRUE(client.Connected());
        ASSERT_TRUE(client.Send(c.head));
        client.Send(c.after);  // the service may close before all of it is read
        bool closed = false;
        const std::string answer = client.Read(10000, &closed);
        EXPECT_EQ(answer.substr(0, std::string(c.answerStarts).size()), c.answerStarts) << answer;
        EXPECT_TRUE(closed) << "the connection ends with its answer";
        if (!answer.empty()) {
            EXPECT_NE(answer.find("Connection: close"), std::string::npos) << answer;
        }
    }
    EXPECT_EQ(service->Upload(NewKey("alice"), MatchBody(1).dump())->status, 200) << "the service goes on";
}

// A client sending its head a byte at a time has the head's deadline for all of it, not for each byte.
TEST_P(DashboardTest, ATrickledHeadIsCutAtItsDeadlineWhateverItsPace) {
    if (GetParam() == Engine::Postgres) GTEST_SKIP() << "the connection's limits are the same whatever the database";
    auto service = Start("--head-seconds 1");
    RawClient client(service->Port());
    ASSERT_TRUE(client.Connected());
    const int sent = zando_test::TrickledHeadBytes(client);
    EXPECT_GE(sent, 3) << "a head being sent is not refused before its deadline";
    EXPECT_LT(sent, 50) << "200 ms a byte: the connection outlived a one-second deadline many times over";
}

// The slow clients of one address hold that address's connections only; those of many addresses hold
// no thread: the plug-in's uploads are answered all the same.
TEST_P(DashboardTest, ClientsHoldingConnectionsOpenLeaveRoomForUploads) {
    if (GetParam() == Engine::Postgres) GTEST_SKIP() << "the connection's limits are the same whatever the database";
    const std::string key = NewKey("alice");
    auto service = Start("--max-connections-per-address 4 --max-connections 120");
    std::vector<std::unique_ptr<RawClient>> slow;
    for (int address = 0; address < 25; ++address)
        for (int c = 0; c < 4; ++c) {
            const std::string from = "127.0.1." + std::to_string(address + 10);
            slow.push_back(std::make_unique<RawClient>(service->Port(), from.c_str()));
            ASSERT_TRUE(slow.back()->Connected());
            ASSERT_TRUE(slow.back()->Send("POST /api/stats/upload HTTP/1.1\r\nX-Slow: "));
        }
    RawClient fifth(service->Port(), "127.0.1.10");
    const std::string refused = fifth.Read(5000);
    EXPECT_EQ(refused.substr(0, 12), "HTTP/1.1 503") << "a fifth connection of one address";
    EXPECT_NE(refused.find("too many connections"), std::string::npos) << refused;
    for (int match = 1; match <= 4; ++match)
        EXPECT_EQ(service->Upload(key, MatchBody(match).dump())->status, 200) << "upload " << match << " beside 100 slow clients";
    // The whole service's cap: 100 slow clients, 20 more connections, then no room.
    std::vector<std::unique_ptr<RawClient>> more;
    for (int c = 0; c < 20; ++c) more.push_back(std::make_unique<RawClient>(service->Port(), "127.0.0.1"));
    RawClient past(service->Port(), "127.0.2.1");
    EXPECT_EQ(past.Read(5000).substr(0, 12), "HTTP/1.1 503") << "past the service's total";
    more.clear();
    slow.clear();
    for (int tries = 0; tries < 100; ++tries) {
        if (const auto answer = service->Upload(key, MatchBody(5).dump()); answer && answer->status == 200) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(MatchesOf(key).size(), 5u) << "room again once the clients left";
}
