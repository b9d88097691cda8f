// WinHTTP and CryptoAPI against the test dashboard on loopback, under Wine: a signed upload the
// server verifies on its own, and the failure points of a refused connection and a bad address.
#include "dashboard_server.h"
#include "test_support.h"
#include "upload/http_client.h"
#include "upload/request_signature.h"

namespace {

const std::string Key = "zk_windows_test";

zando::HttpRequest Upload(const std::string& serverUrl, const std::string& key, const std::string& body,
                          const std::string& signature) {
    zando::HttpRequest request;
    request.userAgent = "ZANDO-Plugin/1.0";
    request.verb = "POST";
    request.serverUrl = serverUrl + "/base/";
    request.pathSuffix = "/api/stats/upload";
    request.headers = {"Content-Type: application/json", "Authorization: Bearer " + key, "X-ZANDO-Plugin-Version: 1.0.0"};
    if (!signature.empty()) request.headers.push_back("X-ZANDO-Signature: sha256=" + signature);
    request.body = body;
    return request;
}

std::string Sign(const std::string& key, const std::string& body) {
    return zando::HmacSha256Hex(key, body, [](const std::string& line) { ADD_FAILURE() << line; });
}

}  // namespace

TEST(WindowsDashboard, ASignedUploadIsVerifiedByTheServer) {
    zando_test::TempDir folder;
    zando_test::DashboardServer server(folder.path(), Key);
    const std::string body = R"({"shots":4,"goals":1,"playlist":"Ranked Doubles"})";
    const zando::HttpOutcome signed_ = zando::PerformHttpRequest(Upload(server.Url(), Key, body, Sign(Key, body)));
    EXPECT_EQ(signed_.stage, zando::HttpOutcome::Stage::Answered) << signed_.error;
    EXPECT_EQ(signed_.status, 200) << "the server checked the key and the CryptoAPI signature";

    const zando::HttpOutcome tampered = zando::PerformHttpRequest(Upload(server.Url(), Key, body + " ", Sign(Key, body)));
    EXPECT_EQ(tampered.status, 400) << "a signature over other bytes is refused";
    const zando::HttpOutcome wrongKey = zando::PerformHttpRequest(Upload(server.Url(), "zk_wrong", body, Sign("zk_wrong", body)));
    EXPECT_EQ(wrongKey.status, 401);
    const zando::HttpOutcome unsigned_ = zando::PerformHttpRequest(Upload(server.Url(), Key, body, ""));
    EXPECT_EQ(unsigned_.status, 200) << "three headers instead of four";

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_TRUE(requests[0]["signature_ok"].get<bool>());
    EXPECT_EQ(requests[0]["request_line"], "POST /base/api/stats/upload HTTP/1.1");
}

TEST(WindowsDashboard, FailuresBeforeAnAnswerAreReportedAtTheirStage) {
    zando::HttpRequest refused = Upload("http://127.0.0.1:9", "k", "{}", "");
    const zando::HttpOutcome noListener = zando::PerformHttpRequest(refused);
    EXPECT_EQ(noListener.stage, zando::HttpOutcome::Stage::SendFailed);
    EXPECT_EQ(noListener.error, zando::HttpErrorCannotConnect);

    refused.serverUrl = "127.0.0.1:8080/x";
    EXPECT_EQ(zando::PerformHttpRequest(refused).stage, zando::HttpOutcome::Stage::BadUrl);
}
