// The routes: the upload in either format ("POST /api/stats/upload", the defined body; "POST
// /api/v2/matches", the whole match), "GET /api/health" with the formats taken, and the JSON answer of
// every status.
#include "dashboard/http_service.h"

#include <algorithm>
#include <cctype>
#include <chrono>

#include <nlohmann/json.hpp>

#include "base/utc_timestamp.h"
#include "dashboard/crypto.h"
#include "dashboard/json_answer.h"
#include "dashboard/page_api.h"
#include "dashboard/upload_format.h"

namespace {

using nlohmann::json;

using dashboard::HttpRequest;
using dashboard::HttpResponse;
constexpr auto Answer = dashboard::AnswerJson;

void Refuse(HttpResponse& response, int status, const std::string& error) { Answer(response, status, {{"error", error}}); }

// The key of "Authorization: Bearer KEY", empty when there is none.
std::string BearerKey(const HttpRequest& request) {
    const std::string header = request.Header("Authorization");
    constexpr std::string_view Scheme = "bearer ";  // the scheme's name is not case-sensitive
    const bool bearer = header.size() > Scheme.size() &&
                        std::equal(Scheme.begin(), Scheme.end(), header.begin(),
                                   [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
    return bearer ? header.substr(Scheme.size()) : std::string();
}

// The reason phrase of the statuses the service answers.
const char* StatusText(int status) {
    switch (status) {
    case 400: return "bad request";
    case 401: return "unauthorized";
    case 403: return "forbidden";
    case 404: return "not found";
    case 405: return "method not allowed";
    case 413: return "the body is too large";
    case 431: return "the request's head is too large";
    case 429: return "too many requests";
    case 503: return "service unavailable";
    default: return "error";
    }
}

}  // namespace

namespace dashboard {

DashboardService::DashboardService(Storage& storage, const ServerSecret& secret, ServiceOptions options)
    : storage_(storage), secret_(secret), options_(std::move(options)), batcher_(storage), limiter_(options_.uploadsPerMinute) {
    if (options_.tlsCertificate.empty() != options_.tlsKey.empty())
        throw ListenError("HTTPS needs both --tls-cert and --tls-key");
    options_.limits.bodyBytes = LargestUploadBody;
    server_ = std::make_unique<HttpServer>(options_.limits, options_.threads, TlsFiles{options_.tlsCertificate, options_.tlsKey});
    Routes();
}

DashboardService::~DashboardService() {
    Stop();
    batcher_.Stop();
}

void DashboardService::Routes() {
    namespace contract = zando::upload;
    // Both formats are checked, limited and stored alike; only the body's reading differs.
    const auto upload = [this](UploadReading (*read)(std::string_view)) {
        return [this, read](const HttpRequest& request, HttpResponse& response) { Upload(request, response, read); };
    };
    server_->Post(contract::DefinedPath, upload(&ReadUpload));
    server_->Post(contract::WholeMatchPath, upload(&ReadWholeMatch));

    server_->Get(contract::HealthPath, [this](const HttpRequest& request, HttpResponse& response) {
        const std::string key = BearerKey(request);
        try {
            storage_.Ping();
            const std::optional<KeyRecord> found = key.empty() ? std::nullopt : storage_.FindKey(secret_.KeyHash(key));
            if (!found)
                return Refuse(response, 401,
                              key.empty() ? "no key: send \"Authorization: Bearer <API key>\"" : "unknown API key");
            if (found->revoked) return Refuse(response, 403, "this API key was revoked");
            Answer(response, 200,
                   {{"status", "ok"}, {"formats", json::array({contract::DefinedFormat, contract::WholeMatchFormat})}});
        } catch (const StorageUnavailable&) {
            response.SetHeader("Retry-After", "5");
            Refuse(response, 503, "the database cannot be reached");
        }
    });

    AddPageRoutes(*server_, storage_, secret_, !options_.tlsCertificate.empty(), signIns_);
    if (options_.pages) AddPages(*server_, storage_, secret_, *options_.pages, !options_.tlsCertificate.empty());

    // Statuses the server answers on its own (413, 404, 400), and a route's error without a body, in JSON too.
    server_->SetErrorBody([](HttpResponse& response) {
        std::string error = StatusText(response.status);
        if (response.status == 413) error = "the body is larger than " + std::to_string(LargestUploadBody) + " bytes";
        Refuse(response, response.status, error);
    });
    server_->SetExceptionHandler([](std::exception_ptr error, HttpResponse& response) {
        try {
            std::rethrow_exception(error);
        } catch (const StorageUnavailable&) {
            response.SetHeader("Retry-After", "5");
            Refuse(response, 503, "the database cannot be reached");
        } catch (...) {
            Refuse(response, 500, "internal error");
        }
    });

    // Never a key, a signature or a body: when, who, what, the answer and its size.
    if (options_.accessLog)
        server_->SetLogger([log = options_.accessLog](const HttpRequest& request, const HttpResponse& response) {
            log(zando::UtcTimestamp() + " " + ClientAddress(request) + " \"" + request.method + " " + request.path + "\" " +
                std::to_string(response.status) + " " + std::to_string(response.body.size()));
        });
}

void DashboardService::Upload(const HttpRequest& request, HttpResponse& response, UploadReading (*read)(std::string_view)) {
    const std::string key = BearerKey(request);
    if (key.empty()) return Refuse(response, 401, "no key: send \"Authorization: Bearer <API key>\"");
    std::optional<KeyRecord> found;
    try {
        found = keys_.Find(secret_.KeyHash(key), [this](const std::string& hash) { return storage_.FindKey(hash); });
    } catch (const StorageUnavailable&) {
        response.SetHeader("Retry-After", "5");
        return Refuse(response, 503, "the database cannot be reached; try again later");
    }
    if (!found) return Refuse(response, 401, "unknown API key");
    if (found->revoked) return Refuse(response, 403, "this API key was revoked");
    const std::string signature = request.Header("X-ZANDO-Signature");
    if (!ConstantTimeEqual(signature, "sha256=" + HmacSha256Hex(key, request.body)))
        return Refuse(response, 401,
                      signature.empty() ? "no signature: send \"X-ZANDO-Signature: sha256=<HMAC-SHA256 of the body>\""
                                        : "the signature does not match the body");
    if (const std::optional<int> wait = limiter_.Admit(std::to_string(found->keyId))) {
        response.SetHeader("Retry-After", std::to_string(*wait));
        return Refuse(response, 429, "too many uploads for this key; try again in " + std::to_string(*wait) + " s");
    }
    UploadReading reading = read(request.body);
    if (!reading.match) return Refuse(response, 400, reading.error);
    const std::string fingerprint = reading.match->fingerprint;
    try {
        const StoreOutcome outcome = batcher_.Store({found->accountId, std::move(*reading.match), zando::UtcTimestamp()});
        if (outcome == StoreOutcome::Refused)
            return Refuse(response, 400, "the database refused this match as it is; it was not stored");
        Answer(response, 200,
               {{"status", outcome == StoreOutcome::Stored ? "stored" : "already stored"}, {"match", fingerprint}});
    } catch (const StorageUnavailable&) {
        response.SetHeader("Retry-After", "5");
        Refuse(response, 503, "the database cannot be reached; the match was not stored, send it again later");
    }
}

int DashboardService::Bind() { return server_->Bind(options_.host, options_.port); }

void DashboardService::Serve() { server_->Serve(); }

void DashboardService::Stop() { server_->Stop(); }

}  // namespace dashboard
