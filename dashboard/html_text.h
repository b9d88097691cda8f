// Text put into the pages' HTML: escaped for an element or an attribute, JSON that cannot end the
// script element it sits in, query strings for links, and figures with their decimals.
#pragma once

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace dashboard {

// Safe both between tags and inside a quoted attribute.
inline std::string Html(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&#39;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

// JSON for a <script type="application/json"> element: no "<", ">" or "&" that could close it.
inline std::string ScriptJson(const nlohmann::json& value) {
    std::string text;
    for (const char c : value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)) {
        if (c == '<')
            text += "\\u003c";
        else if (c == '>')
            text += "\\u003e";
        else if (c == '&')
            text += "\\u0026";
        else
            text += c;
    }
    return text;
}

// name=value pairs percent-encoded for a link's query (pairs with an empty value are left out).
inline std::string Query(const std::vector<std::pair<std::string, std::string>>& pairs) {
    const auto encode = [](const std::string& text) {
        std::string encoded;
        for (const unsigned char c : text) {
            if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
                encoded += static_cast<char>(c);
            } else {
                char hex[4];
                std::snprintf(hex, sizeof hex, "%%%02X", c);
                encoded += hex;
            }
        }
        return encoded;
    };
    std::string query;
    for (const auto& [name, value] : pairs) {
        if (value.empty()) continue;
        query += (query.empty() ? "?" : "&") + encode(name) + "=" + encode(value);
    }
    return query;
}

inline std::string Fixed(double value, int decimals) {
    if (!std::isfinite(value)) return "–";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text == std::string_view("-0") || text == std::string_view("-0.0") || text == std::string_view("-0.00") ? text + 1
                                                                                                                   : text;
}

// A signed change: "+12.0", "-3.5", "0.0".
inline std::string Signed(double value, int decimals) {
    const std::string text = Fixed(value, decimals);
    return value > 0 && text.find_first_not_of("0.") != std::string::npos ? "+" + text : text;
}

// Seconds as m:ss.
inline std::string Duration(double seconds) {
    const long long whole = std::llround(std::max(0.0, seconds));
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}

}  // namespace dashboard
