// One synchronous HTTP exchange with the dashboard, behind one seam with two backends chosen at build
// time: WinHTTP on Windows (as the game runs it), libcurl on Linux. Both send the same request line,
// headers and body, report the same failure points with WinHTTP's error codes, verify TLS
// certificates, and give up after 3 s of connecting or 8 s for the whole exchange.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zando {

struct HttpRequest {
    std::string userAgent;
    std::string verb;                  // "POST" or "GET"
    std::string serverUrl;             // as configured
    std::string pathSuffix;            // appended to the address's path ("/api/stats/upload")
    std::vector<std::string> headers;  // "Name: value", in order
    std::string body;                  // sent as is; empty for none
};

struct HttpOutcome {
    enum class Stage {
        Answered,       // a response arrived; status holds its code (0 when it had none)
        NoSession,      // the HTTP session could not be opened
        BadUrl,         // the address could not be split
        NoConnection,   // no connection object for the host and port
        NoRequest,      // the request could not be opened
        SendFailed,     // sending failed (connecting, TLS, time-out while connecting); error holds the code
        ReceiveFailed,  // no response (closed, broken, time-out while waiting); error holds the code
    };
    Stage stage = Stage::Answered;
    unsigned long error = 0;  // WinHTTP error code for the two failed stages
    int status = 0;
    std::string body;  // the answer's body, its first AnswerBodyLimit bytes (what follows is read and dropped)
};

inline constexpr std::size_t AnswerBodyLimit = 64 * 1024;

inline constexpr long ConnectTimeoutMs = 3000;   // to reach the server
inline constexpr long ExchangeTimeoutMs = 8000;  // for the whole exchange

// WinHTTP's error codes, which both backends report.
inline constexpr unsigned long HttpErrorTimeout = 12002;
inline constexpr unsigned long HttpErrorNameNotResolved = 12007;
inline constexpr unsigned long HttpErrorCannotConnect = 12029;
inline constexpr unsigned long HttpErrorConnectionError = 12030;
inline constexpr unsigned long HttpErrorInvalidServerResponse = 12152;
inline constexpr unsigned long HttpErrorSecureFailure = 12175;

HttpOutcome PerformHttpRequest(const HttpRequest& request);

}  // namespace zando
