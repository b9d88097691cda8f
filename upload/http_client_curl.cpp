// The HTTP seam on libcurl. WinHTTP connects lazily, inside its send call, so a failure to resolve,
// connect or agree on TLS is a send failure here too; a request that was sent but got no (whole)
// answer is a receive failure. curl's own extra headers (Accept, Expect) are not sent.
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include <curl/curl.h>

#include "base/blocking_check.h"
#include "upload/http_client.h"
#include "upload/server_url.h"

namespace zando {

namespace {

// The answer's body, up to its limit; the rest is read and dropped.
size_t KeepBody(char* data, size_t size, size_t count, void* kept) {
    std::string& body = *static_cast<std::string*>(kept);
    const size_t bytes = size * count;
    if (body.size() < AnswerBodyLimit) body.append(data, std::min(bytes, AnswerBodyLimit - body.size()));
    return bytes;
}

struct CurlGlobal {
    CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
};

HttpOutcome Failed(HttpOutcome::Stage stage, unsigned long error) {
    HttpOutcome outcome;
    outcome.stage = stage;
    outcome.error = error;
    return outcome;
}

}  // namespace

HttpOutcome PerformHttpRequest(const HttpRequest& request) {
    CheckMayWait("a network exchange");
    static CurlGlobal global;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
    if (!curl) return Failed(HttpOutcome::Stage::NoSession, 0);
    const std::optional<ServerUrl> url = SplitServerUrl(request.serverUrl);
    if (!url) return Failed(HttpOutcome::Stage::BadUrl, 0);

    const std::string target = std::string(url->https ? "https://" : "http://") + url->host + ":" + std::to_string(url->port) +
                               RequestPath(url->path, request.pathSuffix);
    curl_slist* headers = nullptr;
    for (const std::string& header : request.headers) headers = curl_slist_append(headers, header.c_str());
    headers = curl_slist_append(headers, "Accept:");
    headers = curl_slist_append(headers, "Expect:");
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headerList(headers, &curl_slist_free_all);

    CURL* handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_URL, target.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_USERAGENT, request.userAgent.c_str());
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headerList.get());
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, ConnectTimeoutMs);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, ExchangeTimeoutMs);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    // Certificates of a private dashboard's own authority can be trusted in addition; they are still verified.
    if (const char* bundle = std::getenv("ZANDO_CA_BUNDLE"); bundle && *bundle) curl_easy_setopt(handle, CURLOPT_CAINFO, bundle);
    std::string answer;
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &KeepBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &answer);
    if (request.verb == "POST") {
        curl_easy_setopt(handle, CURLOPT_POST, 1L);
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, request.body.data());
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    } else {
        curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    }

    const CURLcode result = curl_easy_perform(handle);
    if (result == CURLE_OK) {
        long status = 0;
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
        HttpOutcome outcome;
        outcome.status = static_cast<int>(status);
        outcome.body = std::move(answer);
        return outcome;
    }
    // Was the request on its way? Then the failure is the answer's, else the sending's.
    curl_off_t ready = 0;
    curl_easy_getinfo(handle, CURLINFO_PRETRANSFER_TIME_T, &ready);
    const HttpOutcome::Stage stage = ready > 0 ? HttpOutcome::Stage::ReceiveFailed : HttpOutcome::Stage::SendFailed;
    switch (result) {
    case CURLE_COULDNT_RESOLVE_HOST: return Failed(HttpOutcome::Stage::SendFailed, HttpErrorNameNotResolved);
    case CURLE_COULDNT_CONNECT: return Failed(HttpOutcome::Stage::SendFailed, HttpErrorCannotConnect);
    case CURLE_OPERATION_TIMEDOUT: return Failed(stage, HttpErrorTimeout);
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM: return Failed(HttpOutcome::Stage::SendFailed, HttpErrorSecureFailure);
    case CURLE_WEIRD_SERVER_REPLY: return Failed(HttpOutcome::Stage::ReceiveFailed, HttpErrorInvalidServerResponse);
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE: return Failed(HttpOutcome::Stage::ReceiveFailed, HttpErrorConnectionError);
    default: return Failed(stage, HttpErrorConnectionError);
    }
}

}  // namespace zando
