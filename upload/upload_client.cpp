// The upload of a finished match: preconditions, the body and its signature (made on the game thread
// at the match's end), the signed POST to "<server>/api/stats/upload" on the plug-in's worker, and one
// console line for every outcome, said on the game thread in the order of each match's lines. The
// history keeps the body of a match the dashboard did not answer 200: "zando_upload_missed" sends those.
#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/upload_contract.h"
#include "base/utc_timestamp.h"
#include "history/match_history.h"
#include "plugin/zando.h"
#include "upload/http_client.h"
#include "upload/request_signature.h"
#include "upload/server_url.h"
#include "upload/upload_body.h"

namespace {

constexpr const char* UserAgent = "ZANDO-Plugin/1.0";
constexpr const char* PluginVersionSent = "1.0.0";
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

// The signed request carrying body to path (the defined body's when empty); the signature's failure
// lines go to said.
zando::HttpRequest UploadRequest(const std::string& serverUrl, const std::string& apiKey, const std::string& body,
                                 std::vector<std::string>& said, const std::string& path = {}) {
    zando::HttpRequest request;
    request.userAgent = UserAgent;
    request.verb = "POST";
    request.serverUrl = serverUrl;
    request.pathSuffix = path.empty() ? zando::upload::DefinedPath : path;
    request.body = body;
    request.headers = {"Content-Type: application/json", "Authorization: Bearer " + apiKey,
                       std::string("X-ZANDO-Plugin-Version: ") + PluginVersionSent};
    const std::string signature = zando::HmacSha256Hex(apiKey, body, [&](const std::string& line) { said.push_back(line); });
    if (!signature.empty()) request.headers.push_back("X-ZANDO-Signature: sha256=" + signature);
    return request;
}

// The API key a request carries ("Authorization: Bearer KEY").
std::string BearerKeyOf(const zando::HttpRequest& request) {
    constexpr std::string_view Prefix = "Authorization: Bearer ";
    for (const std::string& header : request.headers)
        if (header.rfind(Prefix, 0) == 0) return header.substr(Prefix.size());
    return {};
}

// Whether a health answer names the whole match among the formats the service takes: its "formats"
// array holds "v2" (a service that names none takes the defined body only).
bool NamesWholeMatch(const std::string& answer) {
    const std::size_t key = answer.find("\"formats\"");
    if (key == std::string::npos) return false;
    const std::size_t open = answer.find('[', key), close = answer.find(']', key);
    if (open == std::string::npos || close == std::string::npos || close < open) return false;
    return answer.substr(open, close - open).find(std::string("\"") + zando::upload::WholeMatchFormat + "\"") !=
           std::string::npos;
}

// How an exchange went: its line, whether it was answered 200, whether the dashboard answered at all.
struct Exchanged {
    std::string line;
    bool uploaded = false;
    bool answered = false;
};

// Sends the request (on the worker), and the outcome it had (none when the exchange threw).
Exchanged Exchange(const zando::HttpRequest& request, std::optional<zando::HttpOutcome>* had = nullptr) {
    try {
        const zando::HttpOutcome outcome = zando::PerformHttpRequest(request);
        if (had) *had = outcome;
        using Stage = zando::HttpOutcome::Stage;
        switch (outcome.stage) {
        case Stage::NoSession: return {"[ZANDO] ✗ Failed to initialize HTTP session"};
        case Stage::BadUrl:
        case Stage::NoConnection: return {"[ZANDO] ✗ Failed to connect to server: " + request.serverUrl};
        case Stage::NoRequest: return {"[ZANDO] ✗ Failed to open HTTP request"};
        case Stage::SendFailed:
            return {"[ZANDO] ✗ Failed to send request to server (Error: " + std::to_string(outcome.error) + ")"};
        case Stage::ReceiveFailed:
            return {"[ZANDO] ✗ Failed to receive response from server (Error: " + std::to_string(outcome.error) + ")"};
        case Stage::Answered: return {StatusLine(outcome.status), outcome.status == 200, true};
        }
    } catch (const std::exception& e) {
        return {std::string("[ZANDO] ✗ Upload exception: ") + e.what()};
    } catch (...) {
    }
    return {"[ZANDO] ✗ Unknown upload error occurred"};
}

constexpr const char* NotSentAtUnload =
    "[ZANDO] ✗ Upload not sent: the plug-in was unloaded first - zando_upload_missed sends it later";

}  // namespace

