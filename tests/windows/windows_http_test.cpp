// WinHTTP and CryptoAPI against the test dashboard on loopback, under Wine: a signed upload the
// server verifies on its own, and the failure points of a refused connection and a bad address.
// The dashboard's address and key come from run_backend_tests.sh.
#include <gtest/gtest.h>

#include <cstdlib>

#include "upload/http_client.h"
#include "upload/request_signature.h"

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

zando::HttpRequest Upload(const std::string& key, const std::string& body, const std::string& signature) {
    zando::HttpRequest request;
    request.userAgent = "ZANDO-Plugin/1.0";
    request.verb = "POST";
    request.serverUrl = Environment("ZANDO_TEST_DASHBOARD") + "/base/";
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
    const std::string key = Environment("ZANDO_TEST_DASHBOARD_KEY");
    ASSERT_FALSE(key.empty()) << "run under tests/windows/run_backend_tests.sh";
    const std::string body = R"({"shots":4,"goals":1,"playlist":"Ranked Doubles"})";
    const zando::HttpOutcome signed_ = zando::PerformHttpRequest(Upload(key, body, Sign(key, body)));
    EXPECT_EQ(signed_.stage, zando::HttpOutcome::Stage::Answered) << signed_.error;
    EXPECT_EQ(signed_.status, 200) << "the server checked the key and the CryptoAPI signature";

    const zando::HttpOutcome tampered = zando::PerformHttpRequest(Upload(key, body + " ", Sign(key, body)));
    EXPECT_EQ(tampered.status, 400) << "a signature over other bytes is refused";
    const zando::HttpOutcome wrongKey = zando::PerformHttpRequest(Upload("zk_wrong", body, Sign("zk_wrong", body)));
    EXPECT_EQ(wrongKey.status, 401);
    const zando::HttpOutcome unsigned_ = zando::PerformHttpRequest(Upload(key, body, ""));
    EXPECT_EQ(unsigned_.status, 200) << "three headers instead of four";
}

TEST(WindowsDashboard, FailuresBeforeAnAnswerAreReportedAtTheirStage) {
    zando::HttpRequest refused = Upload("k", "{}", "");
    refused.serverUrl = "http://127.0.0.1:9";
    const zando::HttpOutcome noListener = zando::PerformHttpRequest(refused);
    EXPECT_EQ(noListener.stage, zando::HttpOutcome::Stage::SendFailed);
    EXPECT_EQ(noListener.error, zando::HttpErrorCannotConnect);

    refused.serverUrl = "127.0.0.1:8080/x";
    EXPECT_EQ(zando::PerformHttpRequest(refused).stage, zando::HttpOutcome::Stage::BadUrl);
}
