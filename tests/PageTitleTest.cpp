// Page titles: what the rule gives, and that the streaming reader gives the
// same wherever its reads, slices and decisions fall.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "FileError.h"
#include "PageTitle.h"
#include "TempFolder.h"
#include "Utf.h"

using namespace courseview;
using courseview::testing::TempFolder;

namespace {

const CodePage& Cp1251 = CodePageNamed("CP1251");
const CodePage& Cp1252 = CodePageNamed("CP1252");
const CodePage& ShiftJis = CodePageNamed("CP932");

std::string Utf16Page(std::u16string_view text, bool bigEndian) {
    std::string page = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF);
        const char high = static_cast<char>(unit >> 8);
        page += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return page;
}

// Every title is read twice, streaming and by the rule, and must agree. One
// reader per code page for all pages, as in a scan: what one page left in the
// buffers must not reach the next.
class PageTitles : public ::testing::Test {
protected:
    std::u16string TitleOf(std::string_view bytes, const CodePage& codePage = Cp1251) {
        const std::string path = folder.Write("p" + std::to_string(++count) + ".htm", bytes);
        PageTitleReader& reader = &codePage == &Cp1251 ? cp1251Reader : otherReader(codePage);
        const std::u16string title(reader.Read(path));
        EXPECT_EQ(title, TitleByTheRule(bytes, codePage))
            << "streaming and literal reading differ, " << bytes.size() << " bytes in "
            << codePage.Name();
        return title;
    }
    PageTitleReader& otherReader(const CodePage& codePage) {
        if (!other || otherCodePage != &codePage)
            other = std::make_unique<PageTitleReader>(codePage);
        otherCodePage = &codePage;
        return *other;
    }

    TempFolder folder;
    int count = 0;
    PageTitleReader cp1251Reader{Cp1251};
    std::unique_ptr<PageTitleReader> other;
    const CodePage* otherCodePage = nullptr;
};

}  // namespace

TEST_F(PageTitles, TheRule) {
    struct Case {
        std::string_view page;
        std::u16string_view title;
        const char* why;
    };
    for (const Case& c : {
             Case{"<html><head><title>Лекция 1.   Введение</title>", u" Лекция 1. Введение",
                  "a leading space, runs of separators are one"},
             Case{"<TITLE>Ab</TITLE>", u" Ab", "tags in any Latin case"},
             Case{"<title>a\tb\r\n\r\nc</title>", u" a\tb c", "a tab stays inside its token"},
             Case{"<title></title>", u"", "empty"},
             Case{"", u"", "nothing"},
             Case{"<p>the last word is title", u"", "title as the last token"},
             Case{"<title>never closed and more words", u"", "no closing tag"},
             Case{"<title lang=ru>Текст</title>", u" lang=ru Текст", "attributes join the title"},
             Case{"<title>a<b>c</b></title>", u" a b c /b", "tags inside are split"},
             Case{"<title>A &amp; B< /TITLE >", u" A &amp; B", "entities stay, spaced tags close"},
             Case{"body title words </title><title>real</title>", u" words", "the first wins"},
             Case{"<titles>x</title>", u"", "titles is not title"},
             Case{std::string_view("<title>ab\0</title>", 18), u"", "NUL ends the text"},
             Case{std::string_view("<title>ab</title>\0junk", 22), u" ab", "NUL after it"},
         }) {
        EXPECT_EQ(TitleOf(c.page), c.title) << c.why;
    }
}

