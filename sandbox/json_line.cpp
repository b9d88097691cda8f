// Parsing one line of JSON by recursive descent: each value is appended and linked to the one before it
// in its array or object.
#include "sandbox/json_line.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace sandbox {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Keys are short and mostly differ in their first letter.
bool SameKey(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return false;
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// How many bytes the UTF-8 sequence at text[0] takes, or 0 when it is not one (RFC 3629: no overlong
// forms, no surrogates, nothing beyond U+10FFFF).
std::size_t Utf8Length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
    const unsigned lead = byte(0);
    const auto continues = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i)
            if ((byte(i) & 0xC0) != 0x80) return false;
        return true;
    };
    if (lead >= 0xC2 && lead <= 0xDF) return continues(1, 2) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const unsigned second = byte(1);
        const bool ok = lead == 0xE0   ? second >= 0xA0 && second <= 0xBF
                        : lead == 0xED ? second >= 0x80 && second <= 0x9F
                                       : (second & 0xC0) == 0x80;
        return ok && continues(2, 3) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned second = byte(1);
        const bool ok = lead == 0xF0   ? second >= 0x90 && second <= 0xBF
                        : lead == 0xF4 ? second >= 0x80 && second <= 0x8F
                                       : (second & 0xC0) == 0x80;
        return ok && continues(2, 4) ? 4 : 0;
    }
    return 0;
}

}  // namespace

bool JsonLine::Parse(std::string_view line, int maxDepth) {
    line_ = line;
    at_ = 0;
    maxDepth_ = maxDepth;
    tooDeep_ = false;
    values_.clear();
    textsUsed_ = 0;
    open_.clear();
    last_.clear();
    keyPending_ = false;
    error_.clear();
    SkipSpace();
    if (!ParseValue(0)) return false;
    SkipSpace();
    return at_ == line_.size() || Fail("more after the value");
}

bool JsonLine::Fail(std::string_view what) {
    error_ = "syntax error at byte " + std::to_string(at_ + 1) + ": " + std::string(what);
    return false;
}

void JsonLine::SkipSpace() {
    while (at_ < line_.size() && (line_[at_] == ' ' || line_[at_] == '\t' || line_[at_] == '\n' || line_[at_] == '\r')) ++at_;
}

const JsonLine::Value* JsonLine::Find(const Value& object, std::string_view key) const {
    const Value* found = nullptr;
    for (int at = object.first; at >= 0; at = values_[static_cast<std::size_t>(at)].next)
        if (SameKey(KeyOf(values_[static_cast<std::size_t>(at)]), key)) found = &values_[static_cast<std::size_t>(at)];
    return found;
}

const JsonLine::Value* JsonLine::Take(const Value& object, std::string_view key) {
    const Value* found = nullptr;
    for (int at = object.first; at >= 0; at = values_[static_cast<std::size_t>(at)].next) {
        Value& member = values_[static_cast<std::size_t>(at)];
        if (!SameKey(KeyOf(member), key)) continue;
        member.taken = true;
        found = &member;
    }
    return found;
}

std::string& JsonLine::NextText() {
    if (textsUsed_ == texts_.size()) texts_.emplace_back();
    std::string& text = texts_[textsUsed_++];
    text.clear();
    return text;
}

JsonLine::Value& JsonLine::Add(Kind kind) {
    const int index = static_cast<int>(values_.size());
    Value& value = values_.emplace_back();
    value.kind = kind;
    if (keyPending_) {
        value.key = pendingKey_;
        keyPending_ = false;
    }
    if (!open_.empty()) {
        Value& container = values_[static_cast<std::size_t>(open_.back())];
        if (last_.back() < 0)
            container.first = index;
        else
            values_[static_cast<std::size_t>(last_.back())].next = index;
        last_.back() = index;
        ++container.size;
    }
    return values_.back();
}

