// Boost.Beast under C++20 coroutines: one coroutine a connection on a strand of its own, I/O never
// holding a thread, deadlines on every read and write, the parser's head and body limits, and
// connection counts per client address and in all.
#include "dashboard/http_server.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <regex>
#include <thread>
#include <vector>

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/redirect_error.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using asio::awaitable;
using boost::system::error_code;

constexpr auto Await = asio::use_awaitable;
// After refusing a request whose body is still coming, what arrives is read and dropped for this long
// (at most LingeringBytes), so that the client reads the answer instead of a reset connection.
constexpr auto LingeringTime = std::chrono::seconds(2);
constexpr std::size_t LingeringBytes = 16 * 1024 * 1024;

struct Route {
    http::verb method;
    std::regex pattern;
    dashboard::HttpHandler handler;
};

// The answer to a connection there is no room for, written without waiting.
std::string NoRoomAnswer() {
    const std::string body = R"({"error":"too many connections; try again later"})";
    return "HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\nRetry-After: 5\r\n\r\n" + body;
}

// A request that breaks HTTP's syntax (as opposed to one cut short by its client).
bool MalformedRequest(const error_code& error) {
    return error.category() == http::make_error_code(http::error::bad_method).category() && error != http::error::end_of_stream &&
           error != http::error::partial_message;
}

// The peer's address as text, an IPv4 address mapped into IPv6 as IPv4.
std::string AddressText(const asio::ip::address& address) {
    if (address.is_v6() && address.to_v6().is_v4_mapped())
        return asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6()).to_string();
    return address.to_string();
}

bool ProxyAddress(const std::string& address) { return address == "127.0.0.1" || address == "::1"; }

}  // namespace

namespace dashboard {

struct Connection {
    virtual ~Connection() = default;
    virtual void Close() = 0;  // ends the connection unless a request of it is being answered
};

struct HttpServer::State {
    ConnectionLimits limits;
    int threads;
    asio::io_context io;                        // connections' I/O, on a thread a core
    std::optional<asio::thread_pool> handlers;  // the routes, which may wait for their database
    std::optional<asio::ssl::context> tls;
    tcp::acceptor acceptor{io};
    std::vector<Route> routes;
    std::function<void(HttpResponse&)> errorBody;
    std::function<void(std::exception_ptr, HttpResponse&)> onException;
    std::function<void(const HttpRequest&, const HttpResponse&)> log;
    std::atomic<bool> stopping = false;

    mutable std::mutex mutex;
    std::map<std::string, int> perAddress;
    std::map<uint64_t, std::weak_ptr<Connection>> open;
    uint64_t nextId = 0;

    // Counts a new connection in; false when its address or the service has no room left.
    std::optional<uint64_t> Admit(const std::string& address) {
        const std::scoped_lock lock(mutex);
        if (static_cast<int>(open.size()) >= limits.total) return std::nullopt;
        int& mine = perAddress[address];
        if (!ProxyAddress(address) && mine >= limits.perAddress) return std::nullopt;
        ++mine;
        open[++nextId];
        return nextId;
    }
    void Release(uint64_t id, const std::string& address) {
        const std::scoped_lock lock(mutex);
        open.erase(id);
        if (const auto it = perAddress.find(address); it != perAddress.end() && --it->second <= 0) perAddress.erase(it);
    }
    void Register(uint64_t id, std::weak_ptr<Connection> connection) {
        const std::scoped_lock lock(mutex);
        if (const auto it = open.find(id); it != open.end()) it->second = std::move(connection);
    }
};

namespace {

HttpRequest ReadRequest(const http::request<http::string_body>& message, const std::string& address, bool whole) {
    HttpRequest request;
    request.method = std::string(message.method_string());
    const std::string_view target(message.target().data(), message.target().size());
    const std::size_t question = std::min(target.find('?'), target.size());
    request.path = PercentDecoded(target.substr(0, question), false);
    if (question < target.size()) AppendQueryFields(target.substr(question + 1), request.params);
    for (const auto& field : message) request.headers.emplace_back(std::string(field.name_string()), std::string(field.value()));
    request.remoteAddress = address;
    if (whole) {
        request.body = message.body();
        const std::string type = request.Header("Content-Type");
        if (type.rfind("application/x-www-form-urlencoded", 0) == 0) AppendQueryFields(request.body, request.params);
    }
    return request;
}

template <class Stream>
struct Session final : Connection, std::enable_shared_from_this<Session<Stream>> {
    Session(HttpServer::State& state, Stream stream, std::string address, uint64_t id)
        : state(state), stream(std::move(stream)), address(std::move(address)), id(id) {}
    ~Session() override { state.Release(id, address); }