TEST_F(PageTitles, EncodingOfTheCaption) {
    struct Case {
        std::string page;
        const CodePage& codePage;
        std::u16string_view title;
        const char* why;
    };
    const std::string cp1251Title = "<title>\xCB\xE5\xEA\xF6\xE8\xFF</title>";
    for (const Case& c : {
             Case{Utf16Page(u"<title>Л</title>", false), Cp1251, u" Л", "UTF-16LE by its mark"},
             Case{Utf16Page(u"<TITLE>Лекция \U0001F600</TITLE>", true), Cp1251,
                  u" Лекция \U0001F600", "UTF-16BE by its mark"},
             Case{"\xEF\xBB\xBF<title>\xD0\x9B\xD0\x9C</title>", Cp1251, u" ЛМ", "UTF-8 mark"},
             Case{cp1251Title, Cp1251, u" Лекция", "undeclared: the system code page"},
             Case{cp1251Title, Cp1252, u" Ëåêöèÿ", "a Western code page reads it Western"},
             Case{"<title>\xD0\x9B</title>", Cp1251, u" Л", "valid UTF-8: read as UTF-8"},
             Case{"<title>\xE4\xB8\xAD</title>", Cp1251, u" \u4E2D",
                  "no loss: a character the code page lacks stays"},
             Case{"<title>\xD0\x9B</title> \xCB", Cp1251, u" Л",
                  "UTF-8 through the title decides, whatever follows"},
             Case{"\xCB <title>\xD0\x9B</title>", Cp1251, u" \u0420\u203A",
                  "not UTF-8 before the title: the code page"},
             Case{"<meta charset=koi8-r><title>\xEC\xC5\xCB\xC3\xC9\xD1</title>", Cp1252,
                  u" Лекция", "declared KOI8-R"},
             Case{"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">" +
                      cp1251Title,
                  Cp1252, u" Лекция", "declared by http-equiv"},
             Case{"<!-- <meta charset=koi8-r> -->" + cp1251Title, Cp1251, u" Лекция",
                  "a declaration in a comment counts for nothing"},
             Case{std::string(1100, ' ') + "<meta charset=koi8-r>" + cp1251Title, Cp1251,
                  u" Лекция", "nor one after 1024 bytes"},
             Case{"<meta charset=utf-16><title>\xD0\x9B</title>", Cp1251, u" Л",
                  "a declared UTF-16 is read as UTF-8"},
             Case{"<meta charset=utf-8><title>\xD0\x9B\xFF</title>", Cp1251, u" Л\uFFFD",
                  "declared UTF-8 keeps malformed bytes as U+FFFD"},
             Case{"<meta charset=iso-2022-kr><title>x</title>", Cp1251, u"",
                  "an encoding browsers never show"},
             Case{"<title>\x93\xfa\x96\x7b</title>", ShiftJis, u" 日本",
                  "a multi-byte system code page"},
         }) {
        EXPECT_EQ(TitleOf(c.page, c.codePage), c.title) << c.why;
    }
}

TEST_F(PageTitles, StreamingAgreesWhereReadsAndSlicesFall) {
    // The first read is 4096 bytes, slices 512 and 64: tags and characters
    // across those boundaries, byte by byte.
    for (std::size_t at = 4085; at <= 4100; ++at) {
        TitleOf(std::string(at, 'x') + " <title>T </title>");
        TitleOf(" <title>" + std::string(at, 'y') + " b</title>");
        TitleOf(std::string(at - 3, 'x') + " title a /title");
        TitleOf("<title>" + std::string(at - 7, 'a') + "\xD0\x96 b</title>");
        TitleOf("<title>" + std::string(at - 7, 'a') + "\xD0\x96 \xCB</title>");
        // Not UTF-8 before the title, which is: the code page all the same.
        TitleOf(std::string(at, 'z') + "\xCB <title>\xD0\x9B</title>");
    }
    for (std::size_t at = 505; at <= 520; ++at) TitleOf(std::string(at, ' ') + "TiTlE Ab /TITLE");
    // A late title: the bytes before it are checked as they leave the first
    // chunk (4096 bytes) and the next (64 KB on), a character cut there or not.
    for (const std::size_t cut : {4096u, 4096u + 65536u}) {
        for (std::size_t at = cut - 2; at <= cut + 1; ++at) {
            for (const std::string_view character : {"\xD0\x96", "\xE4\xB8\xAD", "\xCB"}) {
                TitleOf(std::string(at, 'x') + std::string(character) + std::string(70000, 'y') +
                        "<title>\xD0\x9B</title>");
            }
        }
    }
    for (const std::string_view page :
         {"xtitle a /title title b /title", "titlex a /title title b /title",
          "<titl>e a</title><title>c</title>", "\xD0title a /title title b /title",
          "title\xD0 a /title title b /title", "ltitle l /title title lll /title", "title",
          "a title", "<title>\xD0\x9B\xFF\xD0 \xE2\x82 \xF0\x9F\x98\x80</title>",
          "\xEF\xBB\xBF<title>\xD0\x9B\xFF</title>"}) {
        TitleOf(page);
        TitleOf(page, ShiftJis);
    }
    TitleOf(std::string(10000, ' '));
    TitleOf(std::string(4090, 'y') + " titlex /title title B /title");
    TitleOf(std::string("<title>a\xD0", 10));
    TitleOf(std::string("\xD0\0<title>ab</title>", 19));
    // The odd byte of a UTF-16 page is a character of its own.
    TitleOf(Utf16Page(u"<title>a /title", false) + "x");
    TitleOf(Utf16Page(u"<title>a\xD800 b</title>", false));
}

