// The trace reader's JSON parser against nlohmann's: it accepts exactly the lines nlohmann accepts and
// reads each to the same values; its numbers are the doubles strtod reads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sandbox/json_line.h"

namespace {

nlohmann::json AsJson(const sandbox::JsonLine& line, const sandbox::JsonLine::Value& value) {
    using Kind = sandbox::JsonLine::Kind;
    switch (value.kind) {
    case Kind::Null: return nullptr;
    case Kind::Boolean: return value.boolean;
    case Kind::Integer: return value.integer;
    case Kind::Number: return value.number;
    case Kind::String: return std::string(line.Text(value));
    case Kind::Array: {
        nlohmann::json array = nlohmann::json::array();
        for (int at = value.first; at >= 0; at = line.At(at).next) array.push_back(AsJson(line, line.At(at)));
        return array;
    }
    case Kind::Object: {
        nlohmann::json object = nlohmann::json::object();
        for (int at = value.first; at >= 0; at = line.At(at).next)
            object[std::string(line.KeyOf(line.At(at)))] = AsJson(line, line.At(at));
        return object;
    }
    }
    return nullptr;
}

}  // namespace

TEST(JsonLine, AcceptsWhatNlohmannAcceptsAndReadsTheSameValues) {
    const std::vector<std::string> lines = {
        "{}",
        "[]",
        " {\"a\" : [1, -2.5e3, 0.1, 1E-7, -0, 0.0, 1e+2]} ",
        "\"text\"",
        "123",
        "true",
        "null",
        R"({"s":"\u00e9\ud83d\ude00 \" \\ \/ \b\f\n\r\t"})",
        "{\"raw\":\"ü€\xf0\x9d\x84\x9e\"}",
        R"({"big":18446744073709551615,"bigger":1e308,"tiny":1e-400,"sub":4.9e-324})",
        R"({"k":1,"k":2})",
        R"({"n":123456789012345678,"m":-9223372036854775808})",
        R"({"p":0.30000000000000004,"q":4607.890136718750,"r":-4607.89,"s":17.01})",
        // Not JSON.
        "",
        " ",
        "{",
        R"({"a"})",
        R"({"a":})",
        R"({"a":1,})",
        "[1,]",
        "[01]",
        "[1.]",
        "[.5]",
        "[+1]",
        "[1e]",
        "[-]",
        "{'a':1}",
        R"({"a":1}x)",
        "[tru]",
        "[nul]",
        "[True]",
        R"(["\x"])",
        R"(["\u12"])",
        R"(["\ud800"])",
        R"(["\ud800\u0041"])",
        R"(["\udc00"])",
        "[\"a\tb\"]",
        "[\"\xff\"]",
        "[\"\xc0\x80\"]",
        "[\"\xed\xa0\x80\"]",
        "[\"\xf4\x90\x80\x80\"]",
        "[\"\xe2\x82\"]",
        "[1e400]",
        "[-1e400]",
        "[NaN]",
        "[Infinity]",
        "[1 2]",
        "{\"a\" 1}",
        "[\"unterminated]",
        "[1]]",
        "{\"a\":1}}",
    };
    for (const std::string& text : lines) {
        sandbox::JsonLine line;
        const bool parsed = line.Parse(text, 64);
        ASSERT_EQ(parsed, nlohmann::json::accept(text)) << text << "\n" << line.Error();
        if (parsed)
            EXPECT_EQ(AsJson(line, line.Root()), nlohmann::json::parse(text)) << text;
        else
            EXPECT_FALSE(line.Error().empty()) << text;
    }
    sandbox::JsonLine line;
    EXPECT_FALSE(line.Parse("[[[[[1]]]]]", 4));
    EXPECT_TRUE(line.TooDeep());
    EXPECT_EQ(line.Error(), "lists and objects nest deeper than 4 levels");
    EXPECT_TRUE(line.Parse("[[[[[1]]]]]", 5)) << line.Error();
    EXPECT_FALSE(line.Parse("[1e400]", 5));
    EXPECT_EQ(line.Error(), "number overflow parsing '1e400'");
}

// Numbers of every length and power, as a trace holds them and beyond: the same bits as strtod.
TEST(JsonLine, ReadsEveryNumberAsTheDoubleStrtodReads) {
    std::mt19937_64 random(20261210);
    sandbox::JsonLine line;
    for (int i = 0; i < 200000; ++i) {
        std::string text = random() % 2 ? "-" : "";
        const int digits = 1 + static_cast<int>(random() % 19);
        for (int d = 0; d < digits; ++d) text += static_cast<char>('0' + random() % 10);
        while (text.size() > 1 + (text[0] == '-') && text[text[0] == '-'] == '0') text.erase(text[0] == '-', 1);
        if (random() % 2) {
            const std::size_t point = 1 + (text[0] == '-') + random() % static_cast<std::size_t>(digits);
            if (point < text.size()) text.insert(point, ".");
        }
        if (random() % 3 == 0) text += "e" + std::to_string(static_cast<int>(random() % 80) - 40);
        ASSERT_TRUE(line.Parse(text, 1)) << text << ": " << line.Error();
        const double read = line.Root().number;
        const double expected = std::strtod(text.c_str(), nullptr);
        // A whole number is read as one ("-0" is 0, as nlohmann reads it); any other, bit for bit.
        const bool whole = text.find_first_of(".e") == std::string::npos;
        ASSERT_TRUE(whole ? read == expected : std::memcmp(&read, &expected, sizeof read) == 0)
            << text << ": " << read << " / " << expected;
    }
}
