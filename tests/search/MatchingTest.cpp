// Words, folding and the query matcher; the HTML text reader; the result line.

#include <gtest/gtest.h>

#include "HtmlTextReader.h"
#include "QueryMatcher.h"
#include "ResultLine.h"
#include "UnicodeTables.h"
#include "Utf.h"
#include "Words.h"

using namespace courseview;

namespace {

// Whether `text` (plain) holds the query, and its hits.
struct TextMatch {
    bool found;
    std::uint64_t hits;
};
TextMatch MatchText(std::u16string_view query, std::u16string_view text) {
    const Query parsed(query);
    QueryMatch match(parsed);
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t position = at;
        const char32_t c = NextCodePoint(text, at);
        match.Take(c, position, at - position);
    }
    match.Break();
    return {match.AllWordsFound(), match.Hits()};
}

struct ReaderOutput : HtmlHandler {
    std::u16string text;
    std::vector<HtmlTag> tags;
    void Text(std::u16string_view run) override { text += run; }
    void Tag(const HtmlTag& tag) override { tags.push_back(tag); }
};

ReaderOutput Read(std::u16string_view page, std::size_t chunk = SIZE_MAX) {
    ReaderOutput output;
    HtmlTextReader reader(output);
    for (std::size_t at = 0; at < page.size(); at += chunk) reader.Feed(page.substr(at, chunk));
    reader.Finish();
    return output;
}

}  // namespace

TEST(Words, QueryWordsBeginTextWordsUnderFolding) {
    struct Case {
        std::u16string_view query, text;
        bool found;
        std::uint64_t hits;
    };
    for (const Case& c : {
             Case{u"закон", u"Законы Кеплера", true, 1},
             Case{u"закон", u"беззаконие", false, 0},
             Case{u"ЗАКОН кеплер", u"кеплер открыл законы", true, 2},
             Case{u"закон кеплер", u"законы Ньютона", false, 1},
             Case{u"ёлка", u"ЕЛКА", true, 1},
             Case{u"елка", u"Ёлка", true, 1},
             Case{u"ß", u"\u1E9E", true, 1},  // capital sharp s folds to ß
             Case{u"strasse", u"STRAßE", false, 0},
             Case{u"straße", u"STRASSE", false, 0},
             Case{u"k", u"\u212A", true, 1},   // Kelvin sign
             Case{u"i", u"\u0131", false, 0},  // dotless i stays itself
             Case{u"σοφος", u"ΣΟΦΟΣ", true, 1},
             Case{u"1961", u"12 апреля 1961 года", true, 1},
             Case{u"196", u"1961", true, 1},
             Case{u"961", u"1961", false, 0},
             Case{u"кеплер", u"Кеплер-2, сверхкеплер", true, 1},
             Case{u"закон закон", u"закон, закон; Закон!", true, 3},
             Case{u"𝐀", u"x𝐀y 𝐀", true, 1},  // a letter past U+FFFF
             Case{u"", u"всё", false, 0},
             Case{u"<script> & \"\"", u"script", true, 1},
             Case{u"—…", u"— …", false, 0},
         }) {
        const TextMatch match = MatchText(c.query, c.text);
        EXPECT_EQ(match.found, c.found) << Utf16ToUtf8(c.query) << " in " << Utf16ToUtf8(c.text);
        EXPECT_EQ(match.hits, c.hits) << Utf16ToUtf8(c.query) << " in " << Utf16ToUtf8(c.text);
    }
}

TEST(Words, TablesExpandToWhatTheyWereMadeFrom) {
    std::size_t folded = 0;
    for (std::size_t i = 0; i < CaseFoldingRunCount; ++i) {
        const CaseFoldingRun& run = CaseFoldingRuns[i];
        folded += (run.last - run.first) / run.step + 1;
    }
    EXPECT_EQ(folded, CaseFoldingPairCount);
    struct Case {
        char32_t character;
        bool word;
    };
    for (const Case& c :
         {Case{U'a', true}, Case{U'Я', true}, Case{U'ё', true}, Case{U'7', true}, Case{U'٣', true},
          Case{U'中', true}, Case{U'_', false}, Case{U'²', false}, Case{U'\u0301', false},
          Case{U'\u00A0', false}, Case{0x1D400, true}, Case{0xD800, false}}) {
        EXPECT_EQ(IsWordCharacter(c.character), c.word) << unsigned(c.character);
    }
    EXPECT_EQ(CharactersFoldingTo(U'е'), (std::u32string{U'е', U'Е', U'ё', U'Ё'}));
}

TEST(Words, CaptionHitsAreTheMatchedStarts) {
    std::vector<TextRange> hits;
    EXPECT_TRUE(CaptionMatches(Query(u"закон ЗАК"), u" Законы и беззаконие, закон", &hits));
    EXPECT_EQ(hits, (std::vector<TextRange>{{1, 5}, {22, 5}}));
    EXPECT_FALSE(CaptionMatches(Query(u""), u"всё"));
}

