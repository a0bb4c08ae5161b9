// One page searched: its encodings, what counts as its text, its hits and
// line, and pages a stranger or a broken disk may hold.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <random>

#include "CodePage.h"
#include "PageSearch.h"
#include "TempFolder.h"
#include "Utf.h"

using namespace courseview;
using courseview::testing::TempFolder;

namespace {

const CodePage& Cp1251() { return CodePageNamed("CP1251"); }

std::string Utf16(std::u16string_view text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : text) {
        const char low = char(unit & 0xFF), high = char(unit >> 8);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

PageHits SearchPage(const std::string& path, std::u16string_view query, bool anyWord = false) {
    const Query parsed(query);
    PageSearch search(parsed, Cp1251());
    const std::atomic<bool> cancelled{false};
    return search.Search(path, anyWord, cancelled);
}

PageHits SearchBytes(const std::string& bytes, std::u16string_view query, bool anyWord = false) {
    TempFolder folder;
    return SearchPage(folder.Write("page.htm", bytes), query, anyWord);
}

}  // namespace

TEST(PageSearch, FindsWordsInThePagesTextInItsEncoding) {
    struct Case {
        std::string page;
        bool found;
        std::uint64_t hits;
    };
    const std::string Kepler = "Кеплер";
    const std::string Kepler1251 = Cp1251().FromUtf16(u"Кеплер");
    const std::string KeplerKoi8 = CodePageNamed("KOI8-R").FromUtf16(u"Кеплер");
    const std::string zeros(70, '0');
    for (const Case& c : {
             Case{"<p>Законы " + Kepler + "а</p>", true, 1},
             Case{"\xEF\xBB\xBF<p>" + Kepler + "</p>", true, 1},
             Case{Utf16(u"<p>Кеплер и КЕПЛЕР</p>", false), true, 2},
             Case{Utf16(u"<p>Кеплер и КЕПЛЕР</p>", true), true, 2},
             Case{"<p>" + Kepler1251 + "</p>", true, 1},
             Case{"<meta charset=koi8-r><p>" + KeplerKoi8 + "</p>", true, 1},
             Case{"<p>" + Kepler + "</p>\xFF", false, 0},  // not UTF-8: windows-1251
             Case{"<title>" + Kepler + "</title>", true, 1},
             Case{"<b>К</b>еплер <span>Кеп</span><!-- x --><i>лер</i>", true, 2},
             Case{"<p>К</p><p>еплер</p> К<br>еплер", false, 0},
             Case{"<img alt=\"" + Kepler + "\"><script>" + Kepler + "</script><style>" + Kepler +
                      "{}</style><!-- " + Kepler + " -->",
                  false, 0},
             Case{"&#1050;еплер К&#x435;плер &#" + zeros + "1050;еплер", true, 3},
             Case{"сверх" + Kepler + " " + Kepler + "ов", true, 1},
             // References without their ";" leave no letter before the word.
             Case{"&copy" + Kepler + " &#33" + Kepler + " &amp" + "Кеп<b>лер</b> x&y" + Kepler,
                  true, 3},
             Case{std::string("a\0", 2) + Kepler, false, 0},
             // An overlong "A" reads as two U+FFFD: no letter before the word.
             Case{"\xEF\xBB\xBFx \xC1\x81" + Kepler, true, 1},
             Case{"<p>" + Kepler + "&lt;script&gt; &amp; \"quotes\"</p>", true, 1},
         }) {
        const PageHits hits = SearchBytes(c.page, u"кеплер");
        EXPECT_TRUE(hits.read);
        EXPECT_EQ(hits.holdsQuery, c.found) << c.page;
        EXPECT_EQ(hits.hits, c.hits) << c.page;
    }
}

TEST(PageSearch, WordsAcrossTheReadersChunksAreFound) {
    // The pages are read 256 KB at a time (and what the filter looks back at
    // and ahead of): the word, or a piece of it before markup, or a
    // reference, may stand on either side of the cut.
    constexpr std::size_t Chunk = 256 * 1024;
    for (const std::string& word :
         {std::string("Кеплер"), std::string("К<b>еп</b>лер"), std::string("&#1050;еплер")}) {
        for (std::size_t before = Chunk; before < Chunk + 160; ++before) {
            const std::string page = std::string(before, ' ') + word + std::string(300, ' ');
            EXPECT_TRUE(SearchBytes(page, u"кеплер").holdsQuery) << word << " at " << before;
            const std::string utf16 = Utf16(
                std::u16string(before / 2, u' ') + Utf8ToUtf16(word) + std::u16string(300, u' '),
                before % 2 == 1);
            EXPECT_TRUE(SearchBytes(utf16, u"кеплер").holdsQuery) << word << " at " << before;
        }
    }
}

TEST(PageSearch, LineAroundTheFirstHitMarksTheHits) {
    const PageHits hits = SearchBytes(
        "<html><head><title>Лекция</title></head><body><p>Первый   закон\r\nКеплера.</p>"
        "<p>Второй <b>закон</b>.</p><p>Беззаконие.</p></body></html>",
        u"закон");
    EXPECT_EQ(hits.hits, 2u);
    EXPECT_EQ(hits.line.text, u"Лекция Первый закон Кеплера. Второй закон. Беззаконие.");
    EXPECT_EQ(hits.line.marks, (std::vector<TextRange>{{14, 5}, {36, 5}}));
}

TEST(PageSearch, AnEntryFoundByItsCaptionGetsTheHitsOfAnyWord) {
    const std::string page = "<p>закон</p>";
    EXPECT_EQ(SearchBytes(page, u"закон ньютона").hits, 0u);
    const PageHits some = SearchBytes(page, u"закон ньютона", true);
    EXPECT_FALSE(some.holdsQuery);
    EXPECT_EQ(some.hits, 1u);
    EXPECT_EQ(some.line.text, u"закон");
}

TEST(PageSearch, HostilePagesEndQuietly) {
    TempFolder folder;
    // Random bytes named as a page.
    std::mt19937 random(7);
    std::string binary(1 << 20, '\0');
    for (char& byte : binary) byte = static_cast<char>(random());
    EXPECT_TRUE(SearchPage(folder.Write("binary.htm", binary), u"кеплер").read);

    // One script of 50 MB that holds the word, and the word once after it.
    std::string script = "<script>";
    while (script.size() < 50'000'000) script += "var x = 'Кеплер <p>';\n";
    const PageHits big =
        SearchPage(folder.Write("script.htm", script + "</script><p>Кеплер"), u"кеплер");
    EXPECT_TRUE(big.holdsQuery);
    EXPECT_EQ(big.hits, 1u);

    // Past the first 64 MB nothing is read.
    std::string many;
    while (many.size() < PageSearch::MaximumPageBytes + 1'000'000) many += "к ";
    const PageHits capped = SearchPage(folder.Write("many.htm", many), u"к");
    EXPECT_EQ(capped.hits, PageSearch::MaximumPageBytes / 3);

    // A page of 2 GB: its text ends at the hole's first zero byte.
    const std::string huge = folder.Write("huge.htm", "<p>Кеплер</p>");
    ASSERT_EQ(::truncate(huge.c_str(), 2LL << 30), 0);
    EXPECT_EQ(SearchPage(huge, u"кеплер").hits, 1u);

    // Pages that cannot be read: gone, a folder, a FIFO.
    folder.MakeFolder("folder.htm");
    ASSERT_EQ(::mkfifo((folder.Path() + "fifo.htm").c_str(), 0644), 0);
    for (const char* name : {"gone.htm", "folder.htm", "fifo.htm"}) {
        const PageHits hits = SearchPage(folder.Path() + name, u"кеплер");
        EXPECT_FALSE(hits.read) << name;
        EXPECT_EQ(hits.hits, 0u) << name;
    }

    // A query of 10 000 characters: one long word, or thousands of short ones.
    std::u16string longWord(10000, u'к');
    const std::string page = folder.Write("long.htm", Utf16ToUtf8(longWord + u"к " + longWord));
    EXPECT_EQ(SearchPage(page, longWord).hits, 2u);
    std::u16string manyWords;
    while (manyWords.size() < 10000)
        manyWords += u"к" + Utf8ToUtf16(std::to_string(manyWords.size())) + u" ";
    EXPECT_FALSE(SearchPage(page, manyWords).holdsQuery);
}
