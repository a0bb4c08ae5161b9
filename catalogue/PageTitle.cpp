#include "PageTitle.h"

#include <array>

#include "InputFile.h"
#include "NameMatching.h"
#include "ParsingSelfMaking.h"
#include "TextFile.h"

namespace courseview {

namespace {

constexpr std::u16string_view TitleTag = u"title";
constexpr std::u16string_view ClosingTitleTag = u"/title";

// The separator set of titles: space, "<", ">", CR, LF and NUL.
TSpliters TitleSeparators() {
    TSpliters separators;
    separators.AddChars(std::string_view(" <>\r\n\0", 6));
    return separators;
}

// Follows the token stream of an 8-bit text chunk by chunk and decides the
// title as soon as it can.
class TitleScanner {
public:
    explicit TitleScanner(const CodePage& codePage)
        : m_codePage(codePage), m_separators(TitleSeparators()) {}

    bool Decided() const { return m_state == State::Decided; }
    const std::u16string& Title() const { return m_title; }

    void Feed(std::string_view text) {
        for (std::size_t i = 0; i < text.size() && !Decided(); ++i) {
            const char byte = text[i];
            if (m_separators.Contains(static_cast<unsigned char>(byte))) {
                if (m_tokenLength > 0) EndToken();
                continue;
            }
            // Only a token short enough to be a tag needs its bytes until it
            // ends, except inside the title, where it is kept up to the cap.
            // The cap counts characters, not bytes: keep enough bytes for the
            // rest of the title even at four bytes a character.
            if (m_token.size() < MaximumTagBytes ||
                (m_state == State::Gathering && m_title.size() < MaximumTitleLength &&
                 m_token.size() < MaximumBytesPerUnit * (MaximumTitleLength - m_title.size()))) {
                m_token.push_back(byte);
            }
            ++m_tokenLength;
        }
    }

    // The text has ended: a run that reaches the end is a token too, and a
    // title without its closing tag counts as none.
    void Finish() {
        if (m_tokenLength > 0) EndToken();
        if (!Decided()) {
            m_title.clear();
            m_state = State::Decided;
        }
    }

private:
    enum class State { Seeking, Gathering, Decided };
    // A tag is at most six characters; no code page needs more than four bytes
    // for one of them.
    static constexpr std::size_t MaximumTagBytes = 24;
    // The most bytes any code page spends on one UTF-16 unit.
    static constexpr std::size_t MaximumBytesPerUnit = 4;

    bool TokenIs(std::u16string_view tag) const {
        if (m_tokenLength > MaximumTagBytes) return false;
        return SameTextAscii(m_codePage.ToUtf16(m_token), tag);
    }

    void EndToken() {
        if (m_state == State::Seeking) {
            if (TokenIs(TitleTag)) m_state = State::Gathering;
        } else if (TokenIs(ClosingTitleTag)) {
            // Stop here: nothing after the closing tag can change the title.
            m_state = State::Decided;
        } else if (m_title.size() < MaximumTitleLength) {
            m_title.push_back(u' ');
            m_title += m_codePage.ToUtf16(m_token);
            if (m_title.size() > MaximumTitleLength) m_title.resize(MaximumTitleLength);
        }
        m_token.clear();
        m_tokenLength = 0;
    }

    const CodePage& m_codePage;
    TSpliters m_separators;
    State m_state = State::Seeking;
    std::string m_token;
    std::size_t m_tokenLength = 0;
    std::u16string m_title;
};

}  // namespace

std::u16string TitleFromTokens(const std::vector<std::u16string>& tokens) {
    std::size_t i = 0;
    while (i < tokens.size() && !SameTextAscii(tokens[i], TitleTag)) ++i;
    if (i == tokens.size()) return {};
    std::u16string title;
    for (++i; i < tokens.size(); ++i) {
        if (SameTextAscii(tokens[i], ClosingTitleTag)) return title;
        title.push_back(u' ');
        title += tokens[i];
    }
    return {};
}

std::u16string ReadPageTitle(const std::filesystem::path& page, const CodePage& systemCodePage) {
    InputFile file(page);
    TextDecoder decoder(systemCodePage);
    TitleScanner scanner(systemCodePage);

    // Line breaks are separators, so cutting the text into lines and joining
    // them with CR LF cannot change the tokens: the text goes to the scanner
    // as it is decoded.
    std::array<char, 16384> buffer;
    std::u16string decoded;
    std::u16string pendingUnits;
    std::string narrow;
    bool textGoesOn = true;
    while (textGoesOn && !scanner.Decided()) {
        const std::size_t got = file.Read(buffer.data(), buffer.size());
        const bool atEnd = got == 0;
        decoded.swap(pendingUnits);
        pendingUnits.clear();
        textGoesOn = decoder.Feed(std::string_view(buffer.data(), got), atEnd, decoded) && !atEnd;
        narrow.clear();
        const std::size_t used = systemCodePage.EncodePrefix(decoded, !textGoesOn, narrow);
        pendingUnits.assign(decoded, used);
        decoded.clear();
        scanner.Feed(narrow);
    }
    scanner.Finish();
    return scanner.Title();
}

}  // namespace courseview
