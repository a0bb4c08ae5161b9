#include <gtest/gtest.h>

#include "ParsingSelfMaking.h"

using namespace courseview;

namespace {
const auto Utf8 = OpenCodePage("UTF-8");
const auto Cp1251 = OpenCodePage("CP1251");
}  // namespace

TEST(ParsingSelfMaking, SetIgnoresCodeZeroForEmptiness) {
    TSpliters set;
    EXPECT_TRUE(set.IsEmpty());
    set.AddChars(std::string_view("\0", 1));
    EXPECT_TRUE(set.Contains(0));
    EXPECT_TRUE(set.IsEmpty()) << "code 0 alone counts as empty";
    set.AddChars("\xFF");
    EXPECT_FALSE(set.IsEmpty());
    EXPECT_TRUE(set.Contains(255));
    EXPECT_FALSE(set.Contains(254));
    set.AddChars("\xFF");
    EXPECT_TRUE(set.Contains(255)) << "adding twice keeps the code";
}

TEST(ParsingSelfMaking, RunsBetweenSeparatorsAreTokens) {
    TSimpleParser parser(*Utf8);
    parser.Separators.AddChars(" <>");
    EXPECT_EQ(parser.Parse("ab cd"), 2);
    EXPECT_EQ(parser.Tokens, (std::vector<std::u16string>{u"ab", u"cd"}))
        << "the last byte stays in the last token";
    EXPECT_EQ(parser.Parse("  <<a>>  b<"), 2);
    EXPECT_EQ(parser.Tokens, (std::vector<std::u16string>{u"a", u"b"}));
    EXPECT_EQ(parser.Parse(" <> "), 0);
    EXPECT_TRUE(parser.Tokens.empty()) << "separators only: the old tokens are cleared";
}

TEST(ParsingSelfMaking, TokensComeBackThroughTheCodePage) {
    TSimpleParser parser(*Cp1251);
    parser.Separators.AddChars(" ");
    parser.Parse("\xCB\xE5\xEA\xF6\xE8\xFF\t1 x");
    EXPECT_EQ(parser.Tokens, (std::vector<std::u16string>{u"Лекция\t1", u"x"}))
        << "a tab is no separator unless added";
}

TEST(ParsingSelfMaking, EmptySetLeavesTokensUntouched) {
    TSimpleParser parser(*Utf8);
    parser.Tokens = {u"kept"};
    parser.Separators.AddChars(std::string_view("\0", 1));
    parser.Parse("a b");
    EXPECT_EQ(parser.Tokens, std::vector<std::u16string>{u"kept"});
}
