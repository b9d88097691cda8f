// Console statement syntax: statements, words, quotes.
#include <gtest/gtest.h>

#include "host/runtime/console_syntax.h"

using host::QuoteWord;
using host::SplitStatements;
using host::SplitWords;
using Words = std::vector<std::string>;

TEST(ConsoleSyntax, StatementsSplitAtSemicolonsOutsideQuotes) {
    EXPECT_EQ(SplitStatements("a 1; b \"x;y\" ;;  ; c"), (Words{"a 1", " b \"x;y\" ", " c"}));
    EXPECT_TRUE(SplitStatements("  ;  ").empty());
    EXPECT_EQ(SplitStatements("k \"a\\\";b\"; c"), (Words{"k \"a\\\";b\"", " c"}));
}

TEST(ConsoleSyntax, QuotedWordsKeepBlanksAndMayBeEmpty) {
    EXPECT_EQ(SplitWords("  togglemenu   ZANDO "), (Words{"togglemenu", "ZANDO"}));
    EXPECT_EQ(SplitWords("zando_api_key \"\""), (Words{"zando_api_key", ""}));
    EXPECT_EQ(SplitWords("set \"two words\" x"), (Words{"set", "two words", "x"}));
    EXPECT_EQ(SplitWords("say \"unterminated rest"), (Words{"say", "unterminated rest"}));
}

TEST(ConsoleSyntax, QuotingReadsBackToTheSameWord) {
    for (std::string word : {"", "plain", "with space", "a\"quote", "back\\slash", "semi;colon", "\\\""}) {
        Words words = SplitWords("name " + QuoteWord(word));
        ASSERT_EQ(words.size(), 2u) << word;
        EXPECT_EQ(words[1], word);
    }
}
