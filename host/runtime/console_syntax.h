// The console's statement syntax: statements separated by ';', words separated by blanks, double
// quotes group a word (with \" and \\ inside), the same syntax the configuration file is written in.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace host {

// Splits a line into statements at every ';' outside quotes; blank statements are dropped.
std::vector<std::string> SplitStatements(std::string_view text);

// Splits one statement into words; a quoted word may be empty or hold blanks and ';'.
// An unterminated quote runs to the end of the statement.
std::vector<std::string> SplitWords(std::string_view statement);

// A word as the console reads it back: quoted, with '"' and '\' escaped.
std::string QuoteWord(std::string_view word);

}  // namespace host
