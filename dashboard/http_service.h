// The service's HTTP side: the upload and the health check as the plug-in sends them, answered in JSON,
// with one access-log line a request.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "dashboard/commit_batcher.h"
#include "dashboard/http_server.h"
#include "dashboard/key_cache.h"
#include "dashboard/page_api.h"
#include "dashboard/pages.h"
#include "dashboard/rate_limiter.h"
#include "dashboard/server_secret.h"
#include "dashboard/storage.h"

namespace dashboard {

inline constexpr std::size_t LargestUploadBody = 256 * 1024;  // bytes; the plug-in sends at most 100,000

struct ServiceOptions {
    std::string host = "127.0.0.1";                     // loopback unless told otherwise
    int port = 8080;                                    // 0: any free port
    std::filesystem::path tlsCertificate, tlsKey;       // both given: HTTPS
    double uploadsPerMinute = 120.0;                    // per key; 0: no limit
    int threads = 96;                                   // requests served at once (each waits for its commit)
    ConnectionLimits limits;                            // what one connection, one address and all may hold
    std::function<void(const std::string&)> accessLog;  // one line a request; none when empty
    const WebAssets* pages = nullptr;                   // the pages' files; none: the JSON API only
};

class DashboardService {
public:
    DashboardService(Storage& storage, const ServerSecret& secret, ServiceOptions options);
    ~DashboardService();
    DashboardService(const DashboardService&) = delete;
    DashboardService& operator=(const DashboardService&) = delete;

    // Binds the address; returns the port. Throws ListenError.
    int Bind();
    // Answers requests until Stop(); requests in flight finish, then every waiting upload is committed.
    // A connection waiting for its request is closed at Stop().
    void Serve();
    void Stop();

    const CommitBatcher& Batcher() const { return batcher_; }

private:
    void Routes();
    // An upload of either format, its body read by read.
    void Upload(const HttpRequest& request, HttpResponse& response, UploadReading (*read)(std::string_view));

    Storage& storage_;
    const ServerSecret& secret_;
    ServiceOptions options_;
    CommitBatcher batcher_;
    KeyCache keys_;
    RateLimiter limiter_;
    RateLimiter signIns_{SignInAttemptsPerMinute};
    std::unique_ptr<HttpServer> server_;
};

}  // namespace dashboard
