// HTML as the pages are built: from literals written in this code, and from any other text only once
// escaped. A std::string cannot become Markup as it is, so a page cannot show a player's text
// unescaped by forgetting to escape it: it would not compile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include <nlohmann/json.hpp>

#include "dashboard/html_text.h"

namespace dashboard {

class Markup {
public:
    Markup() = default;
    // A literal of this code's own: HTML as written.
    template <std::size_t N>
    Markup(const char (&literal)[N]) : html_(literal, N - 1) {}  // NOLINT(google-explicit-constructor): literals only

    // Any text: escaped, safe between tags and in a quoted attribute.
    static Markup Text(std::string_view text) { return Markup(dashboard::Html(text)); }
    static Markup Number(int64_t value) { return Markup(std::to_string(value)); }
    // JSON for a <script type="application/json"> element, which it cannot end.
    static Markup Json(const nlohmann::json& value) { return Markup(ScriptJson(value)); }

    Markup& operator+=(const Markup& more) {
        html_ += more.html_;
        return *this;
    }
    friend Markup operator+(Markup left, const Markup& right) { return left += right; }
    friend bool operator==(const Markup&, const Markup&) = default;

    bool empty() const { return html_.empty(); }
    const std::string& ToString() const { return html_; }

private:
    explicit Markup(std::string html) : html_(std::move(html)) {}
    std::string html_;
};

// Text as an element's content or an attribute's value.
inline Markup Text(std::string_view text) { return Markup::Text(text); }

}  // namespace dashboard
