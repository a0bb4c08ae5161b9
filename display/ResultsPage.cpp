#include "ResultsPage.h"

#include "CourseAddress.h"
#include "Utf.h"

namespace courseview {

namespace {

// The skin's pink, the tree's lavender and red, the frame's light blue.
constexpr char PageHead[] = R"(<!DOCTYPE html>
<html lang="ru"><head><meta charset="utf-8"><title>)";
constexpr char PageStyle[] = R"(</title><style>
html { background: #FFAED0 }
body { margin: 8px; font: 13px Arial, sans-serif; color: #FF0000 }
h1 { font-size: 15px; margin: 0 0 6px }
h2 { font-size: 12px; margin: 10px 0 4px }
a.result { display: block; margin: 0 0 5px; padding: 4px 6px; border-radius: 4px;
           background: #D0AEFF; color: #FF0000; text-decoration: none }
a.result:hover, a.result:focus { outline: 1px solid #FF0000 }
.caption { font-weight: bold }
.hits { font-weight: normal; font-size: 11px }
.folder { font-size: 11px; color: #B00040 }
.line { margin-top: 2px; color: #400020 }
mark { background: #A3DAFF; color: inherit }
</style></head>
<body><h1>)";
constexpr char PageTail[] = R"(</p>
<script>
function courseviewAddResults(html) {
  document.getElementById('results').insertAdjacentHTML('beforeend', html);
}
function courseviewSearchEnded(text) {
  document.getElementById('status').textContent = text;
}
</script></body></html>
)";

constexpr std::u16string_view SearchTitle = u"Поиск: ";
constexpr std::u16string_view CaptionGroup = u"Найдено в названиях";
constexpr std::u16string_view TextGroup = u"Найдено в тексте страниц";
constexpr std::u16string_view FoundText = u"Найдено: ";
constexpr std::u16string_view FolderSeparator = u" › ";

std::string Text(std::u16string_view text) { return EscapeHtml(Utf16ToUtf8(text)); }

// Whether `at` splits a surrogate pair of `text`.
bool InsidePair(std::u16string_view text, std::size_t at) {
    return at > 0 && at < text.size() && text[at - 1] >= 0xD800 && text[at - 1] <= 0xDBFF &&
           text[at] >= 0xDC00 && text[at] <= 0xDFFF;
}

// `text` with the stretches `marks` names in <mark>, each cut to what is left
// of the text after the one before, and widened to whole characters.
std::string MarkedText(std::u16string_view text, const std::vector<TextRange>& marks) {
    std::string out;
    std::size_t done = 0;
    for (const TextRange& mark : marks) {
        if (mark.begin >= text.size()) continue;
        std::size_t end = mark.begin + std::min(mark.length, text.size() - mark.begin);
        std::size_t begin = std::max(mark.begin, done);
        if (end <= begin) continue;
        if (InsidePair(text, begin)) --begin;  // never below `done`: that is a whole character
        if (InsidePair(text, end)) ++end;
        out += Text(text.substr(done, begin - done)) + "<mark>" +
               Text(text.substr(begin, end - begin)) + "</mark>";
        done = end;
    }
    return out + Text(text.substr(done));
}

std::string FolderText(const std::vector<std::u16string>& folders) {
    std::u16string path;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (i > 0) path += FolderSeparator;
        path += folders[i];
    }
    return Text(path);
}

void AppendHex(std::string& out, unsigned value) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out.push_back(Hex[(value >> shift) & 15]);
}

}  // namespace

std::string ResultsPageHtml(std::u16string_view query) {
    const std::string heading =
        Text(std::u16string(SearchTitle) + u"«" + std::u16string(query) + u"»");
    return PageHead + heading + PageStyle + heading +
           "</h1>\n<div id=\"results\"></div>\n<p id=\"status\">" + Text(SearchingText) + PageTail;
}

std::string ResultsFragment(const std::vector<SearchResult>& results, std::size_t first,
                            std::size_t end, std::uint64_t generation) {
    std::string out;
    end = std::min(end, results.size());
    for (std::size_t i = first; i < end; ++i) {
        const SearchResult& result = results[i];
        if (i == 0 || results[i - 1].foundByCaption != result.foundByCaption)
            out += "<h2>" + Text(result.foundByCaption ? CaptionGroup : TextGroup) + "</h2>\n";
        out += "<a class=\"result\" href=\"" + ChosenResultUri(generation, result.entry) +
               "\"><div class=\"caption\">" + MarkedText(result.caption, result.captionHits);
        if (result.hits > 0)
            out += " <span class=\"hits\">— " + Text(HitsText(result.hits)) + "</span>";
        out += "</div>";
        if (!result.folderPath.empty())
            out += "<div class=\"folder\">" + FolderText(result.folderPath) + "</div>";
        if (!result.line.text.empty())
            out +=
                "<div class=\"line\">" + MarkedText(result.line.text, result.line.marks) + "</div>";
        out += "</a>\n";
    }
    return out;
}

std::string AddResultsScript(std::string_view fragment) {
    return "window.courseviewAddResults && courseviewAddResults(" + ScriptStringLiteral(fragment) +
           ")";
}

std::string SearchEndedScript(std::size_t found) {
    const std::u16string text =
        found == 0 ? std::u16string(NothingFoundText)
                   : std::u16string(FoundText) + Utf8ToUtf16(std::to_string(found));
    return "window.courseviewSearchEnded && courseviewSearchEnded(" +
           ScriptStringLiteral(Utf16ToUtf8(text)) + ")";
}

std::u16string HitsText(std::uint64_t hits) {
    const std::uint64_t lastTwo = hits % 100;
    const std::uint64_t last = hits % 10;
    const char16_t* ending = u"й";
    if (lastTwo < 11 || lastTwo > 14) {
        if (last == 1) ending = u"е";
        if (last >= 2 && last <= 4) ending = u"я";
    }
    return Utf8ToUtf16(std::to_string(hits)) + u" совпадени" + ending;
}

std::string ScriptStringLiteral(std::string_view utf8) {
    // Malformed bytes become U+FFFD first: the engine takes the script as UTF-8.
    const std::string text =
        IsWellFormedUtf8(utf8) ? std::string(utf8) : Utf16ToUtf8(Utf8ToUtf16(utf8));
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        // U+2028 and U+2029 end a line in older scripts' eyes.
        if (byte == 0xE2 && i + 2 < text.size() &&
            static_cast<unsigned char>(text[i + 1]) == 0x80 &&
            (static_cast<unsigned char>(text[i + 2]) == 0xA8 ||
             static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
            AppendHex(out, static_cast<unsigned char>(text[i + 2]) == 0xA8 ? 0x2028 : 0x2029);
            i += 2;
        } else if (byte < 0x20 || byte == 0x7F || byte == '"' || byte == '\\' || byte == '<' ||
                   byte == '>' || byte == '&' || byte == '\'') {
            AppendHex(out, byte);
        } else {
            out.push_back(text[i]);
        }
    }
    return out + "\"";
}

}  // namespace courseview
