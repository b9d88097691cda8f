// The HTTP seam on WinHTTP, as the game runs it. Text goes to UTF-16 one byte per code unit. The
// connect and resolve time-outs are 3 s; the response is waited for only as long as the exchange's
// 8 s leave. Redirects are not followed.
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <cstddef>

#include "base/blocking_check.h"
#include "upload/http_client.h"
#include "upload/server_url.h"

namespace zando {

namespace {

std::wstring Widen(const std::string& text) {
    std::wstring wide;
    wide.reserve(text.size());
    for (char c : text) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return wide;
}

std::string Narrow(const wchar_t* text, DWORD length) {
    std::string narrow;
    for (DWORD i = 0; i < length; ++i) narrow += static_cast<char>(text[i] & 0xFF);
    return narrow;
}

HttpOutcome Failed(HttpOutcome::Stage stage, unsigned long error = 0) {
    HttpOutcome outcome;
    outcome.stage = stage;
    outcome.error = error;
    return outcome;
}

// Closes what was opened, in reverse order.
struct Handles {
    HINTERNET session = nullptr, connection = nullptr, request = nullptr;
    ~Handles() {
        if (request) WinHttpCloseHandle(request);
        if (connection) WinHttpCloseHandle(connection);
        if (session) WinHttpCloseHandle(session);
    }
};

}  // namespace

HttpOutcome PerformHttpRequest(const HttpRequest& request) {
    CheckMayWait("a network exchange");
    const ULONGLONG started = GetTickCount64();
    Handles h;
    h.session = WinHttpOpen(Widen(request.userAgent).c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                            WINHTTP_NO_PROXY_BYPASS, 0);
    if (!h.session) return Failed(HttpOutcome::Stage::NoSession);
    WinHttpSetTimeouts(h.session, static_cast<int>(ConnectTimeoutMs), static_cast<int>(ConnectTimeoutMs),
                       static_cast<int>(ExchangeTimeoutMs), static_cast<int>(ExchangeTimeoutMs));

    const std::wstring url = Widen(request.serverUrl);
    wchar_t host[256] = {};
    wchar_t path[1024] = {};
    URL_COMPONENTS parts;
    ZeroMemory(&parts, sizeof parts);
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = 256;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = 1024;
    if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts) || parts.dwHostNameLength == 0)
        return Failed(HttpOutcome::Stage::BadUrl);

    h.connection = WinHttpConnect(h.session, host, parts.nPort, 0);
    if (!h.connection) return Failed(HttpOutcome::Stage::NoConnection);
    const std::wstring requestPath = Widen(RequestPath(Narrow(path, parts.dwUrlPathLength), request.pathSuffix));
    h.request =
        WinHttpOpenRequest(h.connection, Widen(request.verb).c_str(), requestPath.c_str(), nullptr, WINHTTP_NO_REFERER,
                           WINHTTP_DEFAULT_ACCEPT_TYPES, parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0);
    if (!h.request) return Failed(HttpOutcome::Stage::NoRequest);
    // A redirect is an answer like any other: WinHTTP would otherwise follow it on its own, sending the
    // body and the bearer key on to whatever address the server names (libcurl never follows one).
    DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
    WinHttpSetOption(h.request, WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects, sizeof noRedirects);

    std::string headerBlock;
    for (const std::string& header : request.headers) headerBlock += (headerBlock.empty() ? "" : "\r\n") + header;
    const std::wstring headers = Widen(headerBlock);
    const DWORD length = static_cast<DWORD>(request.body.size());
    if (!WinHttpSendRequest(h.request, headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(), static_cast<DWORD>(-1),
                            length ? const_cast<char*>(request.body.data()) : WINHTTP_NO_REQUEST_DATA, length, length, 0))
        return Failed(HttpOutcome::Stage::SendFailed, GetLastError());

    const ULONGLONG spent = GetTickCount64() - started;
    DWORD left = spent < static_cast<ULONGLONG>(ExchangeTimeoutMs) ? static_cast<DWORD>(ExchangeTimeoutMs - spent) : 1;
    WinHttpSetOption(h.request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &left, sizeof left);
    WinHttpSetOption(h.request, WINHTTP_OPTION_RECEIVE_TIMEOUT, &left, sizeof left);
    if (!WinHttpReceiveResponse(h.request, nullptr)) return Failed(HttpOutcome::Stage::ReceiveFailed, GetLastError());

    DWORD status = 0;
    DWORD size = sizeof status;
    WinHttpQueryHeaders(h.request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX, &status,
                        &size, WINHTTP_NO_HEADER_INDEX);
    HttpOutcome outcome;
    outcome.status = static_cast<int>(status);
    // The answer's body, up to its limit; a read cut short leaves what came (the status stands).
    char chunk[8192];
    DWORD read = 0;
    while (outcome.body.size() < AnswerBodyLimit && WinHttpReadData(h.request, chunk, sizeof chunk, &read) && read > 0)
        outcome.body.append(chunk, std::min<std::size_t>(read, AnswerBodyLimit - outcome.body.size()));
    return outcome;
}

}  // namespace zando