    void Close() override {
        asio::post(stream.get_executor(), [self = this->shared_from_this()] {
            if (self->idle) beast::get_lowest_layer(self->stream).close();
        });
    }

    auto& Socket() { return beast::get_lowest_layer(stream); }

    // Runs the route of a whole request, or says which status the server answers itself.
    HttpResponse Answer(const HttpRequest& request, http::verb method) {
        HttpResponse response;
        const Route* route = nullptr;
        std::smatch groups;
        for (const Route& candidate : state.routes)
            if (candidate.method == method && std::regex_match(request.path, groups, candidate.pattern)) {
                route = &candidate;
                break;
            }
        if (!route) {
            response.status = 404;
        } else {
            HttpRequest routed = request;
            for (const auto& group : groups) routed.matches.push_back(group.str());
            try {
                route->handler(routed, response);
            } catch (...) {
                response = HttpResponse();
                response.status = 500;
                if (state.onException) state.onException(std::current_exception(), response);
            }
        }
        if (response.status >= 400 && response.body.empty() && state.errorBody) state.errorBody(response);
        return response;
    }

    awaitable<bool> Write(const HttpResponse& answer, unsigned version, bool keepAlive) {
        http::response<http::string_body> message{static_cast<http::status>(answer.status), version};
        for (const auto& [name, value] : answer.headers) message.insert(name, value);
        message.body() = answer.body;
        message.keep_alive(keepAlive);
        message.prepare_payload();
        error_code error;
        Socket().expires_after(state.limits.writeDeadline);
        co_await http::async_write(stream, message, asio::redirect_error(Await, error));
        co_return !error;
    }

    // A status the server answers on its own, after which the connection ends.
    awaitable<void> Refuse(int status, const HttpRequest& request, unsigned version) {
        HttpResponse response;
        response.status = status;
        if (state.errorBody) state.errorBody(response);
        if (state.log) state.log(request, response);
        if (!co_await Write(response, version, false)) co_return;
        if constexpr (std::is_same_v<Stream, beast::tcp_stream>) {
            error_code error;
            Socket().socket().shutdown(tcp::socket::shutdown_send, error);
            std::vector<char> dropped(64 * 1024);
            Socket().expires_after(LingeringTime);
            for (std::size_t read = 0; !error && read < LingeringBytes;)
                read += co_await Socket().async_read_some(asio::buffer(dropped), asio::redirect_error(Await, error));
        }
    }

