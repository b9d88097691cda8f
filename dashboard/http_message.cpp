// Header and parameter look-ups, and the decoding of paths, queries and form bodies.
#include "dashboard/http_message.h"

#include <algorithm>
#include <cctype>

namespace {

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

const std::string* Find(const dashboard::HttpFields& fields, std::string_view name, bool anyCase) {
    for (const auto& [key, value] : fields)
        if (anyCase ? SameName(key, name) : key == name) return &value;
    return nullptr;
}

}  // namespace

namespace dashboard {

std::string HttpRequest::Header(std::string_view name) const {
    const std::string* value = Find(headers, name, true);
    return value ? *value : std::string();
}

bool HttpRequest::HasParam(std::string_view name) const { return Find(params, name, false) != nullptr; }

std::string HttpRequest::Param(std::string_view name) const {
    const std::string* value = Find(params, name, false);
    return value ? *value : std::string();
}

std::string PercentDecoded(std::string_view text, bool plusIsBlank) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int high = text[i] == '%' && i + 2 < text.size() ? HexDigit(text[i + 1]) : -1;
        const int low = high >= 0 ? HexDigit(text[i + 2]) : -1;
        if (low >= 0) {
            decoded += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            decoded += plusIsBlank && text[i] == '+' ? ' ' : text[i];
        }
    }
    return decoded;
}

void AppendQueryFields(std::string_view query, HttpFields& fields) {
    while (!query.empty()) {
        const std::size_t end = std::min(query.find('&'), query.size());
        const std::string_view pair = query.substr(0, end);
        if (!pair.empty()) {
            const std::size_t equals = std::min(pair.find('='), pair.size());
            fields.emplace_back(PercentDecoded(pair.substr(0, equals), true),
                                PercentDecoded(equals < pair.size() ? pair.substr(equals + 1) : std::string_view(), true));
        }
        query.remove_prefix(std::min(end + 1, query.size()));
    }
}

}  // namespace dashboard
