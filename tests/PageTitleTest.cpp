#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "FileError.h"
#include "PageTitle.h"
#include "ParsingSelfMaking.h"
#include "TempFolder.h"
#include "TextFile.h"

using namespace courseview;
using courseview::testing::TempFolder;

namespace {

const auto Utf8 = OpenCodePage("UTF-8");
const auto Cp1251 = OpenCodePage("CP1251");

// The title by the rule read literally: whole file, lines, joined with CR LF,
// into the code page, tokenized, then searched.
std::u16string LiteralTitle(const std::string& path, const CodePage& codePage) {
    TSimpleParser parser(codePage);
    parser.Separators.AddChars(std::string_view(" <>\r\n\0", 6));
    parser.Parse(codePage.FromUtf16(JoinLines(LoadTextLines(path, codePage))));
    return TitleFromTokens(parser.Tokens);
}

class PageTitleFiles : public ::testing::Test {
protected:
    std::u16string TitleOf(std::string_view bytes, const CodePage& codePage = *Utf8) {
        const std::string path = folder.Write("page" + std::to_string(++count) + ".htm", bytes);
        const std::u16string title = ReadPageTitle(path, codePage);
        EXPECT_EQ(title, LiteralTitle(path, codePage).substr(0, MaximumTitleLength))
            << "streaming and literal reading differ";
        return title;
    }
    TempFolder folder;
    int count = 0;
};

}  // namespace

TEST_F(PageTitleFiles, TitleTokensGetALeadingSpaceEach) {
    EXPECT_EQ(TitleOf("<html><head><title>Лекция 1.   Введение</title>"), u" Лекция 1. Введение");
    EXPECT_EQ(TitleOf("<TITLE>Ab</TITLE>"), u" Ab");
    EXPECT_EQ(TitleOf("<title>A</title>"), u" A");
    EXPECT_EQ(TitleOf("<title></title>"), u"");
    EXPECT_EQ(TitleOf("<title>a\tb\r\n\r\nc</title>"), u" a\tb c")
        << "a tab stays inside its token";
}

TEST_F(PageTitleFiles, NoCompleteTitleGivesEmpty) {
    EXPECT_EQ(TitleOf(""), u"");
    EXPECT_EQ(TitleOf("<html><body>no title here</body></html>"), u"");
    EXPECT_EQ(TitleOf("<p>the last word is title"), u"");
    EXPECT_EQ(TitleOf("<title>never closed and more words"), u"");
    EXPECT_EQ(TitleOf("< > \r\n"), u"");
}

TEST_F(PageTitleFiles, TagsAndAttributesBecomePartOfTheTitle) {
    EXPECT_EQ(TitleOf("<title lang=ru>Текст</title>"), u" lang=ru Текст");
    EXPECT_EQ(TitleOf("<title>a<b>c</b></title>"), u" a b c /b");
    EXPECT_EQ(TitleOf("<title>A &amp; B< /TITLE >"), u" A &amp; B") << "closing tag with spaces";
    EXPECT_EQ(TitleOf("body title words </title><title>real</title>"), u" words")
        << "the first title token wins, wherever it stands";
    EXPECT_EQ(TitleOf("<titles>x</title>"), u"") << "titles is not title";
}

TEST_F(PageTitleFiles, EncodingsByMarkAndCodePage) {
    const std::string utf16 =
        std::string("\xFF\xFE", 2) +
        std::string("<\0t\0i\0t\0l\0e\0>\0\x1B\x04<\0/\0t\0i\0t\0l\0e\0>\0", 32);
    EXPECT_EQ(TitleOf(utf16), u" Л");
    EXPECT_EQ(TitleOf("\xEF\xBB\xBF<title>\xD0\x9B\xD0\x9C</title>", *Cp1251), u" ЛМ");
    EXPECT_EQ(TitleOf("<title>\xCB\xE5\xEA\xF6\xE8\xFF</title>", *Cp1251), u" Лекция");
    // A UTF-8 page without a mark is read in the code page, as the rule says.
    EXPECT_EQ(TitleOf("<title>\xD0\x9B</title>", *Cp1251), u" \u0420\u203A");
    // Characters windows-1251 lacks arrive as their default character.
    EXPECT_EQ(TitleOf("\xEF\xBB\xBF<title>\xE4\xB8\xAD</title>", *Cp1251), u" ?");
}

