// A client that sends whatever bytes a test says over TCP, from a loopback address of its choosing.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <string>

namespace zando_test {

class RawClient {
public:
    RawClient(int port, const char* from = "127.0.0.1") : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in source{};
        source.sin_family = AF_INET;
        inet_pton(AF_INET, from, &source.sin_addr);
        bind(socket_, reinterpret_cast<sockaddr*>(&source), sizeof source);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~RawClient() { ::close(socket_); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool Connected() const { return connected_; }
    bool Send(const std::string& bytes) {
        return ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    }
    // What the service sends until it closes the connection or waitMs pass without a byte; closed says which.
    std::string Read(int waitMs, bool* closed = nullptr) {
        std::string got;
        char buffer[4096];
        for (;;) {
            pollfd ready{socket_, POLLIN, 0};
            if (::poll(&ready, 1, waitMs) <= 0) break;
            const ssize_t n = ::recv(socket_, buffer, sizeof buffer, 0);
            if (n <= 0) {
                if (closed) *closed = true;
                return got;
            }
            got.append(buffer, static_cast<std::size_t>(n));
        }
        if (closed) *closed = false;
        return got;
    }

private:
    int socket_;
    bool connected_ = false;
};

// Sends a request's head a byte every 200 ms, up to 100 bytes, until the server closes the connection;
// how many bytes it took.
inline int TrickledHeadBytes(RawClient& client) {
    int sent = 0;
    if (!client.Send("GET /api/health HTTP/1.1\r\nX-Slow: ")) return 0;
    for (bool closed = false; !closed && sent < 100 && client.Send("x"); ++sent) client.Read(200, &closed);
    return sent;
}

// A chunked body of about bytes blanks, in chunks of 64 KiB.
inline std::string Chunked(std::size_t bytes) {
    std::string chunks;
    for (std::size_t sent = 0; sent < bytes; sent += 0x10000) chunks += "10000\r\n" + std::string(0x10000, ' ') + "\r\n";
    return chunks + "0\r\n\r\n";
}

}  // namespace zando_test