bool JsonLine::ParseValue(int depth) {
    if (at_ == line_.size()) return Fail("a value was expected, the line ended");
    switch (line_[at_]) {
    case '{': return ParseContainer(true, depth);
    case '[': return ParseContainer(false, depth);
    case '"': {
        std::string& text = NextText();
        const std::size_t index = textsUsed_ - 1;
        if (!ParseString(text)) return false;
        Add(Kind::String).text = index;
        return true;
    }
    case 't':
        if (!ParseWord("true")) return false;
        Add(Kind::Boolean).boolean = true;
        return true;
    case 'f':
        if (!ParseWord("false")) return false;
        Add(Kind::Boolean).boolean = false;
        return true;
    case 'n':
        if (!ParseWord("null")) return false;
        Add(Kind::Null);
        return true;
    default:
        if (line_[at_] == '-' || IsDigit(line_[at_])) return ParseNumber();
        return Fail("a value was expected");
    }
}

bool JsonLine::ParseContainer(bool object, int depth) {
    if (depth >= maxDepth_) {
        tooDeep_ = true;
        error_ = "lists and objects nest deeper than " + std::to_string(maxDepth_) + " levels";
        return false;
    }
    Add(object ? Kind::Object : Kind::Array);
    open_.push_back(static_cast<int>(values_.size()) - 1);
    last_.push_back(-1);
    const char close = object ? '}' : ']';
    ++at_;
    SkipSpace();
    if (at_ < line_.size() && line_[at_] == close) {
        ++at_;
    } else {
        for (;;) {
            if (object) {
                if (at_ == line_.size() || line_[at_] != '"') return Fail("a member's name in quotes was expected");
                std::string& key = NextText();
                pendingKey_ = textsUsed_ - 1;
                if (!ParseString(key)) return false;
                SkipSpace();
                if (at_ == line_.size() || line_[at_] != ':') return Fail("':' was expected after a member's name");
                ++at_;
                SkipSpace();
                keyPending_ = true;
            }
            if (!ParseValue(depth + 1)) return false;
            SkipSpace();
            if (at_ < line_.size() && line_[at_] == ',') {
                ++at_;
                SkipSpace();
                continue;
            }
            if (at_ < line_.size() && line_[at_] == close) {
                ++at_;
                break;
            }
            return Fail(object ? "',' or '}' was expected" : "',' or ']' was expected");
        }
    }
    open_.pop_back();
    last_.pop_back();
    return true;
}

bool JsonLine::ParseString(std::string& out) {
    ++at_;  // the opening quote
    for (;;) {
        // A run of plain ASCII is copied whole.
        const std::size_t from = at_;
        while (at_ < line_.size()) {
            const unsigned char c = static_cast<unsigned char>(line_[at_]);
            if (c == '"' || c == '\\' || c < 0x20 || c >= 0x80) break;
            ++at_;
        }
        out.append(line_.data() + from, at_ - from);
        if (at_ == line_.size()) return Fail("the string does not end");
        const unsigned char c = static_cast<unsigned char>(line_[at_]);
        if (c == '"') {
            ++at_;
            return true;
        }
        if (c < 0x20) return Fail("a control character in a string must be escaped");
        if (c >= 0x80) {
            const std::size_t length = Utf8Length(line_.substr(at_));
            if (length == 0) return Fail("a string holds bytes that are not UTF-8");
            out.append(line_.data() + at_, length);
            at_ += length;
            continue;
        }
        // An escape.
        if (++at_ == line_.size()) return Fail("the string does not end");
        const char escaped = line_[at_++];
        switch (escaped) {
        case '"': out.push_back('"'); break;
        case '\\': out.push_back('\\'); break;
        case '/': out.push_back('/'); break;
        case 'b': out.push_back('\b'); break;
        case 'f': out.push_back('\f'); break;
        case 'n': out.push_back('\n'); break;
        case 'r': out.push_back('\r'); break;
        case 't': out.push_back('\t'); break;
        case 'u': {
            const auto hex4 = [this](std::uint32_t& code) {
                if (line_.size() - at_ < 4) return false;
                code = 0;
                for (int i = 0; i < 4; ++i) {
                    const int digit = HexDigit(line_[at_ + static_cast<std::size_t>(i)]);
                    if (digit < 0) return false;
                    code = code * 16 + static_cast<std::uint32_t>(digit);
                }
                at_ += 4;
                return true;
            };
            std::uint32_t code = 0;
            if (!hex4(code)) return Fail("'\\u' must be followed by four hexadecimal digits");
            if (code >= 0xDC00 && code <= 0xDFFF) return Fail("a low surrogate without a high one before it");
            if (code >= 0xD800 && code <= 0xDBFF) {
                std::uint32_t low = 0;
                if (line_.substr(at_, 2) != "\\u") return Fail("a high surrogate must be followed by a low one");
                at_ += 2;
                if (!hex4(low)) return Fail("'\\u' must be followed by four hexadecimal digits");
                if (low < 0xDC00 || low > 0xDFFF) return Fail("a high surrogate must be followed by a low one");
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            }
            AppendUtf8(out, code);
            break;
        }
        default: return Fail("an unknown escape in a string");
        }
    }
}

