// The connection check behind the panel's "Test Connection": a GET of "<server>/api/health" with the
// API key, started from the panel and run on the game thread, ending in one result text and the
// status the server answered.
#include <exception>
#include <string>

#include "plugin/zando.h"
#include "upload/http_client.h"

namespace {

std::string ResultFor(int status) {
    if (status == 200) return "✓ Connection successful! Your API key is valid.";
    if (status == 401 || status == 403) return "✗ Invalid API key (Status: " + std::to_string(status) + ")";
    if (status == 404) return "⚠ Server reached but endpoint not found (404)";
    if (status == 503) return "⚠ Server unavailable (503) - Service may be starting up or down";
    if (status >= 500) return "✗ Server error (" + std::to_string(status) + ") - Please try again later";
    return "⚠ Unexpected status: " + std::to_string(status);
}

}  // namespace

void ZANDO::StartConnectionTest() {
    // One test at a time: each waits for the server up to the time-outs, and the game waits with it.
    if (connectionTestQueued) {
        connectionTestRefused = true;
        cvarManager->log("[ZANDO] A connection test is already running - wait for its result");
        return;
    }
    connectionTestStatus = 0;
    if (apiKey.empty()) {
        connectionTestResult = "✗ Please enter an API key first";
    } else if (!uploadEnabled) {
        connectionTestResult = "ℹ Upload is disabled. Enable it to test connection.";
    } else if (const std::string invalid = InvalidConnectionSetting(); !invalid.empty()) {
        connectionTestResult = "✗ " + invalid;
    } else {
        connectionTestResult = "🔄 Testing connection...";
        cvarManager->log("[ZANDO] Testing connection to " + serverUrl + "...");
        connectionTestQueued = true;
        connectionTestRefused = false;
        OnGameThread([this] {
            TestConnection();
            connectionTestQueued = false;
            connectionTestRefused = false;
        });
        return;
    }
    cvarManager->log("[ZANDO] " + connectionTestResult);
}

void ZANDO::TestConnection() {
    try {
        if (const std::string invalid = InvalidConnectionSetting(); !invalid.empty()) {
            connectionTestResult = "✗ " + invalid;
        } else {
            zando::HttpRequest request;
            request.userAgent = "ZANDO/1.0";
            request.verb = "GET";
            request.serverUrl = serverUrl;
            request.pathSuffix = "/api/health";
            request.headers = {"Authorization: Bearer " + apiKey};
            const zando::HttpOutcome outcome = zando::PerformHttpRequest(request);
            using Stage = zando::HttpOutcome::Stage;
            switch (outcome.stage) {
            case Stage::NoSession: connectionTestResult = "✗ Failed to initialize HTTP session."; break;
            case Stage::BadUrl: connectionTestResult = "✗ Invalid server URL format."; break;
            case Stage::NoConnection: connectionTestResult = "✗ Cannot connect to server. Check if server is online."; break;
            case Stage::NoRequest: connectionTestResult = "✗ Failed to open request."; break;
            case Stage::SendFailed: connectionTestResult = "✗ Failed to send request. Check server URL."; break;
            case Stage::ReceiveFailed:
                connectionTestResult = "✗ No response from server. Check your internet connection.";
                break;
            case Stage::Answered:
                connectionTestStatus = outcome.status;
                connectionTestResult = ResultFor(outcome.status);
                break;
            }
        }
    } catch (...) {
        connectionTestResult = "✗ Connection test failed with an error.";
    }
    cvarManager->log("[ZANDO] " + connectionTestResult);
}