TEST_F(PageTitleFiles, NulEndsTheTextBeforeTheTitleCloses) {
    EXPECT_EQ(TitleOf(std::string("<title>ab\0</title>", 18)), u"");
    EXPECT_EQ(TitleOf(std::string("<title>ab</title>\0junk", 22)), u" ab");
}

TEST_F(PageTitleFiles, AnyChunkingGivesTheLiteralTitle) {
    // Random pages built from pieces that straddle the reader's chunk
    // boundaries: the streaming title must equal the literal one every time.
    const std::string pieces[] = {"<title>",
                                  "</title>",
                                  "TITLE",
                                  " ",
                                  "\r\n",
                                  "\r",
                                  "\n",
                                  "<",
                                  ">",
                                  "\xD0\x9B",
                                  "\xEF\xBB\xBF",
                                  "word",
                                  "/title",
                                  std::string(5000, 'x'),
                                  std::string(1, '\0'),
                                  "\xFF",
                                  "\xD0"};
    std::mt19937 random(7);
    for (int round = 0; round < 60; ++round) {
        std::string page = round % 3 == 0 ? "\xEF\xBB\xBF" : "";
        const int count = 1 + static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i) page += pieces[random() % std::size(pieces)];
        TitleOf(page);
        TitleOf(page, *Cp1251);
    }
}

TEST_F(PageTitleFiles, UnreadableFilesRaiseErrors) {
    EXPECT_THROW(ReadPageTitle(folder.Path() + "missing.htm"), FileError);
    folder.MakeFolder("_notes.htm");
    EXPECT_THROW(ReadPageTitle(folder.Path() + "_notes.htm"), FileError)
        << "a folder is not read as an empty page";
    const std::string fifo = folder.Path() + "pipe.htm";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_THROW(ReadPageTitle(fifo), FileError) << "a FIFO must neither block nor read as a page";
    ASSERT_EQ(::symlink("/dev/zero", (folder.Path() + "zero.htm").c_str()), 0);
    EXPECT_THROW(ReadPageTitle(folder.Path() + "zero.htm"), FileError) << "devices are no pages";
}

TEST_F(PageTitleFiles, HugePageIsReadOnlyUpToItsTitle) {
    // A 2 GB sparse file behind a real title: only the head may be read.
    const std::string path = folder.Write("huge.htm", "<title>Big one</title>");
    ASSERT_EQ(::truncate(path.c_str(), 2LL << 30), 0);
    EXPECT_EQ(ReadPageTitle(path), u" Big one");
}

TEST_F(PageTitleFiles, EndlessTitleIsCutAndMemoryStaysBounded) {
    std::string page = "<title>" + std::string(3 * MaximumTitleLength, 'a') + " b</title>";
    const std::string path = folder.Write("long.htm", page);
    const std::u16string title = ReadPageTitle(path);
    EXPECT_EQ(title.size(), MaximumTitleLength);
    EXPECT_EQ(title.substr(0, 3), u" aa");
    // A "/title" after the cap still closes the title.
    page = "<title>" + std::string(MaximumTitleLength, 'a') + " " + std::string(100, 'c') +
           " </title>";
    EXPECT_EQ(ReadPageTitle(folder.Write("long2.htm", page)).size(), MaximumTitleLength);
}

TEST_F(PageTitleFiles, CapCountsCharactersNotBytes) {
    // 40 000 two-byte letters are 80 000 bytes but well under the cap: the
    // whole title must come through, with no half letter at its end.
    std::string letters;
    for (int i = 0; i < 40000; ++i) letters += "\xD0\x96";
    const std::u16string title = TitleOf("<title>" + letters + "</title>");
    EXPECT_EQ(title.size(), 40001u);
    EXPECT_TRUE(title == u" " + std::u16string(40000, u'\u0416'));
    // Past the cap, the title is cut at the cap, still in whole letters.
    const std::u16string longer = TitleOf("<title>a " + letters + letters + "</title>");
    EXPECT_TRUE(longer ==
                (u" a " + std::u16string(80000, u'\u0416')).substr(0, MaximumTitleLength));
}
