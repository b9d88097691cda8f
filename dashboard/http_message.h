// A request as the service's routes read it, and the answer they fill in.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dashboard {

using HttpFields = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest {
    std::string method;
    std::string path;                  // percent-decoded, without the query
    std::vector<std::string> matches;  // the route's groups: [0] the whole path, then each group
    HttpFields headers;
    HttpFields params;  // the query's, then a form body's (application/x-www-form-urlencoded)
    std::string body;
    std::string remoteAddress;  // the peer of the connection

    // The first header of that name (not case-sensitive); empty when there is none.
    std::string Header(std::string_view name) const;
    bool HasParam(std::string_view name) const;
    // The first parameter of that name; empty when there is none.
    std::string Param(std::string_view name) const;
};

struct HttpResponse {
    int status = 200;
    HttpFields headers;
    std::string body;

    void SetHeader(std::string name, std::string value) { headers.emplace_back(std::move(name), std::move(value)); }
    void SetContent(std::string content, std::string type) {
        body = std::move(content);
        SetHeader("Content-Type", std::move(type));
    }
};

using HttpHandler = std::function<void(const HttpRequest&, HttpResponse&)>;

// "a%20b+c" read as "a b c" (plus as a blank in a query); nothing is lost from a malformed escape.
std::string PercentDecoded(std::string_view text, bool plusIsBlank);

// "a=1&b=two" as its pairs, each decoded, appended to fields.
void AppendQueryFields(std::string_view query, HttpFields& fields);

}  // namespace dashboard
