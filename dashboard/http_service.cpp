// The routes: "POST /api/stats/upload" and "GET /api/health", and the JSON answer of every status.
#include "dashboard/http_service.h"

#include <httplib.h>

#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <chrono>

#include <nlohmann/json.hpp>

#include "base/utc_timestamp.h"
#include "dashboard/crypto.h"
#include "dashboard/page_api.h"
#include "dashboard/upload_format.h"

namespace {

using nlohmann::json;

void Answer(httplib::Response& response, int status, const json& body) {
    response.status = status;
    // A text that is not UTF-8 never reaches an answer whole; should one, its bytes are replaced, not thrown on.
    response.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace), "application/json");
}

void Refuse(httplib::Response& response, int status, const std::string& error) { Answer(response, status, {{"error", error}}); }

// The key of "Authorization: Bearer KEY", empty when there is none.
std::string BearerKey(const httplib::Request& request) {
    const std::string header = request.get_header_value("Authorization");
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
    case 429: return "too many requests";
    case 503: return "service unavailable";
    default: return "error";
    }
}

}  // namespace

namespace dashboard {

DashboardService::DashboardService(Storage& storage, const ServerSecret& secret, ServiceOptions options)
    : storage_(storage), secret_(secret), options_(std::move(options)), batcher_(storage), limiter_(options_.uploadsPerMinute) {
    const bool tls = !options_.tlsCertificate.empty() || !options_.tlsKey.empty();
    if (tls) {
        if (options_.tlsCertificate.empty() || options_.tlsKey.empty())
            throw ListenError("HTTPS needs both --tls-cert and --tls-key");
        auto secure = std::make_unique<httplib::SSLServer>(options_.tlsCertificate.c_str(), options_.tlsKey.c_str());
        if (!secure->is_valid())
            throw ListenError("cannot use the certificate " + options_.tlsCertificate.string() + " with the key " +
                              options_.tlsKey.string() + " (unreadable, not PEM, or not a pair)");
        server_ = std::move(secure);
    } else {
        server_ = std::make_unique<httplib::Server>();
    }
    const int threads = options_.threads;
    server_->new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<std::size_t>(threads)); };
    // SO_REUSEADDR only: the library's default also sets SO_REUSEPORT, which lets a second service
    // start on a port already taken and silently share its requests.
    server_->set_socket_options([this](socket_t socket) {
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        listening_ = socket;
    });
    server_->set_keep_alive_max_count(1000);  // a proxy's or a load's kept connection serves many requests
    server_->set_tcp_nodelay(true);           // an answer is one small write: send it at once
    server_->set_payload_max_length(LargestUploadBody);
    server_->set_read_timeout(10, 0);
    server_->set_write_timeout(10, 0);
    Routes();
}

DashboardService::~DashboardService() {
    Stop();
    batcher_.Stop();
}

void DashboardService::Routes() {
    server_->Post("/api/stats/upload", [this](const httplib::Request& request, httplib::Response& response) {
        const std::string key = BearerKey(request);
        if (key.empty()) return Refuse(response, 401, "no key: send \"Authorization: Bearer <API key>\"");
        std::optional<KeyRecord> found;
        try {
            found = storage_.FindKey(secret_.KeyHash(key));
        } catch (const StorageUnavailable&) {
            response.set_header("Retry-After", "5");
            return Refuse(response, 503, "the database cannot be reached; try again later");
        }
        if (!found) return Refuse(response, 401, "unknown API key");
        if (found->revoked) return Refuse(response, 403, "this API key was revoked");
        const std::string signature = request.get_header_value("X-ZANDO-Signature");
        if (!ConstantTimeEqual(signature, "sha256=" + HmacSha256Hex(key, request.body)))
            return Refuse(response, 401,
                          signature.empty() ? "no signature: send \"X-ZANDO-Signature: sha256=<HMAC-SHA256 of the body>\""
                                            : "the signature does not match the body");
        if (const std::optional<int> wait = limiter_.Admit(std::to_string(found->keyId))) {
            response.set_header("Retry-After", std::to_string(*wait));
            return Refuse(response, 429, "too many uploads for this key; try again in " + std::to_string(*wait) + " s");
        }
        UploadReading reading = ReadUpload(request.body);
        if (!reading.match) return Refuse(response, 400, reading.error);
        const std::string fingerprint = reading.match->fingerprint;
        try {
            const StoreOutcome outcome = batcher_.Store({found->accountId, std::move(*reading.match), zando::UtcTimestamp()});
            Answer(response, 200,
                   {{"status", outcome == StoreOutcome::Stored ? "stored" : "already stored"}, {"match", fingerprint}});
        } catch (const StorageUnavailable&) {
            response.set_header("Retry-After", "5");
            Refuse(response, 503, "the database cannot be reached; the match was not stored, send it again later");
        }
    });

    server_->Get("/api/health", [this](const httplib::Request& request, httplib::Response& response) {
        const std::string key = BearerKey(request);
        try {
            storage_.Ping();
            const std::optional<KeyRecord> found = key.empty() ? std::nullopt : storage_.FindKey(secret_.KeyHash(key));
            if (!found)
                return Refuse(response, 401,
                              key.empty() ? "no key: send \"Authorization: Bearer <API key>\"" : "unknown API key");
            if (found->revoked) return Refuse(response, 403, "this API key was revoked");
            Answer(response, 200, {{"status", "ok"}});
        } catch (const StorageUnavailable&) {
            response.set_header("Retry-After", "5");
            Refuse(response, 503, "the database cannot be reached");
        }
    });

    AddPageRoutes(*server_, storage_, secret_, !options_.tlsCertificate.empty(), signIns_);
    if (options_.pages) AddPages(*server_, storage_, secret_, *options_.pages, !options_.tlsCertificate.empty());

    // Statuses the library answers on its own (413, 404, 400) get a JSON body too.
    server_->set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty()) {
            std::string error = StatusText(response.status);
            if (response.status == 413) error = "the body is larger than " + std::to_string(LargestUploadBody) + " bytes";
            Refuse(response, response.status, error);
        }
    });
    server_->set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const StorageUnavailable&) {
            response.set_header("Retry-After", "5");
            Refuse(response, 503, "the database cannot be reached");
        } catch (...) {
            Refuse(response, 500, "internal error");
        }
    });

    // Never a key, a signature or a body: when, who, what, the answer and its size.
    if (options_.accessLog)
        server_->set_logger([log = options_.accessLog](const httplib::Request& request, const httplib::Response& response) {
            log(zando::UtcTimestamp() + " " + ClientAddress(request) + " \"" + request.method + " " + request.path + "\" " +
                std::to_string(response.status) + " " + std::to_string(response.body.size()));
        });
}

int DashboardService::Bind() {
    const int port = options_.port == 0 ? server_->bind_to_any_port(options_.host)
                                        : (server_->bind_to_port(options_.host, options_.port) ? options_.port : -1);
    if (port < 0)
        throw ListenError("cannot listen on " + options_.host + ":" + std::to_string(options_.port) +
                          " (the port is taken, or the address is not one of this machine's)");
    // The library listens with a queue of 5 connections: many clients connecting at once would wait
    // for their connection to be tried again, a second later. Listening again sets a longer queue.
    if (listening_ >= 0) ::listen(listening_, SOMAXCONN);
    return port;
}

void DashboardService::Serve() { server_->listen_after_bind(); }

void DashboardService::Stop() { server_->stop(); }

}  // namespace dashboard
