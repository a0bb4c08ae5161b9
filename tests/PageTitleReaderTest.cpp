#include <gtest/gtest.h>

#include <random>

#include "FileError.h"
#include "PageTitle.h"
#include "ParsingSelfMaking.h"
#include "TempFolder.h"
#include "TextFile.h"
#include "Utf.h"

using namespace courseview;
using courseview::testing::TempFolder;

namespace {

// The title by the rule read literally: whole file, lines, joined with CR LF,
// into the code page, tokenized, then searched.
std::u16string LiteralTitle(const std::string& path, const CodePage& codePage) {
    TSimpleParser parser(codePage);
    parser.Separators.AddChars(std::string_view(" <>\r\n\0", 6));
    parser.Parse(codePage.FromUtf16(JoinLines(LoadTextLines(path, codePage))));
    return TitleFromTokens(parser.Tokens).substr(0, MaximumTitleLength);
}

// The reader's shortcuts (bytes taken as they are for UTF-8, a word-at-a-time
// search for the tag, a small first read, slices) must give what the literal
// rule gives, wherever chunk and slice boundaries fall.
class PageTitleReaderShortcuts : public ::testing::Test {
protected:
    void ExpectLiteral(const std::string& bytes, const std::string& what) {
        const std::string path = folder.Write("page" + std::to_string(++count) + ".htm", bytes);
        // One reader per code page for all pages, as in a scan: what one
        // page left in the buffers must not reach the next.
        EXPECT_EQ(utf8Reader.Read(path), LiteralTitle(path, *utf8))
            << what << " in UTF-8, " << bytes.size() << " bytes";
        EXPECT_EQ(cp1251Reader.Read(path), LiteralTitle(path, *cp1251))
            << what << " in windows-1251, " << bytes.size() << " bytes";
    }

    TempFolder folder;
    int count = 0;
    std::unique_ptr<CodePage> utf8 = OpenCodePage("UTF-8");
    std::unique_ptr<CodePage> cp1251 = OpenCodePage("CP1251");
    PageTitleReader utf8Reader{*utf8};
    PageTitleReader cp1251Reader{*cp1251};
};

}  // namespace

TEST_F(PageTitleReaderShortcuts, TagsAtEveryOffsetAroundTheFirstRead) {
    // The first read is 4096 bytes and slices are 512: put the tags across
    // those boundaries, byte by byte.
    for (std::size_t at = 4080; at <= 4100; ++at) {
        ExpectLiteral(std::string(at, 'x') + " <title>T " + "</title>",
                      "opening tag at " + std::to_string(at));
        ExpectLiteral(" <title>" + std::string(at, 'y') + " b</title>",
                      "closing tag at " + std::to_string(at));
        ExpectLiteral(std::string(at - 3, 'x') + " title a /title",
                      "bare tags at " + std::to_string(at));
    }
    for (std::size_t at = 505; at <= 520; ++at) {
        ExpectLiteral(std::string(at, ' ') + "TiTlE Ab /TITLE",
                      "slice boundary at " + std::to_string(at));
    }
}

TEST_F(PageTitleReaderShortcuts, TitleSearchIgnoresLookalikes) {
    ExpectLiteral("xtitle a /title title b /title", "a longer token ending in title");
    ExpectLiteral("titlex a /title title b /title", "a longer token starting with title");
    ExpectLiteral("<titl>e a</title><title>c</title>", "almost a tag");
    ExpectLiteral("\xD0title a /title title b /title", "a tag behind a malformed byte");
    ExpectLiteral("title\xD0 a /title title b /title", "a tag before a malformed byte");
    ExpectLiteral("ltitle l /title title lll /title", "letters l everywhere");
    // "title" filling the last bytes of the first read, "x" opening the next,
    // after a page that left separators in the buffer behind those bytes.
    ExpectLiteral(std::string(10000, ' '), "separators only");
    ExpectLiteral(std::string(4090, 'y') + " titlex /title title B /title",
                  "a longer token cut by a read");
    ExpectLiteral(std::string(4090, 'y') + " title B /title",
                  "the tag cut from its separator by a read");
    ExpectLiteral("title", "the tag as the whole text");
    ExpectLiteral("a title", "the tag as the last token");
}

TEST_F(PageTitleReaderShortcuts, MalformedAndCutCharactersInsideTitles) {
    ExpectLiteral("<title>\xD0\x9B\xFF\xD0 \xE2\x82 \xF0\x9F\x98\x80</title>",
                  "mixed malformed bytes");
    // A two-byte letter cut by the end of the first read.
    ExpectLiteral("<title>" + std::string(4096 - 7 - 1, 'a') + "\xD0\x96 b</title>",
                  "letter across reads");
    ExpectLiteral(std::string("<title>a\xD0", 10), "malformed at the very end");
    ExpectLiteral("\xEF\xBB\xBF<title>\xD0\x9B</title>", "UTF-8 with its mark");
    ExpectLiteral(std::string("<title>ab</title>\0junk", 22), "NUL after the title");
    ExpectLiteral(std::string("\xD0\0<title>ab</title>", 19), "a cut letter, then NUL");
}

