// The strict JSON reader is the judge of the tool's output here and in the
// fuzz target: it must refuse everything a strict reader refuses.

#include <gtest/gtest.h>

#include "JsonDocument.h"

using courseview::testing::JsonValue;
using courseview::testing::ParseJson;

TEST(JsonDocument, ReadsValidDocumentsWithTheirValues) {
    const auto document = ParseJson(
        " {\"a\": [1, -0.5e+3, true, false, null], \"b\": "
        "\"\\u00e9\\ud83d\\ude00\\n\\\"\xD0\x9B\", \"c\": {}}\r\n");
    ASSERT_TRUE(document);
    EXPECT_EQ(document->Find("a")->items.size(), 5u);
    EXPECT_EQ(document->Find("a")->items[1].text, "-0.5e+3");
    EXPECT_EQ(document->Find("b")->text, "\xC3\xA9\xF0\x9F\x98\x80\n\"\xD0\x9B");
    EXPECT_EQ(document->Find("c")->kind, JsonValue::Kind::Object);
}

TEST(JsonDocument, RefusesWhatAStrictReaderRefuses) {
    for (const std::string text : {"",
                                   "{",
                                   "[1,]",
                                   "{\"a\":1,}",
                                   "{\"a\":1 \"b\":2}",
                                   "{\"a\":1,\"a\":2}",
                                   "01",
                                   "1.",
                                   ".5",
                                   "+1",
                                   "[1] [2]",
                                   "\"\t\"",
                                   "\"\\x\"",
                                   "\"\\ud800\"",
                                   "\"\\udc00x\"",
                                   "\"\\ud800\\u0041\"",
                                   "\"\xFF\"",
                                   "\"\xC0\x80\"",
                                   "\"\xED\xA0\x80\"",
                                   "\"\xF4\x90\x80\x80\"",
                                   "\"\xE2\x82\"",
                                   "nul",
                                   "[\"a\"\x0b]",
                                   "{1:2}",
                                   "\"unterminated"}) {
        std::string problem;
        EXPECT_FALSE(ParseJson(text, &problem)) << text;
        EXPECT_FALSE(problem.empty()) << text;
    }
}