    awaitable<void> Run() {
        error_code error;
        if constexpr (!std::is_same_v<Stream, beast::tcp_stream>) {
            Socket().expires_after(state.limits.headDeadline);
            co_await stream.async_handshake(asio::ssl::stream_base::server, asio::redirect_error(Await, error));
            if (error) co_return;
        }
        beast::flat_buffer buffer(2 * state.limits.headBytes);
        for (int served = 0; served < state.limits.requestsPerConnection && !state.stopping; ++served) {
            http::request_parser<http::string_body> parser;
            parser.header_limit(static_cast<std::uint32_t>(state.limits.headBytes));
            parser.body_limit(state.limits.bodyBytes);
            idle = true;
            Socket().expires_after(state.limits.headDeadline);
            co_await http::async_read_header(stream, buffer, parser, asio::redirect_error(Await, error));
            const unsigned version = parser.is_header_done() ? parser.get().version() : 11;
            if (!error && !parser.is_done()) {
                if (beast::iequals(parser.get()[http::field::expect], "100-continue")) {
                    http::response<http::empty_body> go_on{http::status::continue_, version};
                    Socket().expires_after(state.limits.writeDeadline);
                    co_await http::async_write(stream, go_on, asio::redirect_error(Await, error));
                    if (error) co_return;
                }
                Socket().expires_after(state.limits.bodyDeadline);
                co_await http::async_read(stream, buffer, parser, asio::redirect_error(Await, error));
            }
            const HttpRequest request = ReadRequest(parser.get(), address, !error);
            if (error == http::error::body_limit) co_return co_await Refuse(413, request, version);
            if (error == http::error::header_limit || error == http::error::buffer_overflow)
                co_return co_await Refuse(431, request, version);
            if (MalformedRequest(error)) co_return co_await Refuse(400, request, version);
            if (error) co_return;  // the client left, or did not send its request in time
            idle = false;
            // The route runs on the handlers' threads, the connection's I/O goes on meanwhile.
            const http::verb method = parser.get().method();
            const HttpResponse response = co_await asio::co_spawn(
                state.handlers->get_executor(),
                [this, &request, method]() -> awaitable<HttpResponse> { co_return Answer(request, method); }, Await);
            if (state.log) state.log(request, response);
            const bool keepAlive =
                parser.get().keep_alive() && !state.stopping && served + 1 < state.limits.requestsPerConnection;
            if (!co_await Write(response, version, keepAlive) || !keepAlive) break;
        }
        if constexpr (std::is_same_v<Stream, beast::tcp_stream>) {
            Socket().socket().shutdown(tcp::socket::shutdown_send, error);
        } else {
            Socket().expires_after(state.limits.writeDeadline);
            co_await stream.async_shutdown(asio::redirect_error(Await, error));
        }
    }