TEST_F(PageTitleReaderShortcuts, Utf16PagesOfBothByteOrders) {
    const std::u16string text = u"<html><TITLE>Лекция 1 \U0001F600</TITLE>";
    std::string little = "\xFF\xFE";
    std::string big = "\xFE\xFF";
    for (char16_t unit : text) {
        little += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
        big += {static_cast<char>(unit >> 8), static_cast<char>(unit & 0xFF)};
    }
    ExpectLiteral(little, "UTF-16LE");
    ExpectLiteral(big, "UTF-16BE");
    ExpectLiteral(little + "x", "UTF-16LE with an odd byte");
    // The odd byte is a character of its own: it keeps the last token from
    // being the closing tag.
    std::string open = "\xFF\xFE";
    for (char16_t unit : std::u16string(u"<title>a /title")) {
        open += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    }
    ExpectLiteral(open, "UTF-16LE ending in the closing tag");
    ExpectLiteral(open + "x", "UTF-16LE ending in the closing tag and an odd byte");
}

TEST_F(PageTitleReaderShortcuts, RandomPagesOfEveryLength) {
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
                                  "\x80",
                                  std::string(1, '\0'),
                                  "word",
                                  std::string(700, 'z'),
                                  std::string(3000, ' ')};
    std::mt19937 random(11);
    for (int round = 0; round < 150; ++round) {
        std::string page = round % 4 == 0 ? "\xEF\xBB\xBF" : "";
        const int count = 1 + static_cast<int>(random() % 60);
        for (int i = 0; i < count; ++i) {
            // NUL ends the text early: keep it rare so most pages run long.
            const std::size_t piece = random() % std::size(pieces);
            if (pieces[piece].size() == 1 && pieces[piece][0] == '\0' && random() % 4 != 0)
                continue;
            page += pieces[piece];
        }
        ExpectLiteral(page, "random page " + std::to_string(round));
    }
}

TEST_F(PageTitleReaderShortcuts, RandomUtf16PagesOfEveryLength) {
    // Before the title, UTF-16 is searched as it stands: surrogates, NUL,
    // odd bytes and tags cut by reads must not make a difference.
    const std::u16string pieces[] = {u"<title>",
                                     u"</title>",
                                     u"TiTlE",
                                     u"/title",
                                     u" ",
                                     u"\r\n",
                                     u"l",
                                     u"Лекция",
                                     u"\U0001F600",
                                     std::u16string(1, char16_t(0xD800)),
                                     std::u16string(1, char16_t(0xDC00)),
                                     std::u16string(1, u'\0'),
                                     std::u16string(1500, u'ж'),
                                     std::u16string(900, u' ')};
    std::mt19937 random(13);
    for (int round = 0; round < 120; ++round) {
        std::u16string text;
        const int count = 1 + static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i) {
            const std::size_t piece = random() % std::size(pieces);
            if (pieces[piece] == std::u16string(1, u'\0') && random() % 4 != 0) continue;
            text += pieces[piece];
        }
        const bool bigEndian = round % 2 == 1;
        std::string page = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t unit : text) {
            const char low = static_cast<char>(unit & 0xFF);
            const char high = static_cast<char>(unit >> 8);
            page += bigEndian ? std::string{high, low} : std::string{low, high};
        }
        if (round % 5 == 0) page.push_back('x');  // half a unit at the end
        ExpectLiteral(page, "random UTF-16 page " + std::to_string(round));
    }
}

TEST_F(PageTitleReaderShortcuts, OneReaderForManyPagesForgetsThePreviousOne) {
    PageTitleReader reader(*utf8);
    const std::string titled = folder.Write("a.htm", "<title>First one</title>");
    const std::string open = folder.Write("b.htm", "<title>never closed");
    const std::string none = folder.Write("c.htm", "no tag at all");
    EXPECT_EQ(reader.Read(titled), u" First one");
    EXPECT_EQ(reader.Read(open), u"");
    EXPECT_THROW(reader.Read(folder.Path() + "missing.htm"), FileError);
    EXPECT_EQ(reader.Read(none), u"");
    EXPECT_EQ(reader.Read(titled), u" First one") << "an error leaves the reader usable";
}

TEST(Utf8Runs, SplitWhereDecodingWouldReplace) {
    EXPECT_EQ(NextUtf8Run("plain ascii text", true).wellFormed, 16u);
    const Utf8Run bad = NextUtf8Run(
        "ab\xFF"
        "cd",
        true);
    EXPECT_EQ(bad.wellFormed, 2u);
    EXPECT_EQ(bad.malformed, 1u);
    const Utf8Run truncated = NextUtf8Run("\xD0\x9B\xE2\x82 x", true);
    EXPECT_EQ(truncated.wellFormed, 2u);
    EXPECT_EQ(truncated.malformed, 2u) << "a cut sequence is one malformed character";
    const Utf8Run waiting = NextUtf8Run("ab\xE2\x82", false);
    EXPECT_EQ(waiting.wellFormed, 2u);
    EXPECT_EQ(waiting.malformed, 0u) << "an incomplete character waits for more bytes";
    EXPECT_EQ(NextUtf8Run("ab\xE2\x82", true).malformed, 2u) << "unless none will come";
}
