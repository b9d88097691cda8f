// The upload of a finished match: preconditions, the signed POST to "<server>/api/stats/upload",
// and one console line for every outcome.
#include <exception>
#include <string>

#include "export/utc_timestamp.h"
#include "plugin/zando.h"
#include "upload/http_client.h"
#include "upload/request_signature.h"
#include "upload/server_url.h"
#include "upload/upload_body.h"

namespace {

constexpr const char* UserAgent = "ZANDO-Plugin/1.0";
constexpr const char* PluginVersionSent = "1.0.0";
constexpr const char* UploadPath = "/api/stats/upload";
constexpr std::size_t LargestBody = 100000;  // bytes
constexpr float ActivityThreshold = 10.0f;   // s of game time, without shots or goals

std::string StatusLine(int status) {
    switch (status) {
    case 200: return "[ZANDO] ✅ Stats uploaded successfully! (Status: 200)";
    case 401: return "[ZANDO] ✗ Upload failed: Invalid API key (401) - Check your API key in settings";
    case 403: return "[ZANDO] ✗ Upload failed: Forbidden (403) - API key may be revoked";
    case 404: return "[ZANDO] ✗ Upload failed: Endpoint not found (404) - Check server URL";
    case 503: return "[ZANDO] ⚠ Upload failed: Server unavailable (503) - Try again later";
    default:
        if (status >= 500) return "[ZANDO] ✗ Upload failed: Server error (" + std::to_string(status) + ")";
        return "[ZANDO] ⚠ Upload returned unexpected status: " + std::to_string(status);
    }
}

}  // namespace

std::string ZANDO::BuildUploadPayload() const { return BuildUploadPayload(CurrentRecord()); }

std::string ZANDO::BuildUploadPayload(const MatchRecord& record) const {
    return zando::UploadBody(record, zando::UtcTimestamp(), [this](const char* key) {
        cvarManager->log(std::string("[ZANDO] ⚠ ") + key + " is not a finite number - sent as 0");
    });
}

std::string ZANDO::ComputeSignature(const std::string& key, const std::string& body) {
    return zando::HmacSha256Hex(key, body, [this](const std::string& line) { cvarManager->log(line); });
}

std::string ZANDO::InvalidConnectionSetting() const {
    if (zando::HasControlCharacter(apiKey))
        return "The API key contains a control character (such as a line break) - enter it again in Dashboard Integration";
    if (zando::HasControlCharacter(serverUrl))
        return "The server URL contains a control character (such as a line break) - enter it again";
    return zando::AddressProblem(serverUrl);
}

std::string ZANDO::UploadSettingsProblem(const std::string& changed) const {
    if (changed == "zando_server_url" && !zando::SplitServerUrl(serverUrl)) {
        std::string why = InvalidConnectionSetting();
        if (why.empty()) why = "it is not an http:// or https:// address, such as https://dashboard.example.com";
        return "[ZANDO] ⚠ zando_server_url is stored, but no upload can go to it: " + why;
    }
    if ((changed == "zando_enable_upload" || changed == "zando_api_key") && uploadEnabled && apiKey.empty())
        return "[ZANDO] ⚠ Uploads are on, but no API key is set - no match is sent until zando_api_key holds one";
    return {};
}

void ZANDO::UploadMatchStats() { UploadMatchStats(CurrentRecord()); }

void ZANDO::UploadMatchStats(const MatchRecord& record) {
    if (!uploadEnabled) {
        cvarManager->log("[ZANDO] Upload disabled - enable in Dashboard Integration settings");
        return;
    }
    if (apiKey.empty()) {
        cvarManager->log("[ZANDO] ✗ No API key set - cannot upload. Set your API key in Dashboard Integration.");
        return;
    }
    if (uploadedThisMatch) {
        cvarManager->log("[ZANDO] ℹ Stats already uploaded for this match - skipping duplicate");
        return;
    }
    if (uploadInProgress) {
        cvarManager->log("[ZANDO] ⚠ Upload already in progress - skipping duplicate upload");
        return;
    }
    if (record.shots == 0 && record.goals == 0 && record.gameTime < ActivityThreshold) {
        cvarManager->log("[ZANDO] ℹ No significant activity to upload (< 10s, no shots/goals)");
        return;
    }
    // A line break in the key or the address would write headers of its own: refused before any request.
    if (const std::string invalid = InvalidConnectionSetting(); !invalid.empty()) {
        cvarManager->log("[ZANDO] ✗ " + invalid);
        return;
    }

    cvarManager->log("[ZANDO] 🔄 Starting upload... (Shots: " + std::to_string(record.shots) + ", Goals: " +
                     std::to_string(record.goals) + ", Time: " + std::to_string(static_cast<int>(record.gameTime)) + "s)");
    uploadInProgress = true;
    try {
        const std::string body = BuildUploadPayload(record);
        if (body.size() > LargestBody) {
            cvarManager->log("[ZANDO] ✗ JSON payload too large (" + std::to_string(body.size()) + " bytes) - aborting upload");
            uploadInProgress = false;
            return;
        }
        cvarManager->log("[ZANDO] JSON payload size: " + std::to_string(body.size()) + " bytes");

        zando::HttpRequest request;
        request.userAgent = UserAgent;
        request.verb = "POST";
        request.serverUrl = serverUrl;
        request.pathSuffix = UploadPath;
        request.body = body;
        request.headers = {"Content-Type: application/json", "Authorization: Bearer " + apiKey,
                           std::string("X-ZANDO-Plugin-Version: ") + PluginVersionSent};
        if (const std::string signature = ComputeSignature(apiKey, body); !signature.empty())
            request.headers.push_back("X-ZANDO-Signature: sha256=" + signature);

        const zando::HttpOutcome outcome = zando::PerformHttpRequest(request);
        using Stage = zando::HttpOutcome::Stage;
        switch (outcome.stage) {
        case Stage::NoSession: cvarManager->log("[ZANDO] ✗ Failed to initialize HTTP session"); break;
        case Stage::BadUrl:
        case Stage::NoConnection: cvarManager->log("[ZANDO] ✗ Failed to connect to server: " + serverUrl); break;
        case Stage::NoRequest: cvarManager->log("[ZANDO] ✗ Failed to open HTTP request"); break;
        case Stage::SendFailed:
            cvarManager->log("[ZANDO] ✗ Failed to send request to server (Error: " + std::to_string(outcome.error) + ")");
            break;
        case Stage::ReceiveFailed:
            cvarManager->log("[ZANDO] ✗ Failed to receive response from server (Error: " + std::to_string(outcome.error) + ")");
            break;
        case Stage::Answered:
            cvarManager->log(StatusLine(outcome.status));
            if (outcome.status == 200) uploadedThisMatch = true;
            break;
        }
    } catch (const std::exception& e) {
        cvarManager->log(std::string("[ZANDO] ✗ Upload exception: ") + e.what());
    } catch (...) {
        cvarManager->log("[ZANDO] ✗ Unknown upload error occurred");
    }
    uploadInProgress = false;
    cvarManager->log("[ZANDO] Upload attempt completed");
}