std::string ZANDO::BuildUploadPayload(const MatchRecord& record, std::vector<std::string>& said) const {
    return zando::UploadBody(record, zando::UtcTimestamp(), [&](const char* key) {
        said.push_back(std::string("[ZANDO] ⚠ ") + key + " is not a finite number - sent as 0");
    });
}

void ZANDO::PrepareSigning() {
    static std::atomic<bool> prepared{false};  // once a process: the library stays set up across reloads
    if (prepared.exchange(true)) return;
    OnExchangeThread([] { zando::PrepareSigningLibrary(); }, {});
}

std::string ZANDO::InvalidConnectionSetting() const {
    if (settings.serverUrl.empty())
        return "No dashboard address is set - enter your zando-dashboard's address as the Server URL in Dashboard Integration";
    if (zando::HasControlCharacter(settings.apiKey))
        return "The API key contains a control character (such as a line break) - enter it again in Dashboard Integration";
    if (zando::HasControlCharacter(settings.serverUrl))
        return "The server URL contains a control character (such as a line break) - enter it again";
    return zando::AddressProblem(settings.serverUrl);
}

std::string ZANDO::UploadSettingsProblem(const std::string& changed) const {
    if (changed == "zando_server_url" && !zando::SplitServerUrl(settings.serverUrl)) {
        std::string why = InvalidConnectionSetting();
        if (why.empty()) why = "it is not an http:// or https:// address, such as https://dashboard.example.com";
        return "[ZANDO] ⚠ zando_server_url is stored, but no upload can go to it: " + why;
    }
    if ((changed == "zando_enable_upload" || changed == "zando_api_key") && settings.uploadEnabled && settings.apiKey.empty())
        return "[ZANDO] ⚠ Uploads are on, but no API key is set - no match is sent until zando_api_key holds one";
    if (changed == "zando_enable_upload" && settings.uploadEnabled && settings.serverUrl.empty())
        return "[ZANDO] ⚠ Uploads are on, but no dashboard address is set - no match is sent until zando_server_url holds "
               "your zando-dashboard's address";
    return {};
}

std::chrono::milliseconds ZANDO::ExchangeWaitAtUnload() { return std::chrono::milliseconds(zando::ExchangeTimeoutMs); }

void ZANDO::SayWaitingForExchange() {
    const std::string seconds = std::to_string(zando::ExchangeTimeoutMs / 1000);
    cvarManager->log("[ZANDO] Sending to the dashboard before unloading (at most " + seconds +
                     " s an exchange; a match not sent stays for zando_upload_missed)");
}

std::optional<zando::HttpRequest> ZANDO::PrepareUpload(const MatchRecord& record, uint64_t matchId,
                                                       std::vector<std::string>& said) {
    // The "this match" checks hold for the match followed now; a previous match finished late has its own.
    const bool current = matchId == flags.matchNumber;
    if (!settings.uploadEnabled) {
        said.push_back("[ZANDO] Upload disabled - enable in Dashboard Integration settings");
        return std::nullopt;
    }
    if (settings.apiKey.empty()) {
        said.push_back("[ZANDO] ✗ No API key set - cannot upload. Set your API key in Dashboard Integration.");
        return std::nullopt;
    }
    if (current && flags.uploadedThisMatch) {
        said.push_back("[ZANDO] ℹ Stats already uploaded for this match - skipping duplicate");
        return std::nullopt;
    }
    if (current && flags.uploadInProgress) {
        said.push_back("[ZANDO] ⚠ Upload already in progress - skipping duplicate upload");
        return std::nullopt;
    }
    if (record.shots == 0 && record.goals == 0 && record.gameTime < ActivityThreshold) {
        said.push_back("[ZANDO] ℹ No significant activity to upload (< 10s, no shots/goals)");
        return std::nullopt;
    }
    // A line break in the key or the address would write headers of its own: refused before any request.
    if (const std::string invalid = InvalidConnectionSetting(); !invalid.empty()) {
        said.push_back("[ZANDO] ✗ " + invalid);
        return std::nullopt;
    }
    said.push_back("[ZANDO] 🔄 Starting upload... (Shots: " + std::to_string(record.shots) + ", Goals: " +
                   std::to_string(record.goals) + ", Time: " + std::to_string(static_cast<int>(record.gameTime)) + "s)");
    try {
        const std::string body = BuildUploadPayload(record, said);
        if (body.size() > LargestBody) {
            said.push_back("[ZANDO] ✗ JSON payload too large (" + std::to_string(body.size()) + " bytes) - aborting upload");
            return std::nullopt;
        }
        said.push_back("[ZANDO] JSON payload size: " + std::to_string(body.size()) + " bytes");
        if (current) flags.uploadInProgress = true;
        return UploadRequest(settings.serverUrl, settings.apiKey, body, said);
    } catch (const std::exception& e) {
        said.push_back(std::string("[ZANDO] ✗ Upload exception: ") + e.what());
    } catch (...) {
        said.push_back("[ZANDO] ✗ Unknown upload error occurred");
    }
    said.push_back("[ZANDO] Upload attempt completed");
    return std::nullopt;
}

