// Shortening the API key's value in repeated console statements.
#include "sandbox/statement_masking.h"

#include <vector>

#include "host/runtime/console_syntax.h"

namespace sandbox {

namespace {

// A word as typed: quoted only when it has to be.
std::string Typed(const std::string& word) {
    const bool plain = !word.empty() && word.find_first_of(" \t;\"\\") == std::string::npos;
    return plain ? word : host::QuoteWord(word);
}

}  // namespace

std::string MaskedStatements(std::string_view statements) {
    std::string masked;
    for (const std::string& statement : host::SplitStatements(statements)) {
        std::vector<std::string> words = host::SplitWords(statement);
        if (words.size() > 1 && words[0] == "zando_api_key") {
            for (std::size_t i = 1; i < words.size(); ++i) words[i] = words[i].substr(0, i == 1 ? 4 : 0) + "...";
        }
        if (!masked.empty()) masked += "; ";
        for (std::size_t i = 0; i < words.size(); ++i) masked += (i ? " " : "") + Typed(words[i]);
    }
    return masked;
}

}  // namespace sandbox
