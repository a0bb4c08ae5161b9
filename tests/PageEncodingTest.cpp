#include <gtest/gtest.h>

#include "PageEncoding.h"

using namespace courseview;

namespace {
const std::string Lecture1251 = "<title>\xCB\xE5\xEA\xF6\xE8\xFF</title>";  // "Лекция"
const std::string LectureKoi8 = "<title>\xEC\xC5\xCB\xC3\xC9\xD1</title>";  // "Лекция"
const std::string LectureUtf8 = "<title>Лекция</title>";
}  // namespace

TEST(PageEncoding, TheDisplayDecidesAsABrowserDoes) {
    struct Case {
        std::string page;
        bool pageGoesOn;
        std::string_view name, codeset;
        EncodingSource source;
        std::size_t markBytes;
    };
    const auto cp1251 = OpenCodePage("CP1251");
    using enum EncodingSource;
    const std::string meta1251 = "<meta charset=windows-1251>";
    for (const Case& c : {
             Case{"\xEF\xBB\xBF" + meta1251, false, "UTF-8", "UTF-8", ByteOrderMark, 3},
             Case{"\xFF\xFE<\0", false, "UTF-16LE", "UTF-16LE", ByteOrderMark, 2},
             Case{"\xFE\xFF\0<", false, "UTF-16BE", "UTF-16BE", ByteOrderMark, 2},
             Case{meta1251 + LectureUtf8, false, "windows-1251", "CP1251", Declaration, 0},
             Case{"<meta charset=koi8-r>" + LectureKoi8, false, "KOI8-R", "KOI8-R", Declaration, 0},
             Case{"<meta charset=utf-16>" + LectureUtf8, false, "UTF-8", "UTF-8", Declaration, 0},
             Case{"<meta charset=iso-2022-kr>", false, "replacement", "", Declaration, 0},
             Case{"<!-- <meta charset=koi8-r> -->" + Lecture1251, false, "windows-1251", "CP1251",
                  SystemCodePage, 0},
             Case{std::string(1024, ' ') + "<meta charset=koi8-r>" + LectureUtf8, false, "UTF-8",
                  "UTF-8", Utf8Detected, 0},
             Case{LectureUtf8, false, "UTF-8", "UTF-8", Utf8Detected, 0},
             Case{"plain ASCII", false, "UTF-8", "UTF-8", Utf8Detected, 0},
             Case{Lecture1251, false, "windows-1251", "CP1251", SystemCodePage, 0},
             Case{"Лекция\xD0", true, "UTF-8", "UTF-8", Utf8Detected, 0},
             Case{"Лекция\xD0", false, "windows-1251", "CP1251", SystemCodePage, 0},
         }) {
        const PageEncoding encoding = DisplayEncoding(c.page, c.pageGoesOn, *cp1251);
        EXPECT_EQ(encoding.name, c.name) << c.page;
        EXPECT_EQ(encoding.codeset, c.codeset) << c.page;
        EXPECT_EQ(encoding.source, c.source) << c.page;
        EXPECT_EQ(encoding.markBytes, c.markBytes) << c.page;
    }
    EXPECT_FALSE(MarkedOrDeclaredEncoding(Lecture1251));
}

TEST(PageEncoding, SystemCodePageGoesByTheNameBrowsersKnow) {
    struct Case {
        std::string_view codeset, name;
    };
    for (const Case& c :
         {Case{"CP1251", "windows-1251"}, Case{"KOI8-R", "KOI8-R"}, Case{"CP932", "Shift_JIS"},
          Case{"CP936", "GBK"}, Case{"CP950", "Big5"}, Case{"CP949", "EUC-KR"},
          Case{"CP874", "windows-874"}, Case{"CP1125", "CP1125"}}) {
        EXPECT_EQ(DisplayEncoding("\xFF", false, *OpenCodePage(c.codeset)).name, c.name);
    }
}

TEST(PageEncoding, DecodesTheWholePageByTheDecision) {
    struct Case {
        std::string page;
        std::u16string text;
    };
    const auto cp1251 = OpenCodePage("CP1251");
    const std::string longUtf8Head = std::string(DisplayDecisionBytes - 1, ' ') + "Лекция";
    for (const Case& c : {
             Case{Lecture1251, u"<title>Лекция</title>"},
             Case{"<meta charset=koi8-r>" + LectureKoi8,
                  u"<meta charset=koi8-r><title>Лекция</title>"},
             Case{std::string("\xFF\xFE\x1B\x04\0\0a\0", 8), u"Л"},
             Case{"\xEF\xBB\xBFЛекция\xFF", u"Лекция\uFFFD"},
             Case{std::string("ab\0cd", 5), u"ab"},
             Case{"<meta charset=hz-gb-2312>Лекция", u"\uFFFD"},
             Case{longUtf8Head, std::u16string(DisplayDecisionBytes - 1, u' ') + u"Лекция"},
         }) {
        EXPECT_EQ(DecodePageForDisplay(c.page, *cp1251), c.text) << c.page.substr(0, 80);
    }
}