TEST(HtmlTextReader, TextLeavesMarkupOutAndDecodesReferences) {
    struct Case {
        std::u16string_view page, text;
    };
    for (const Case& c : {
             Case{u"<p>a<b>b</b></p>", u"ab"},
             Case{u"<script>x<y '</p>'</script>z<STYLE>p{}</style >t", u"zt"},
             Case{u"<SCRIPT>x</ScRiPt\n>y<script>a</scripty>b</script>c", u"yc"},
             Case{u"<!-- c -->a<!-->b<!--->c<!-- a -- b --!>d<!DOCTYPE html>e<?xml ?>f", u"abcdef"},
             Case{u"<a href=\"x>y\" title='t<'>t</a>", u"t"},
             Case{u"&amp;&lt;&#1082;&#x43A;&#X43a&copy2005&notit;&bogus;&#0;&#128;&#xD800;",
                  u"&<ккк©2005¬it;&bogus;\uFFFD€\uFFFD"},
             Case{u"&#00000000000000000000000001082;&#99999999999999;&", u"к\uFFFD&"},
             Case{u"<title>a &amp; <b>b</b></title><textarea></p>&lt;</textarea>",
                  u"a & <b>b</b></p><"},
             Case{u"<xmp><b>&amp;</xmp>x<plaintext></plaintext>&amp;",
                  u"<b>&amp;x</plaintext>&amp;"},
             Case{u"a<b", u"a"},
             Case{u"a<", u"a<"},
             Case{u"a</", u"a</"},
             Case{u"a < b<3</>", u"a < b<3"},
             Case{u"<noscript>n</noscript><iframe>i</iframe>v", u"v"},
         }) {
        // Cut anywhere, the same text comes out.
        for (std::size_t chunk : {SIZE_MAX, std::size_t{1}, std::size_t{3}}) {
            EXPECT_EQ(Read(c.page, chunk).text, c.text)
                << Utf16ToUtf8(c.page) << " in chunks of " << chunk;
        }
    }
}

TEST(HtmlTextReader, TagsComeWithAttributesAndLines) {
    const ReaderOutput output = Read(
        u"a\r\nb\rc\n<A HREF=\"../x.htm?a=1&copy=2&amp;b\" Target=_blank href=dup checked/>"
        u"\n<script src='s.js'>if (a<b) x='</p>'</script></A >");
    ASSERT_EQ(output.tags.size(), 4u);
    const HtmlTag& link = output.tags[0];
    EXPECT_EQ(link.name, u"a");
    EXPECT_EQ(link.line, 4u);
    EXPECT_TRUE(link.selfClosing);
    ASSERT_EQ(link.attributes.size(), 3u);
    EXPECT_EQ(*link.Attribute(u"href"), u"../x.htm?a=1&copy=2&b");
    EXPECT_EQ(*link.Attribute(u"target"), u"_blank");
    EXPECT_EQ(*link.Attribute(u"checked"), u"");
    EXPECT_EQ(output.tags[1].name, u"script");
    EXPECT_EQ(*output.tags[1].Attribute(u"src"), u"s.js");
    EXPECT_EQ(output.tags[1].line, 5u);
    EXPECT_TRUE(output.tags[2].isEndTag);
    EXPECT_EQ(output.tags[2].name, u"script");
    EXPECT_EQ(output.tags[3].name, u"a");
    EXPECT_TRUE(output.tags[3].isEndTag);
}

TEST(HtmlTextReader, NamesValuesAndAttributeCountsAreCapped) {
    std::u16string page =
        u"<" + std::u16string(100, u'x') + u" v=\"" + std::u16string(20000, u'y') + u"\"";
    for (int i = 0; i < 100; ++i)
        page += u" a" + std::u16string(1, char16_t(u'0' + i % 10)) + std::u16string(i / 10, u'z');
    page += u">t";
    const ReaderOutput output = Read(page, 777);
    ASSERT_EQ(output.tags.size(), 1u);
    EXPECT_EQ(output.tags[0].name.size(), HtmlTextReader::MaximumNameLength);
    EXPECT_EQ(output.tags[0].attributes.size(), HtmlTextReader::MaximumAttributes);
    EXPECT_EQ(output.tags[0].attributes[0].value.size(), HtmlTextReader::MaximumValueLength);
    EXPECT_EQ(output.text, u"t");
}

TEST(ResultLine, LineStartsAtAWordBeforeTheFirstHitAndMarksTheHitsInIt) {
    ResultLine line;
    const std::u16string before = u"Первая  строка\r\n\tтекста, в которой много слов до того, ";
    for (char16_t c : before) line.Append(c);
    const std::uint64_t first = line.Position();
    for (char16_t c : std::u16string_view(u"законы Кеплера и ")) line.Append(c);
    line.MarkHit(first, 5);
    const std::uint64_t second = line.Position();
    for (char16_t c : std::u16string_view(u"закон")) line.Append(c);
    line.MarkHit(second, 5);
    for (int i = 0; i < 100; ++i) line.Append(u"слово "[i % 6]);
    EXPECT_TRUE(line.Full());
    const MarkedLine taken = line.Take();
    EXPECT_EQ(taken.text.substr(0, 60),
              u"текста, в которой много слов до того, законы Кеплера и закон");
    EXPECT_LE(taken.text.size(), ResultLine::LineLength);
    EXPECT_NE(taken.text.back(), u' ');
    EXPECT_EQ(taken.marks, (std::vector<TextRange>{{38, 5}, {55, 5}}));
    EXPECT_TRUE(ResultLine().Take().text.empty());
}
