// The search's results page: what it says, in what order, and that nothing
// from a page, a caption, a folder or the query ever becomes markup on it.

#include <gtest/gtest.h>

#include <algorithm>

#include "CourseAddress.h"
#include "CourseRequest.h"
#include "ResultsPage.h"
#include "Utf.h"

using namespace courseview;

namespace {

SearchResult Found(std::int32_t entry, bool byCaption, std::u16string caption,
                   std::vector<TextRange> captionHits, std::uint64_t hits, std::u16string line,
                   std::vector<TextRange> lineMarks, std::vector<std::u16string> folders = {}) {
    SearchResult result;
    result.entry = entry;
    result.foundByCaption = byCaption;
    result.caption = std::move(caption);
    result.captionHits = std::move(captionHits);
    result.hits = hits;
    result.line = {std::move(line), std::move(lineMarks)};
    result.folderPath = std::move(folders);
    return result;
}

std::size_t Count(std::string_view text, std::string_view what) {
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

}  // namespace

TEST(ResultsPage, EachResultShowsCaptionHitsFoldersAndLineInGroups) {
    const std::vector<SearchResult> results = {
        Found(4, true, u" Законы Кеплера", {{8, 7}}, 2, u"Законы Кеплера. Кеплер открыл",
              {{7, 7}, {16, 6}}, {u"Механика", u"Орбиты"}),
        Found(9, true, u"Кеплер", {{0, 6}}, 0, u"", {}),  // a picture: no text
        Found(2, false, u" Оптика", {}, 1, u"Труба Кеплера.", {{6, 7}}),
    };
    const std::string page = ResultsFragment(results, 0, results.size(), 7);
    const std::string expected =
        "<h2>Найдено в названиях</h2>\n"
        "<a class=\"result\" href=\"course://search/7/4\"><div class=\"caption\"> Законы "
        "<mark>Кеплера</mark> <span class=\"hits\">— 2 совпадения</span></div>"
        "<div class=\"folder\">Механика › Орбиты</div><div class=\"line\">Законы "
        "<mark>Кеплера</mark>. <mark>Кеплер</mark> открыл</div></a>\n"
        "<a class=\"result\" href=\"course://search/7/9\"><div class=\"caption\">"
        "<mark>Кеплер</mark></div></a>\n"
        "<h2>Найдено в тексте страниц</h2>\n"
        "<a class=\"result\" href=\"course://search/7/2\"><div class=\"caption\"> Оптика "
        "<span class=\"hits\">— 1 совпадение</span></div><div class=\"line\">Труба "
        "<mark>Кеплера</mark>.</div></a>\n";
    EXPECT_EQ(page, expected);
    // A batch goes on where the last one stopped: a group's heading comes once.
    EXPECT_EQ(ResultsFragment(results, 0, 1, 7) + ResultsFragment(results, 1, 3, 7), expected);
    EXPECT_EQ(ResultsFragment(results, 2, 99, 7), expected.substr(expected.rfind("<h2>")));
}

TEST(ResultsPage, NothingFromAPageOrTheQueryBecomesMarkup) {
    const std::u16string hostile = u"<script>alert('x')</script> & \"q\" </a><mark>";
    const std::vector<SearchResult> results = {
        Found(1, true, hostile, {{0, 8}, {3, 40}}, 3, hostile, {{50, 2}, {1, 1}, {99, 1}},
              {hostile, u"&amp;"}),
        // Marks that split a surrogate pair take the whole character.
        Found(2, false, u"a\U0001F600b", {{2, 1}}, 1, u"\U0001F600", {{1, 1}}),
    };
    const std::string fragment = ResultsFragment(results, 0, results.size(), 1);
    // Only the page's own tags: 2 headings, 2 links, 5 parts, 2 hit counts and
    // 5 marks (one mark past the line's end left out, one cut to follow the one before).
    EXPECT_EQ(Count(fragment, "<"), 2u * (2 + 2 + 5 + 2 + 5)) << fragment;
    EXPECT_EQ(Count(fragment, "<script"), 0u);
    EXPECT_EQ(Count(fragment, "<mark>&lt;script&gt;</mark><mark>alert(&#39;x&#39;)&lt;/script"), 1u)
        << fragment;
    EXPECT_EQ(Count(fragment, "&lt;script&gt;alert(&#39;x&#39;)"), 1u) << "the folder";
    EXPECT_EQ(Count(fragment, "&amp;amp;"), 1u);
    EXPECT_NE(fragment.find("a<mark>\U0001F600</mark>b"), std::string::npos) << fragment;

    const std::string page = ResultsPageHtml(hostile);
    EXPECT_EQ(Count(page, "<"), Count(ResultsPageHtml(u"q"), "<"));
    EXPECT_NE(page.find("<title>Поиск: «&lt;script&gt;"), std::string::npos);
    EXPECT_NE(page.find(Utf16ToUtf8(SearchingText)), std::string::npos);
}

TEST(ResultsPage, ScriptsCarryTextAsLiteralsThatCannotEndEarly) {
    struct Case {
        std::string_view text;
        std::string_view literal;
    };
    for (const Case& c : {
             Case{"Кеплер", "\"Кеплер\""},
             Case{"</script><!--\"\\'&",
                  R"("\u003C/script\u003E\u003C!--\u0022\u005C\u0027\u0026")"},
             Case{std::string_view("a\nb\r\0c", 6), R"("a\u000Ab\u000D\u0000c")"},
             Case{"\xE2\x80\xA8\xE2\x80\xA9", R"("\u2028\u2029")"},
             Case{"bad\xFF", "\"bad\xEF\xBF\xBD\""},
         }) {
        EXPECT_EQ(ScriptStringLiteral(c.text), c.literal) << c.text;
    }
    EXPECT_EQ(SearchEndedScript(0),
              "window.courseviewSearchEnded && courseviewSearchEnded(\"Ничего не найдено\")");
    EXPECT_NE(SearchEndedScript(12).find("\"Найдено: 12\""), std::string::npos);
    EXPECT_EQ(AddResultsScript("<h2>"),
              "window.courseviewAddResults && courseviewAddResults(\"\\u003Ch2\\u003E\")");
}

TEST(ResultsPage, HitsAreCountedInRussian) {
    struct Case {
        std::uint64_t hits;
        std::u16string_view text;
    };
    for (const Case& c :
         {Case{1, u"1 совпадение"}, Case{2, u"2 совпадения"}, Case{4, u"4 совпадения"},
          Case{5, u"5 совпадений"}, Case{11, u"11 совпадений"}, Case{14, u"14 совпадений"},
          Case{21, u"21 совпадение"}, Case{22, u"22 совпадения"}, Case{111, u"111 совпадений"},
          Case{1001, u"1001 совпадение"}})
        EXPECT_EQ(HitsText(c.hits), c.text) << c.hits;
}

TEST(ResultsPage, AddressesOfThePageAndItsLinks) {
    EXPECT_EQ(ResultsPageUri(3), "course://search/3");
    EXPECT_EQ(ChosenResultUri(3, 17), "course://search/3/17");
    struct Case {
        std::string_view uri;
        std::optional<SearchAddress> address;
    };
    for (const Case& c : {
             Case{"course://search/3", SearchAddress{3, std::nullopt}},
             Case{"course://search/3/0", SearchAddress{3, 0}},
             Case{"course://search/3/2147483647", SearchAddress{3, 2147483647}},
             Case{"course://search/3/2147483648", std::nullopt},
             Case{"course://search/3/-1", std::nullopt},
             Case{"course://search/03/1", std::nullopt},
             Case{"course://search/3/1/", std::nullopt},
             Case{"course://search/3/1?x", std::nullopt},
             Case{"course://search/", std::nullopt},
             Case{"course:///search/3", std::nullopt},
             Case{"course://search/18446744073709551615", SearchAddress{UINT64_MAX, {}}},
             Case{"course://search/18446744073709551616", std::nullopt},
         })
        EXPECT_EQ(ParseSearchUri(c.uri), c.address) << c.uri;
    EXPECT_FALSE(PathOfCourseUri(ResultsPageUri(3))) << "names no file";
}

TEST(ResultsPage, IsServedFromMemoryAtItsOwnAddressOnly) {
    CourseSite site;
    site.resultsPageUri = ResultsPageUri(5);
    site.resultsPage = ResultsPageHtml(u"кеплер");
    const CourseAnswer answer =
        AnswerCourseRequest(site, ResultsPageUri(5), true, SystemCodePage());
    EXPECT_EQ(answer.kind, CourseAnswer::Kind::Page);
    EXPECT_EQ(answer.page, site.resultsPage);
    EXPECT_EQ(answer.contentType, "text/html; charset=utf-8");
    for (const std::string& other : {ResultsPageUri(4), ChosenResultUri(5, 0)})
        EXPECT_EQ(AnswerCourseRequest(site, other, true, SystemCodePage()).kind,
                  CourseAnswer::Kind::NotFound)
            << other;
}