bool JsonLine::ParseWord(std::string_view word) {
    if (line_.substr(at_, word.size()) != word) return Fail("a value was expected");
    at_ += word.size();
    return true;
}

bool JsonLine::ParseNumber() {
    // -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?, its digits gathered as they are checked.
    const char* const first = line_.data() + at_;
    const char* const end = line_.data() + line_.size();
    const char* at = first;
    const auto fail = [&](std::string_view what) {
        at_ = static_cast<std::size_t>(at - line_.data());
        return Fail(what);
    };
    const bool negative = *at == '-';
    if (negative) ++at;
    if (at == end || !IsDigit(*at)) return fail("a digit was expected");
    std::uint64_t digits = 0;
    int count = 0, power = 0;
    if (*at == '0') {
        ++at;
        ++count;
    } else {
        for (; at != end && IsDigit(*at); ++at, ++count) digits = digits * 10 + static_cast<std::uint64_t>(*at - '0');
    }
    bool whole = true;
    if (at != end && *at == '.') {
        whole = false;
        if (++at == end || !IsDigit(*at)) return fail("a digit was expected after '.'");
        for (; at != end && IsDigit(*at); ++at, ++count, --power) digits = digits * 10 + static_cast<std::uint64_t>(*at - '0');
    }
    if (at != end && (*at == 'e' || *at == 'E')) {
        whole = false;
        const bool down = ++at != end && *at == '-';
        if (at != end && (*at == '+' || *at == '-')) ++at;
        if (at == end || !IsDigit(*at)) return fail("a digit was expected in the exponent");
        int exponent = 0;
        for (; at != end && IsDigit(*at); ++at) exponent = std::min(exponent * 10 + (*at - '0'), 100000);
        power += down ? -exponent : exponent;
    }
    at_ = static_cast<std::size_t>(at - line_.data());
    if (whole) {
        long long integer = 0;
        if (count <= 18)
            integer = negative ? -static_cast<long long>(digits) : static_cast<long long>(digits);
        else if (std::from_chars(first, at, integer).ec != std::errc())
            whole = false;  // beyond a long long: no whole number a trace takes, only a number
        if (whole) {
            Value& value = Add(Kind::Integer);
            value.integer = integer;
            value.number = static_cast<double>(integer);
            return true;
        }
    }
    double number = 0.0;
    if (!FastNumber(negative, digits, count, power, number) && !SlowNumber(first, at, number)) {
        error_ = "number overflow parsing '" + std::string(first, at) + "'";
        return false;
    }
    Add(Kind::Number).number = number;
    return true;
}

bool JsonLine::FastNumber(bool negative, std::uint64_t digits, int count, int power, double& value) {
    // At most 15 digits and a power of ten up to 22: the digits as a whole number and the power are
    // both exact doubles, so one multiplication or division rounds correctly.
    static constexpr double Powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (count > 15 || power < -22 || power > 22) return false;
    const double whole = static_cast<double>(digits);
    value = power < 0 ? whole / Powers[-power] : whole * Powers[power];
    if (negative) value = -value;
    return true;
}

bool JsonLine::SlowNumber(const char* first, const char* last, double& value) {
    const auto read = std::from_chars(first, last, value);
    if (read.ec == std::errc::result_out_of_range) {
        // Too small a number is 0 (or the nearest subnormal); too large a one no double holds.
        value = std::strtod(std::string(first, last).c_str(), nullptr);
        return std::isfinite(value);
    }
    return read.ec == std::errc() && read.ptr == last;
}

}  // namespace sandbox