void ZANDO::UploadMatchStats(zando::HttpRequest request, std::string wholeBody, uint64_t matchId,
                             std::shared_ptr<const int64_t> historyId, std::string thenLine) {
    const auto finish = [this, matchId, thenLine](std::string line, bool uploaded) {
        Deliver([this, matchId, thenLine, line = std::move(line), uploaded] {
            cvarManager->log(line);
            if (matchId == flags.matchNumber) {
                flags.uploadInProgress = false;
                if (uploaded) flags.uploadedThisMatch = true;
            }
            cvarManager->log("[ZANDO] Upload attempt completed");
            if (!thenLine.empty()) cvarManager->log(thenLine);
        });
    };
    OnExchangeThread(
        [this, request = std::move(request), wholeBody = std::move(wholeBody), historyId, finishNow = finish]() mutable {
            // The outcome's lines follow the match's own, said on the worker before its row was added.
            const auto finish = [this, &finishNow](std::string line, bool uploaded) {
                OnWorkerAndWait([] {});
                finishNow(std::move(line), uploaded);
            };
            // At unload, after an exchange the dashboard did not answer, the next ones are not tried:
            // each would hold the game's unload for its whole time-out.
            if (unloading && dashboardSilent) return finish(NotSentAtUnload, false);
            // The formats a server takes are asked once (for its key): a server that does not answer
            // is not sent the match now (it stays missed, as after a failed upload).
            const std::string key = BearerKeyOf(request);
            const std::string server = request.serverUrl + "\n" + key;
            auto known = takesWholeMatch.find(server);
            if (known == takesWholeMatch.end()) {
                zando::HttpRequest ask;
                ask.userAgent = UserAgent;
                ask.verb = "GET";
                ask.serverUrl = request.serverUrl;
                ask.pathSuffix = zando::upload::HealthPath;
                ask.headers = {"Authorization: Bearer " + key, std::string("X-ZANDO-Plugin-Version: ") + PluginVersionSent};
                std::optional<zando::HttpOutcome> answer;
                Exchanged asked = Exchange(ask, &answer);
                if (!asked.answered) {
                    dashboardSilent = true;
                    return finish(std::move(asked.line), false);
                }
                // A refusal of the key says nothing of the formats: the upload's own answer tells it.
                if (answer->status == 200) known = takesWholeMatch.emplace(server, NamesWholeMatch(answer->body)).first;
            }
            const bool whole = known != takesWholeMatch.end() && known->second && wholeBody.size() <= LargestBody;
            std::vector<std::string> said;
            if (whole) request = UploadRequest(request.serverUrl, key, wholeBody, said, zando::upload::WholeMatchPath);
            Exchanged exchanged = Exchange(request);
            dashboardSilent = !exchanged.answered;
            // The row is the worker's, added there before this step (handed over before it, at the match's end).
            OnWorkerAndWait([&] {
                for (std::string& line : said) LogLater(std::move(line));
                if (exchanged.uploaded && *historyId > 0 && !matchHistory->MarkUploaded(*historyId))
                    exchanged.line += " - the history could not note it, so zando_upload_missed would send it again";
                // Sent again later, the match goes whole too.
                if (!exchanged.uploaded && whole && *historyId > 0)
                    matchHistory->KeepUpload(*historyId, wholeBody, zando::upload::WholeMatchPath);
            });
            finishNow(std::move(exchanged.line), exchanged.uploaded);
        },
        [finish] { finish(NotSentAtUnload, false); });
}

