// The search's results page for any captions, folders, lines, marks and
// query: the markup holds only the page's own tags and references, and read
// back as a browser reads it gives every text exactly as it went in; the
// script literal that carries it never ends early and reads back to it.
//
// Input: the generation, the query, then results (each: entry, group, hits,
// caption, its marks, line, its marks, folders), texts as UTF-16 (two bytes a
// unit), marks as pairs of small numbers.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>

#include "CourseAddress.h"
#include "FuzzSupport.h"
#include "ResultsPage.h"
#include "Utf.h"

using namespace courseview;
using namespace courseview::fuzzing;

namespace {

std::u16string Units(FuzzedDataProvider& input, std::size_t maximum) {
    const std::string bytes = input.ConsumeRandomLengthString(maximum * 2);
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             static_cast<unsigned char>(bytes[i + 1]) << 8));
    return text;
}

std::vector<TextRange> Marks(FuzzedDataProvider& input) {
    std::vector<TextRange> marks(input.ConsumeIntegralInRange<std::size_t>(0, 4));
    for (TextRange& mark : marks) {
        mark.begin = input.ConsumeIntegralInRange<std::size_t>(0, 40);
        mark.length =
            input.ConsumeBool() ? SIZE_MAX : input.ConsumeIntegralInRange<std::size_t>(0, 40);
    }
    return marks;
}