TEST_F(PageTitles, StreamingAgreesOnRandomPages) {
    const std::string pieces[] = {"<title>",
                                  "</title>",
                                  "TITLE",
                                  "/title",
                                  " ",
                                  "\r\n",
                                  "<",
                                  ">",
                                  "l",
                                  "\xD0\x9B",
                                  "\xE4\xB8\xAD",
                                  "\xF0\x9F\x98\x80",
                                  "\xFF",
                                  "\xD0",
                                  "\xCB\xE5",
                                  std::string(1, '\0'),
                                  "word",
                                  "<meta charset=koi8-r>",
                                  std::string(700, 'z'),
                                  std::string(3000, ' ')};
    const std::u16string units[] = {u"<title>",
                                    u"</title>",
                                    u"TiTlE",
                                    u" ",
                                    u"l",
                                    u"Лекция",
                                    u"\U0001F600",
                                    std::u16string(1, char16_t(0xD800)),
                                    std::u16string(1, u'\0'),
                                    std::u16string(1500, u'ж')};
    std::mt19937 random(11);
    for (int round = 0; round < 150; ++round) {
        std::string page = round % 4 == 0 ? "\xEF\xBB\xBF" : "";
        std::u16string text;
        for (int i = 1 + static_cast<int>(random() % 60); i > 0; --i) {
            // NUL ends the text early: keep it rare so most pages run long.
            const std::string& piece = pieces[random() % std::size(pieces)];
            if (piece != std::string(1, '\0') || random() % 4 == 0) page += piece;
            const std::u16string& unit = units[random() % std::size(units)];
            if (unit != std::u16string(1, u'\0') || random() % 4 == 0) text += unit;
        }
        TitleOf(page);
        TitleOf(page, ShiftJis);
        TitleOf(Utf16Page(text, round % 2 == 1) + (round % 5 == 0 ? "x" : ""));
    }
}

TEST_F(PageTitles, CapCountsCharactersNotBytes) {
    std::string letters;
    for (int i = 0; i < 40000; ++i) letters += "\xD0\x96";
    EXPECT_EQ(TitleOf("<title>" + letters + "</title>"), u" " + std::u16string(40000, u'Ж'));
    EXPECT_EQ(TitleOf("<title>a " + letters + letters + "</title>"),
              (u" a " + std::u16string(80000, u'Ж')).substr(0, MaximumTitleLength));
    // A "/title" after the cap still closes the title.
    EXPECT_EQ(TitleOf("<title>" + std::string(3 * MaximumTitleLength, 'a') + " b</title>").size(),
              MaximumTitleLength);
}

TEST_F(PageTitles, UnreadableFilesRaiseErrorsAndLeaveTheReaderUsable) {
    PageTitleReader reader(Cp1251);
    EXPECT_THROW(reader.Read(folder.Path() + "missing.htm"), FileError);
    folder.MakeFolder("_notes.htm");
    EXPECT_THROW(reader.Read(folder.Path() + "_notes.htm"), FileError) << "a folder is no page";
    ASSERT_EQ(::mkfifo((folder.Path() + "pipe.htm").c_str(), 0600), 0);
    EXPECT_THROW(reader.Read(folder.Path() + "pipe.htm"), FileError) << "a FIFO must not block";
    ASSERT_EQ(::symlink("/dev/zero", (folder.Path() + "zero.htm").c_str()), 0);
    EXPECT_THROW(reader.Read(folder.Path() + "zero.htm"), FileError) << "devices are no pages";
    EXPECT_EQ(reader.Read(folder.Write("ok.htm", "<title>Fine</title>")), u" Fine");
}

TEST_F(PageTitles, HugePageIsReadOnlyUpToItsTitle) {
    // A 2 GB sparse file behind a real title: only the head may be read.
    const std::string path = folder.Write("huge.htm", "<title>Big one</title>");
    ASSERT_EQ(::truncate(path.c_str(), 2LL << 30), 0);
    EXPECT_EQ(ReadPageTitle(path), u" Big one");
}