void ZANDO::UploadMissed(bool underThisKey) {
    std::vector<std::string> refused;
    if (!settings.uploadEnabled)
        refused.push_back("[ZANDO] Upload disabled - enable in Dashboard Integration settings");
    else if (settings.apiKey.empty())
        refused.push_back("[ZANDO] ✗ No API key set - cannot upload. Set your API key in Dashboard Integration.");
    else if (const std::string invalid = InvalidConnectionSetting(); !invalid.empty())
        refused.push_back("[ZANDO] ✗ " + invalid);
    if (!refused.empty()) {
        cvarManager->log(refused.front());
        return;
    }
    if (panel.resendRunning) {
        cvarManager->log("[ZANDO] Missed uploads are being sent already - wait for their lines");
        return;
    }
    panel.resendRunning = true;
    cvarManager->log("[ZANDO] Looking for matches the dashboard has not received...");
    const std::string key = settings.apiKey, server = settings.serverUrl;
    const auto done = [this](int leftForOtherKeys) {
        Deliver([this, leftForOtherKeys] {
            panel.resendRunning = false;
            panel.missedForOtherKeys = leftForOtherKeys;
        });
    };
    OnWorker([this, key, server, done, underThisKey] {
        const bool open = matchHistory && matchHistory->IsOpen();
        std::vector<zando::HistoryRow> missed = open ? matchHistory->MissedUploads() : std::vector<zando::HistoryRow>{};
        if (!open) {
            LogLater("[ZANDO] The match history is unavailable - no missed upload can be found");
            return done(0);
        }
        // A match made for another account's key goes to that account only: under this key when the
        // player says so.
        const std::string thisKey = zando::ApiKeyFingerprint(key);
        const auto otherKey = [&](const zando::HistoryRow& row) { return row.uploadKey.empty() || row.uploadKey != thisKey; };
        const auto others = static_cast<int>(std::count_if(missed.begin(), missed.end(), otherKey));
        const std::string count = std::to_string(others) + (others == 1 ? " missed match was" : " missed matches were");
        if (others > 0 && underThisKey) {
            LogLater("[ZANDO] ⚠ " + count +
                     " kept for another API key (or before ZANDO noted keys) - sent under the key set now, as asked");
        } else if (others > 0) {
            LogLater("[ZANDO] ⚠ " + count +
                     " kept for another API key (or before ZANDO noted keys) - not sent under this one; "
                     "zando_upload_missed_to_this_key sends them under it");
            missed.erase(std::remove_if(missed.begin(), missed.end(), otherKey), missed.end());
        }
        const int left = underThisKey ? 0 : others;
        if (missed.empty()) {
            if (others == 0) LogLater("[ZANDO] No missed uploads - the dashboard has every match the history kept for it");
            return done(left);
        }
        OnExchangeThread([this, key, server, done, left,
                          missed = std::move(missed)] { SendMissed(missed, server, key, [done, left] { done(left); }); },
                         [this, done, left] {
                             LogLater("[ZANDO] Missed uploads not sent: the plug-in was unloaded first");
                             done(left);
                         });
    });
}

void ZANDO::SendMissed(const std::vector<zando::HistoryRow>& missed, const std::string& server, const std::string& key,
                       const std::function<void()>& done) {
    std::size_t sent = 0;
    for (const zando::HistoryRow& row : missed) {
        LogLater("[ZANDO] 🔄 Sending match #" + std::to_string(row.id) + " (ended " + row.endedAt + ", " +
                 std::to_string(sent + 1) + " of " + std::to_string(missed.size()) + ")");
        std::vector<std::string> said;
        const zando::HttpRequest request = UploadRequest(server, key, row.uploadBody, said, row.uploadPath);
        for (std::string& line : said) LogLater(std::move(line));
        Exchanged exchanged = Exchange(request);
        dashboardSilent = !exchanged.answered;
        LogLater(std::move(exchanged.line));
        if (!exchanged.uploaded) {
            LogLater("[ZANDO] Stopped at the first failure - " + std::to_string(missed.size() - sent) + " missed " +
                     (missed.size() - sent == 1 ? "match" : "matches") + " left to send");
            return done();
        }
        bool noted = false;
        OnWorkerAndWait([&] { noted = matchHistory->MarkUploaded(row.id); });
        if (!noted) LogLater("[ZANDO] ⚠ Match #" + std::to_string(row.id) + " was received, but the history could not note it");
        ++sent;
    }
    LogLater("[ZANDO] ✅ All missed uploads sent (" + std::to_string(sent) + (sent == 1 ? " match)" : " matches)"));
    done();
}
