#include <gtest/gtest.h>
#include <langinfo.h>

#include <clocale>
#include <cstdlib>
#include <map>
#include <random>

#include "CodePage.h"
#include "SystemCodePageChoice.h"
#include "Utf.h"

using namespace courseview;

TEST(CodePage, Utf8MalformedBytesBecomeReplacementCharacters) {
    EXPECT_EQ(Utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFD"
              "b");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD") << "overlong forms are refused";
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD")
        << "encoded surrogates are refused";
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(Utf8ToUtf16("Лекция"), u"Лекция");
    EXPECT_EQ(Utf8ToUtf16("\xD0"), u"\uFFFD") << "a cut-off character at the end";
}

TEST(CodePage, Utf8IncompleteCharacterWaitsForTheNextChunk) {
    std::u16string out;
    EXPECT_EQ(DecodeUtf8Prefix("a\xD0", false, out), 1u);
    EXPECT_EQ(out, u"a");
    EXPECT_EQ(DecodeUtf8Prefix("\xD0\x9B", false, out), 2u);
    EXPECT_EQ(out, u"aЛ");
}

TEST(CodePage, LoneSurrogatesReachUtf8AsReplacement) {
    EXPECT_EQ(Utf16ToUtf8(u"a\xD800"
                          "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
    std::string out;
    const std::u16string split = u"x\xD83D";
    EXPECT_EQ(EncodeUtf8Prefix(split, false, out), 1u) << "a high surrogate waits for its partner";
    // The same without the trip through UTF-8, after text already there.
    for (const std::u16string text :
         {u"a\xD800"
          u"b",
          u"\xDC00", u"\xD83D\xDE00", u"\xD83D\xD83D\xDE00", u"\xDE00\xD83D", u"x\xD83D"}) {
        std::u16string appended = u"\xD83D";
        AppendWithoutLoneSurrogates(text, appended);
        EXPECT_EQ(appended, u"\xD83D" + Utf8ToUtf16(Utf16ToUtf8(text)));
    }
}

TEST(CodePage, Windows1251RoundTripsCyrillic) {
    const auto cp1251 = OpenCodePage("CP1251");
    EXPECT_EQ(cp1251->ToUtf16("\xCB\xE5\xEA\xF6\xE8\xFF"), u"Лекция");
    EXPECT_EQ(cp1251->FromUtf16(u"Лекция 1"), "\xCB\xE5\xEA\xF6\xE8\xFF 1");
    EXPECT_EQ(cp1251->ToUtf16("\x98"), u"\uFFFD") << "0x98 is unassigned in windows-1251";
}

TEST(CodePage, MissingCharactersBecomeBestFitOrQuestionMark) {
    const auto cp1251 = OpenCodePage("CP1251");
    const std::string chinese = cp1251->FromUtf16(u"\u4E2D");
    EXPECT_EQ(chinese, "?");
    EXPECT_EQ(cp1251->FromUtf16(u"\U0001F600"), "?") << "one default character per surrogate pair";
    EXPECT_EQ(cp1251->FromUtf16(u"\xD800"), "?");
    EXPECT_EQ(cp1251->FromUtf16(u"\u00E9").size(), 1u) << "a best fit stays one character";
}

TEST(CodePage, MultiByteCodePagesGoThroughIconv) {
    const auto sjis = OpenCodePage("SHIFT_JIS");
    EXPECT_EQ(sjis->ToUtf16("\x93\xfa\x96\x7b"), u"日本");
    EXPECT_EQ(sjis->FromUtf16(u"日本"), "\x93\xfa\x96\x7b");
    std::u16string out;
    EXPECT_EQ(sjis->DecodePrefix("a\x93", false, out), 1u) << "a lead byte waits for its trail";
    out.clear();
    sjis->DecodePrefix("a\x93", true, out);
    EXPECT_EQ(out, u"a\uFFFD");
}

TEST(CodePage, UnknownCodesetIsAnError) {
    EXPECT_THROW(OpenCodePage("NO-SUCH-CODESET-42"), std::runtime_error);
}

TEST(CodePage, SystemCodePageIsTheOneChosenForThisLocale) {
    const std::string ctype = std::setlocale(LC_CTYPE, nullptr);
    EXPECT_EQ(SystemCodePage().Name(),
              ChooseSystemCodePage(nl_langinfo(CODESET), ctype, std::getenv("COURSEVIEW_CODEPAGE"),
                                   nullptr));
    // The locales the tests run in, their codesets as the C library names them.
    const std::map<std::string, std::string> chosen = {
        {"ru_RU.CP1251", "CP1251"}, {"ru_RU.UTF-8", "CP1251"},
        {"en_US.UTF-8", "CP1252"},  {"C", "CP1252"},
        {"C.UTF-8", "CP1252"},      {"POSIX", "CP1252"}};
    if (chosen.count(ctype) != 0) {
        EXPECT_EQ(ChooseSystemCodePage(nl_langinfo(CODESET), ctype, nullptr, nullptr),
                  chosen.at(ctype));
    }
    // A Russian desktop reads old pages in windows-1251, whatever its own codeset;
    // the C library's texts stay in the locale's.
    if (ctype.starts_with("ru_RU")) {
        EXPECT_EQ(SystemCodePage().ToUtf16("\xCB"), u"Л");
    }
    EXPECT_EQ(LocaleCodePage().IsUtf8(), std::string_view(nl_langinfo(CODESET)) == "UTF-8");
}

TEST(CodePage, Utf8RunsEndWhereDecodingWouldReplace) {
    // Pieces of every kind, at every offset in the eight- and sixteen-byte
    // blocks judged at once.
    const std::string pieces[] = {"a",        " ",        "\xD0\x9B",     "\xD1\x8F",
                                  "\xC2\x80", "\xDF\xBF", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80",
                                  "\xC0\xAF", "\xC1\x81", "\xFF",         "\x80",
                                  "\xD0",     "\xE2\x82", "\xED\xA0\x80", "\xD0 "};
    std::mt19937 random(5);
    for (int round = 0; round < 20000; ++round) {
        std::string bytes;
        for (int i = static_cast<int>(random() % 40); i > 0; --i) {
            bytes += pieces[random() % (round % 3 == 0 ? std::size(pieces) : 4)];
        }
        // The reference: character by character, as decoding goes.
        std::size_t wellFormed = 0;
        std::u16string ignored;
        while (wellFormed < bytes.size()) {
            const std::size_t length =
                DecodeOneUtf8Character(std::string_view(bytes).substr(wellFormed), ignored);
            if (length == 0) break;
            wellFormed += length;
        }
        EXPECT_EQ(NextUtf8Run(bytes, true).wellFormed, wellFormed) << Utf8ToUtf16(bytes).size();
        if (wellFormed < bytes.size()) {
            EXPECT_GT(NextUtf8Run(bytes, true).malformed, 0u);
        }
    }
}