// The page's markup read as a browser reads it: its text, with entities
// decoded, and how many marks it holds; false, with the reason, at anything
// but the page's own tags and the five references it writes.
bool ReadBack(std::string_view html, std::uint64_t generation, std::string& text, int& marks,
              std::string& problem) {
    static const std::string_view Tags[] = {"<h2>",
                                            "</h2>",
                                            "<div class=\"caption\">",
                                            "<div class=\"folder\">",
                                            "<div class=\"line\">",
                                            "</div>",
                                            "<span class=\"hits\">",
                                            "</span>",
                                            "<mark>",
                                            "</mark>",
                                            "</a>"};
    static const std::pair<std::string_view, char> References[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#39;", '\''}};
    const std::string link = "<a class=\"result\" href=\"" + ResultsPageUri(generation) + "/";
    for (std::size_t i = 0; i < html.size();) {
        const std::string_view rest = html.substr(i);
        if (rest[0] == '<') {
            std::size_t length = 0;
            for (const std::string_view tag : Tags)
                if (rest.starts_with(tag)) length = tag.size();
            if (length == 0 && rest.starts_with(link)) {
                const std::size_t opening = link.size() - ResultsPageUri(generation).size() - 1;
                const std::size_t close = rest.find("\">");
                const auto address = close == std::string_view::npos
                                         ? std::nullopt
                                         : ParseSearchUri(rest.substr(opening, close - opening));
                if (!address || address->generation != generation || !address->entry) {
                    problem = "a link that is not the page's";
                    return false;
                }
                length = close + 2;
            }
            if (length == 0) {
                problem = "markup that is not the page's: " + std::string(rest.substr(0, 40));
                return false;
            }
            if (rest.starts_with("<mark>")) ++marks;
            i += length;
        } else if (rest[0] == '&') {
            std::size_t length = 0;
            for (const auto& [reference, character] : References) {
                if (rest.starts_with(reference)) {
                    text.push_back(character);
                    length = reference.size();
                }
            }
            if (length == 0) {
                problem = "a reference that is not the page's";
                return false;
            }
            i += length;
        } else if (rest[0] == '>' || rest[0] == '"' || rest[0] == '\'') {
            problem = "a bare > or quote";
            return false;
        } else {
            text.push_back(rest[0]);
            ++i;
        }
    }
    return true;
}

// The literal's text back: only \uXXXX escapes, nothing that ends a script.
bool ReadLiteral(std::string_view literal, std::string& text, std::string& problem) {
    if (literal.size() < 2 || literal.front() != '"' || literal.back() != '"') {
        problem = "not in quotes";
        return false;
    }
    literal = literal.substr(1, literal.size() - 2);
    for (std::size_t i = 0; i < literal.size(); ++i) {
        const auto byte = static_cast<unsigned char>(literal[i]);
        if (byte == '\\') {
            if (literal.substr(i + 1, 1) != "u" || i + 6 > literal.size()) {
                problem = "an escape other than \\uXXXX";
                return false;
            }
            const unsigned code = std::stoul(std::string(literal.substr(i + 2, 4)), nullptr, 16);
            text += Utf16ToUtf8(std::u16string(1, static_cast<char16_t>(code)));
            i += 5;
        } else if (byte < 0x20 || byte == 0x7F || byte == '"' || byte == '<' || byte == '>' ||
                   byte == '&' || byte == '\'' ||
                   (byte == 0xE2 && literal.substr(i + 1, 1) == "\x80" &&
                    (literal.substr(i + 2, 1) == "\xA8" || literal.substr(i + 2, 1) == "\xA9"))) {
            problem = "a character that could end the literal or the script";
            return false;
        } else {
            text.push_back(literal[i]);
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto generation = input.ConsumeIntegral<std::uint64_t>();
    const std::u16string query = Units(input, 64);
    std::vector<SearchResult> results(input.ConsumeIntegralInRange<std::size_t>(0, 5));
    for (SearchResult& result : results) {
        result.entry = input.ConsumeIntegralInRange<std::int32_t>(0, INT32_MAX);
        result.foundByCaption = input.ConsumeBool();
        result.hits = input.ConsumeIntegral<std::uint64_t>();
        result.caption = Units(input, 40);
        result.captionHits = Marks(input);
        result.line.text = Units(input, 60);
        result.line.marks = Marks(input);
        result.folderPath.resize(input.ConsumeIntegralInRange<std::size_t>(0, 3));
        for (std::u16string& folder : result.folderPath) folder = Units(input, 20);
    }
    const std::size_t first = input.ConsumeIntegralInRange<std::size_t>(0, results.size());

    const std::string fragment = ResultsFragment(results, first, results.size(), generation);
    std::string text;
    std::string problem;
    int marks = 0;
    FUZZ_CHECK(ReadBack(fragment, generation, text, marks, problem), problem + "\n" + fragment);
    std::string expected;
    int markRanges = 0;
    for (std::size_t i = first; i < results.size(); ++i) {
        const SearchResult& result = results[i];
        if (i == 0 || results[i - 1].foundByCaption != result.foundByCaption)
            expected +=
                (result.foundByCaption ? "Найдено в названиях" : "Найдено в тексте страниц") +
                std::string("\n");
        expected += Utf16ToUtf8(result.caption);
        if (result.hits > 0) expected += " — " + Utf16ToUtf8(HitsText(result.hits));
        std::u16string folders;
        for (std::size_t k = 0; k < result.folderPath.size(); ++k)
            folders += (k > 0 ? u" › " : u"") + result.folderPath[k];
        expected += Utf16ToUtf8(folders) + Utf16ToUtf8(result.line.text) + "\n";
        markRanges += static_cast<int>(result.captionHits.size() + result.line.marks.size());
    }
    FUZZ_CHECK(text == expected, "read back " + Hex(text) + "\nexpected  " + Hex(expected));
    FUZZ_CHECK(marks <= markRanges, "more marks than ranges");

    std::string carried;
    FUZZ_CHECK(ReadLiteral(ScriptStringLiteral(fragment), carried, problem), problem);
    FUZZ_CHECK(carried == fragment, "the literal carries " + Hex(carried));
    FUZZ_CHECK(fuzzing::IsWellFormedUtf8(ScriptStringLiteral(Utf16ToUtf8(query) + "\xFF\xC0")),
               "malformed bytes left in a literal");

    // The query adds no markup to the page, and its title reads back to it.
    const std::string page = ResultsPageHtml(query);
    const std::string empty = ResultsPageHtml(u"");
    FUZZ_CHECK(
        std::count(page.begin(), page.end(), '<') == std::count(empty.begin(), empty.end(), '<'),
        "the query made markup: " + Hex(query));
    const std::size_t title = page.find("<title>") + 7;
    std::string titleText;
    int none = 0;
    FUZZ_CHECK(ReadBack(page.substr(title, page.find("</title>") - title), generation, titleText,
                        none, problem),
               problem);
    FUZZ_CHECK(titleText == "Поиск: «" + Utf16ToUtf8(query) + "»", Hex(titleText));
    return 0;
}
