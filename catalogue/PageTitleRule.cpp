#include "PageTitleRule.h"

#include "NameMatching.h"
#include "PageEncoding.h"
#include "ParsingSelfMaking.h"
#include "TextFile.h"
#include "Utf.h"

namespace courseview {

namespace {

constexpr std::string_view Separators(" <>\r\n\0", 6);

bool IsSeparator(char byte) { return Separators.find(byte) != std::string_view::npos; }

// Where the token that closes the title ends in `text` read as UTF-8, or npos
// when the text holds no complete title. Malformed bytes are never
// separators nor letters of a tag, so the tokens are found on the bytes.
std::size_t ClosingTagEnd(std::string_view text) {
    bool gathering = false;
    std::size_t at = 0;
    while (at < text.size()) {
        if (IsSeparator(text[at])) {
            ++at;
            continue;
        }
        const std::size_t start = at;
        while (at < text.size() && !IsSeparator(text[at])) ++at;
        const std::u16string token = Utf8ToUtf16(text.substr(start, at - start));
        if (!gathering) {
            gathering = SameTextAscii(token, u"title");
        } else if (SameTextAscii(token, u"/title")) {
            return at;
        }
    }
    return std::string_view::npos;
}

}  // namespace

std::u16string TitleFromTokens(const std::vector<std::u16string>& tokens) {
    std::size_t i = 0;
    while (i < tokens.size() && !SameTextAscii(tokens[i], u"title")) ++i;
    if (i == tokens.size()) return {};
    std::u16string title;
    for (++i; i < tokens.size(); ++i) {
        if (SameTextAscii(tokens[i], u"/title")) return title;
        title.push_back(u' ');
        title += tokens[i];
    }
    return {};
}

std::string CaptionCodeset(std::string_view page, const CodePage& systemCodePage) {
    if (const auto encoding = MarkedOrDeclaredEncoding(page)) return encoding->codeset;
    const std::string_view text = page.substr(0, page.find('\0'));
    const std::size_t end = ClosingTagEnd(text);
    return IsWellFormedUtf8(text.substr(0, end)) ? "UTF-8" : systemCodePage.Name();
}

std::u16string TitleByTheRule(std::string_view page, const CodePage& systemCodePage) {
    const std::string codeset = CaptionCodeset(page, systemCodePage);
    if (codeset.empty()) return {};
    // The byte-order mark is read as the text-file rules say, whatever the code page.
    const std::u16string text = DecodeText(page, CodePageNamed(codeset));
    TSimpleParser parser(CodePageNamed("UTF-8"));
    parser.Separators.AddChars(Separators);
    parser.Parse(Utf16ToUtf8(JoinLines(SplitLines(text))));
    return TitleFromTokens(parser.Tokens).substr(0, MaximumTitleLength);
}

}  // namespace courseview
