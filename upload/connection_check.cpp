// The connection check behind the panel's "Test Connection": a GET of "<server>/api/health" with the
// API key, started from the panel and sent on the plug-in's worker, ending in one result text and
// the status the server answered, shown and said on the game thread.
#include <exception>
#include <string>
#include <tuple>
#include <utility>

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
    // One test at a time: each waits for the server up to the time-outs.
    if (panel.connectionTestQueued) {
        panel.connectionTestRefused = true;
        cvarManager->log("[ZANDO] A connection test is already running - wait for its result");
        return;
    }
    panel.connectionTestStatus = 0;
    if (settings.apiKey.empty()) {
        panel.connectionTestResult = "✗ Please enter an API key first";
    } else if (!settings.uploadEnabled) {
        panel.connectionTestResult = "ℹ Upload is disabled. Enable it to test connection.";
    } else if (const std::string invalid = InvalidConnectionSetting(); !invalid.empty()) {
        panel.connectionTestResult = "✗ " + invalid;
    } else {
        panel.connectionTestResult = "🔄 Testing connection...";
        cvarManager->log("[ZANDO] Testing connection to " + settings.serverUrl + "...");
        panel.connectionTestQueued = true;
        panel.connectionTestRefused = false;
        zando::HttpRequest request;
        request.userAgent = "ZANDO/1.0";
        request.verb = "GET";
        request.serverUrl = settings.serverUrl;
        request.pathSuffix = "/api/health";
        request.headers = {"Authorization: Bearer " + settings.apiKey};
        // The exchange runs on the exchange thread; its result is shown and said on the game thread.
        const auto finish = [this](std::string result, int status) {
            Deliver([this, result = std::move(result), status] {
                panel.connectionTestResult = result;
                panel.connectionTestStatus = status;
                panel.connectionTestQueued = false;
                panel.connectionTestRefused = false;
                cvarManager->log("[ZANDO] " + panel.connectionTestResult);
            });
        };
        OnExchangeThread([request = std::move(request), finish] { std::apply(finish, TestConnection(request)); },
                         [finish] { finish("✗ Connection test not finished: the plug-in was unloaded.", 0); });
        return;
    }
    cvarManager->log("[ZANDO] " + panel.connectionTestResult);
}

std::pair<std::string, int> ZANDO::TestConnection(const zando::HttpRequest& request) {
    try {
        const zando::HttpOutcome outcome = zando::PerformHttpRequest(request);
        using Stage = zando::HttpOutcome::Stage;
        switch (outcome.stage) {
        case Stage::NoSession: return {"✗ Failed to initialize HTTP session.", 0};
        case Stage::BadUrl: return {"✗ Invalid server URL format.", 0};
        case Stage::NoConnection: return {"✗ Cannot connect to server. Check if server is online.", 0};
        case Stage::NoRequest: return {"✗ Failed to open request.", 0};
        case Stage::SendFailed: return {"✗ Failed to send request. Check server URL.", 0};
        case Stage::ReceiveFailed: return {"✗ No response from server. Check your internet connection.", 0};
        case Stage::Answered: return {ResultFor(outcome.status), outcome.status};
        }
    } catch (...) {
    }
    return {"✗ Connection test failed with an error.", 0};
}
