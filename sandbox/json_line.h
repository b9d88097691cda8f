// One line of JSON (RFC 8259, strings checked to be UTF-8), parsed into a flat list of values that is
// kept from line to line: reading a trace's lines builds no tree and, once warm, allocates nothing.
// Made for the trace reader, whose lines are short and many: numbers are read with std::from_chars.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sandbox {

class JsonLine {
public:
    enum class Kind : std::uint8_t { Null, Boolean, Integer, Number, String, Array, Object };

    struct Value {
        Kind kind = Kind::Null;
        bool boolean = false;
        bool taken = false;         // a member a reader took (see Take)
        long long integer = 0;      // Integer: a whole number written without a fraction or exponent
        double number = 0.0;        // Integer and Number
        std::size_t text = 0;       // String: the index of its text
        std::size_t key = 0;        // a member of an object: the index of its key
        int first = -1, next = -1;  // Array and Object: the first element; any value: the one after it
        int size = 0;               // Array and Object: how many elements

        bool IsNumber() const { return kind == Kind::Integer || kind == Kind::Number; }
    };

    // Parses a line; false with the reason in Error() when it is not JSON ("syntax error at byte N:
    // ...", or "number overflow parsing '1e400'" for a number no double holds) or its lists and objects
    // nest deeper than maxDepth (TooDeep(): "lists and objects nest deeper than N levels"), found
    // before anything deeper is read.
    bool Parse(std::string_view line, int maxDepth);
    const std::string& Error() const { return error_; }
    bool TooDeep() const { return tooDeep_; }

    const Value& Root() const { return values_.front(); }
    const Value& At(int index) const { return values_[static_cast<std::size_t>(index)]; }
    std::string_view Text(const Value& string) const { return texts_[string.text]; }
    std::string_view KeyOf(const Value& member) const { return texts_[member.key]; }
    // The member of an object named key (the last, when a key is written twice), or nullptr; Take also
    // marks every member of that name as taken.
    const Value* Find(const Value& object, std::string_view key) const;
    const Value* Take(const Value& object, std::string_view key);

private:
    bool ParseValue(int depth);
    bool ParseContainer(bool object, int depth);
    bool ParseString(std::string& out);
    bool ParseNumber();
    // A number from its digits (count of them, the leading zeros too) times 10^power, when that is
    // exact enough to round once; else from its text.
    static bool FastNumber(bool negative, std::uint64_t digits, int count, int power, double& value);
    static bool SlowNumber(const char* first, const char* last, double& value);
    bool ParseWord(std::string_view word);
    bool Fail(std::string_view what);
    void SkipSpace();
    Value& Add(Kind kind);
    std::string& NextText();  // a text slot of this line, kept from earlier lines

    std::string_view line_;
    std::size_t at_ = 0;
    int maxDepth_ = 0;
    bool tooDeep_ = false;
    std::vector<Value> values_;
    std::vector<std::string> texts_;  // strings and keys; only the first textsUsed_ belong to the line
    std::size_t textsUsed_ = 0;
    std::vector<int> open_;  // the arrays and objects being read, innermost last
    std::vector<int> last_;  // of each of them, its last element so far (-1: none)
    std::size_t pendingKey_ = 0;
    bool keyPending_ = false;
    std::string error_;
};

}  // namespace sandbox
