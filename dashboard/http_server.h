// HTTP/1.1 (and HTTPS) for a service that faces strangers: every connection's work is bounded
// whatever its client does, and the routes run on a fixed number of threads.
#pragma once

#include <chrono>
#include <cstddef>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "dashboard/http_message.h"

namespace dashboard {

struct ConnectionLimits {
    std::size_t headBytes = 16 * 1024;              // the request line and headers: 431 past it
    std::size_t bodyBytes = 256 * 1024;             // the body as received, chunked or not: 413 past it
    std::chrono::milliseconds headDeadline{10000};  // from the wait for a request to its whole head
    std::chrono::milliseconds bodyDeadline{30000};  // from the head to the whole body
    std::chrono::milliseconds writeDeadline{10000};
    int perAddress = 16;  // open connections of one client address (loopback, a proxy's, has the total only)
    int total = 512;      // open connections in all
    int requestsPerConnection = 1000;
};

// The reason a server cannot listen (the port is taken, the certificate cannot be read).
class ListenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TlsFiles {
    std::filesystem::path certificate, key;  // both empty: plain HTTP
};

class HttpServer {
public:
    // threads: the requests answered at once (a route may wait for its database).
    HttpServer(ConnectionLimits limits, int threads, const TlsFiles& tls);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Routes: the whole path must match the pattern (std::regex, ECMAScript).
    void Get(const std::string& pattern, HttpHandler handler);
    void Post(const std::string& pattern, HttpHandler handler);
    // Fills the body of a status the server answers on its own (400, 404, 408, 413, 431, 503).
    void SetErrorBody(std::function<void(HttpResponse&)> fill);
    // Answers a route that threw.
    void SetExceptionHandler(std::function<void(std::exception_ptr, HttpResponse&)> answer);
    // Told of every request answered.
    void SetLogger(std::function<void(const HttpRequest&, const HttpResponse&)> log);

    // Binds host:port (0: any free port); returns the port. Throws ListenError.
    int Bind(const std::string& host, int port);
    // Answers until Stop(): then no new connection is taken, idle ones close, and the requests in
    // flight are answered before it returns.
    void Serve();
    void Stop();

    int OpenConnections() const;

    struct State;  // the server's side, known to its own source only

private:
    std::unique_ptr<State> state_;
};

}  // namespace dashboard