    HttpServer::State& state;
    Stream stream;
    std::string address;
    uint64_t id;
    bool idle = true;  // waiting for a request, not answering one
};

template <class Stream>
void Start(HttpServer::State& state, std::shared_ptr<Session<Stream>> session) {
    state.Register(session->id, session);
    auto executor = session->stream.get_executor();
    asio::co_spawn(
        executor,
        [session]() -> awaitable<void> {
            try {
                co_await session->Run();
            } catch (const std::exception&) {
                // a connection that failed in an unforeseen way ends alone
            }
        },
        asio::detached);
}

awaitable<void> Accept(HttpServer::State& state) {
    asio::steady_timer pause(state.io);
    while (!state.stopping) {
        error_code error;
        tcp::socket socket =
            co_await state.acceptor.async_accept(asio::make_strand(state.io), asio::redirect_error(Await, error));
        if (state.stopping || error == asio::error::operation_aborted) co_return;
        if (error) {  // out of file descriptors, say: try again shortly instead of spinning
            pause.expires_after(std::chrono::milliseconds(50));
            co_await pause.async_wait(asio::redirect_error(Await, error));
            continue;
        }
        const asio::ip::tcp::endpoint peer = socket.remote_endpoint(error);
        if (error) continue;
        const std::string address = AddressText(peer.address());
        const std::optional<uint64_t> id = state.Admit(address);
        if (!id) {
            socket.non_blocking(true, error);
            socket.write_some(asio::buffer(NoRoomAnswer()), error);
            socket.close(error);
            continue;
        }
        socket.set_option(tcp::no_delay(true), error);
        if (state.tls)
            Start(state, std::make_shared<Session<beast::ssl_stream<beast::tcp_stream>>>(
                             state, beast::ssl_stream<beast::tcp_stream>(beast::tcp_stream(std::move(socket)), *state.tls),
                             address, *id));
        else
            Start(state, std::make_shared<Session<beast::tcp_stream>>(state, beast::tcp_stream(std::move(socket)), address, *id));
    }
}

}  // namespace

HttpServer::HttpServer(ConnectionLimits limits, int threads, const TlsFiles& tls) : state_(std::make_unique<State>()) {
    state_->limits = limits;
    state_->threads = std::max(threads, 1);
    if (!tls.certificate.empty() || !tls.key.empty()) {
        const std::string reason = "cannot use the certificate " + tls.certificate.string() + " with the key " +
                                   tls.key.string() + " (unreadable, not PEM, or not a pair)";
        try {
            asio::ssl::context context(asio::ssl::context::tls_server);
            context.set_options(asio::ssl::context::default_workarounds | asio::ssl::context::no_sslv2 |
                                asio::ssl::context::no_sslv3 | asio::ssl::context::no_tlsv1 | asio::ssl::context::no_tlsv1_1);
            context.use_certificate_chain_file(tls.certificate.string());
            context.use_private_key_file(tls.key.string(), asio::ssl::context::pem);
            if (SSL_CTX_check_private_key(context.native_handle()) != 1) throw ListenError(reason);
            state_->tls.emplace(std::move(context));
        } catch (const boost::system::system_error&) {
            throw ListenError(reason);
        }
    }
}

HttpServer::~HttpServer() { Stop(); }

void HttpServer::Get(const std::string& pattern, HttpHandler handler) {
    state_->routes.push_back({http::verb::get, std::regex(pattern), std::move(handler)});
}

void HttpServer::Post(const std::string& pattern, HttpHandler handler) {
    state_->routes.push_back({http::verb::post, std::regex(pattern), std::move(handler)});
}

void HttpServer::SetErrorBody(std::function<void(HttpResponse&)> fill) { state_->errorBody = std::move(fill); }

void HttpServer::SetExceptionHandler(std::function<void(std::exception_ptr, HttpResponse&)> answer) {
    state_->onException = std::move(answer);
}

void HttpServer::SetLogger(std::function<void(const HttpRequest&, const HttpResponse&)> log) { state_->log = std::move(log); }

int HttpServer::Bind(const std::string& host, int port) {
    const std::string where = host + ":" + std::to_string(port);
    error_code error;
    const asio::ip::address address = asio::ip::make_address(host, error);
    if (error) throw ListenError("cannot listen on " + where + " (not an IP address)");
    tcp::acceptor& acceptor = state_->acceptor;
    const tcp::endpoint endpoint(address, static_cast<unsigned short>(port));
    acceptor.open(endpoint.protocol(), error);
    // SO_REUSEADDR only (never SO_REUSEPORT, which would let a second service share the port).
    if (!error) acceptor.set_option(asio::socket_base::reuse_address(true), error);
    if (!error) acceptor.bind(endpoint, error);
    if (!error) acceptor.listen(asio::socket_base::max_listen_connections, error);
    if (error) {
        acceptor.close(error);
        throw ListenError("cannot listen on " + where + " (the port is taken, or the address is not one of this machine's)");
    }
    return acceptor.local_endpoint().port();
}

void HttpServer::Serve() {
    State& state = *state_;
    if (state.stopping || !state.acceptor.is_open()) return;
    state.handlers.emplace(static_cast<std::size_t>(state.threads));
    asio::co_spawn(state.io, Accept(state), asio::detached);
    const int ioThreads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    std::vector<std::thread> more;
    for (int t = 1; t < ioThreads; ++t) more.emplace_back([&state] { state.io.run(); });
    state.io.run();
    for (std::thread& thread : more) thread.join();
    state.handlers->join();
}

void HttpServer::Stop() {
    State& state = *state_;
    if (state.stopping.exchange(true)) return;
    asio::post(state.io, [&state] {
        error_code error;
        state.acceptor.close(error);
    });
    std::vector<std::shared_ptr<Connection>> open;
    {
        const std::scoped_lock lock(state.mutex);
        for (const auto& [id, connection] : state.open)
            if (auto alive = connection.lock()) open.push_back(std::move(alive));
    }
    for (const auto& connection : open) connection->Close();
}

int HttpServer::OpenConnections() const {
    const std::scoped_lock lock(state_->mutex);
    return static_cast<int>(state_->open.size());
}

}  // namespace dashboard
