// Console statement and word splitting, and the quoting that reverses it.
#include "console_syntax.h"

#include <cctype>

namespace host {

namespace {

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

bool IsBlankText(std::string_view text) {
    for (char c : text)
        if (!IsBlank(c)) return false;
    return true;
}

}  // namespace

std::vector<std::string> SplitStatements(std::string_view text) {
    std::vector<std::string> statements;
    std::string current;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (quoted && c == '\\' && i + 1 < text.size()) {
            current += c;
            current += text[++i];
            continue;
        }
        if (c == '"') quoted = !quoted;
        if (c == ';' && !quoted) {
            if (!IsBlankText(current)) statements.push_back(current);
            current.clear();
            continue;
        }
        current += c;
    }
    if (!IsBlankText(current)) statements.push_back(current);
    return statements;
}

std::vector<std::string> SplitWords(std::string_view statement) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < statement.size()) {
        while (i < statement.size() && IsBlank(statement[i])) ++i;
        if (i >= statement.size()) break;
        std::string word;
        if (statement[i] == '"') {
            ++i;
            while (i < statement.size() && statement[i] != '"') {
                if (statement[i] == '\\' && i + 1 < statement.size() &&
                    (statement[i + 1] == '"' || statement[i + 1] == '\\'))
                    ++i;
                word += statement[i++];
            }
            ++i;  // the closing quote, when there is one
        } else {
            while (i < statement.size() && !IsBlank(statement[i])) word += statement[i++];
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::string QuoteWord(std::string_view word) {
    std::string quoted = "\"";
    for (char c : word) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

}  // namespace host
