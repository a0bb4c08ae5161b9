#include "ShortTitle.h"

#include "NameMatching.h"
#include "PageEncoding.h"
#include "Utf.h"

namespace courseview {

namespace {

// The caption keeps the title's leading space and needs two characters after it.
constexpr std::size_t ShortestCaptionTitle = 3;

bool IsSeparator(char16_t c) {
    return c == u' ' || c == u'<' || c == u'>' || c == u'\r' || c == u'\n';
}

}  // namespace

bool TitleTooShort(std::u16string_view title) { return title.size() < ShortestCaptionTitle; }

std::optional<std::uint64_t> TitleLine(std::string_view page, const CodePage& systemCodePage) {
    // The text ends at its first U+0000: no separator is needed for it.
    const std::u16string text = DecodePageForDisplay(page, systemCodePage);
    std::uint64_t line = 1;
    std::size_t at = 0;
    while (at < text.size()) {
        const char16_t c = text[at];
        if (IsSeparator(c)) {
            if (c == u'\n' || (c == u'\r' && (at + 1 == text.size() || text[at + 1] != u'\n')))
                ++line;
            ++at;
            continue;
        }
        const std::size_t start = at;
        while (at < text.size() && !IsSeparator(text[at])) ++at;
        if (SameTextAscii(std::u16string_view(text).substr(start, at - start), u"title"))
            return line;
    }
    return std::nullopt;
}

std::string ShortTitleMessage(std::u16string_view title, std::u16string_view caption) {
    const std::string shown =
        "the catalogue shows the file name \"" + Utf16ToUtf8(caption) + "\" instead.";
    if (title.empty()) return "The title element is empty: " + shown;
    return "The title \"" + Utf16ToUtf8(title.substr(1)) +
           "\" is shorter than two characters: " + shown;
}

}  // namespace courseview
