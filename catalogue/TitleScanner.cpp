#include "TitleScanner.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "AsciiCharacters.h"
#include "PageTitleRule.h"
#include "Utf.h"

namespace courseview {

namespace {

constexpr std::u16string_view TitleTag = u"title";
constexpr std::u16string_view ClosingTitleTag = u"/title";
// A token longer than this is no tag, whatever it holds.
constexpr std::size_t LongestTag = 6;
// UTF-8 spends at most four bytes on a code unit's worth of title.
constexpr std::size_t MostBytesPerUnit = 4;

// True for units that are exactly `tag` (written in lower case) up to the
// case of Latin letters.
template <typename Unit>
bool IsAsciiWord(std::basic_string_view<Unit> text, std::u16string_view tag) {
    if (text.size() != tag.size()) return false;
    for (std::size_t i = 0; i < tag.size(); ++i) {
        const auto unit = static_cast<char16_t>(static_cast<std::make_unsigned_t<Unit>>(text[i]));
        if (AsciiLower(unit) != tag[i]) return false;
    }
    return true;
}

// Finds the next "l" or "L" of a text with the C library's search, which
// reads many bytes at a time, remembering each letter's next place so that no
// byte is searched twice. In UTF-16 the letter's byte is searched for, and a
// find where it is not a whole unit is passed over.
template <typename Unit>
class LetterL {
public:
    explicit LetterL(std::basic_string_view<Unit> text) : m_text(text) {}

    // Position of the first "l" or "L" at or after `from`, or text.size().
    std::size_t Next(std::size_t from) {
        if (from >= m_text.size()) return m_text.size();
        if (m_lower < from) m_lower = Find('l', from, m_text.size());
        // Capitals are rare: searched for only as far as the next "l", which
        // stands in for an "L" not found before it.
        if (m_upper < from) m_upper = Find('L', from, m_lower);
        return std::min(m_lower, m_upper);
    }

private:
    // The first `letter` in [from, to), or `to`.
    std::size_t Find(char letter, std::size_t from, std::size_t to) const {
        const char* const bytes = reinterpret_cast<const char*>(m_text.data());
        const std::size_t end = to * sizeof(Unit);
        for (std::size_t at = from * sizeof(Unit); at < end;) {
            const void* found = std::memchr(bytes + at, letter, end - at);
            if (found == nullptr) break;
            const auto offset = static_cast<std::size_t>(static_cast<const char*>(found) - bytes);
            if (m_text[offset / sizeof(Unit)] == static_cast<Unit>(letter)) {
                return offset / sizeof(Unit);
            }
            at = offset + 1;
        }
        return to;
    }

    std::basic_string_view<Unit> m_text;
    std::size_t m_lower = 0;  // next "l" at or after the last search's start
    std::size_t m_upper = 0;  // next "L", or m_lower when none stands before it
};

}  // namespace

namespace {

const CodePage& Utf8() {
    static const CodePage& utf8 = CodePageNamed("UTF-8");
    return utf8;
}

}  // namespace

TitleScanner::TitleScanner() : m_byteCodePage(&Utf8()) {
    for (unsigned char code : std::string_view(" <>\r\n\0", 6)) m_separator[code] = true;
}

void TitleScanner::Reset() {
    m_byteCodePage = &Utf8();
    m_state = State::Seeking;
    m_closed = false;
    m_tokenBytes.clear();
    m_tokenUnits.clear();
    m_tokenLength = 0;
    m_title.clear();
}

void TitleScanner::RestartGathering() {
    m_state = State::Gathering;
    m_tokenBytes.clear();
    m_tokenUnits.clear();
    m_tokenLength = 0;
    m_title.clear();
}

void TitleScanner::Feed(std::string_view utf8) { FeedText(utf8); }
void TitleScanner::Feed(std::u16string_view utf16) { FeedText(utf16); }
std::size_t TitleScanner::FeedSeeking(std::string_view utf8) { return FeedSeekingText(utf8); }
std::size_t TitleScanner::FeedSeeking(std::u16string_view utf16) { return FeedSeekingText(utf16); }

template <typename Unit>
void TitleScanner::FeedText(std::basic_string_view<Unit> text) {
    const Unit* at = text.data();
    const Unit* const end = at + text.size();
    while (at < end && !Decided()) {
        if (IsSeparator(*at)) {
            if (m_tokenLength > 0) EndToken();
            ++at;
            continue;
        }
        const Unit* const start = at;
        while (at < end && !IsSeparator(*at)) ++at;
        AddToToken(std::basic_string_view<Unit>(start, static_cast<std::size_t>(at - start)));
    }
}

template <typename Unit>
std::size_t TitleScanner::FeedSeekingText(std::basic_string_view<Unit> text) {
    const Unit* const data = text.data();
    const std::size_t size = text.size();
    std::size_t at = 0;
    // Finish a token that began in an earlier piece: it runs to the first
    // separator, which ends it.
    if (m_tokenLength > 0) {
        while (at < size && !IsSeparator(data[at])) ++at;
        AddToToken(text.substr(0, at));
        if (at == size) return size;
        EndToken();
        ++at;
        if (!Seeking()) return at;
    }
    const std::size_t start = at;  // a token boundary
    LetterL<Unit> letterL(text);
    for (std::size_t l = letterL.Next(start + 3); l < size; l = letterL.Next(l + 1)) {
        const std::size_t begin = l - 3;
        if (begin > start && !IsSeparator(data[begin - 1])) continue;
        if (l + 2 >= size) break;  // the token may go on in the next piece
        if (!IsSeparator(data[l + 2]) || !IsAsciiWord(text.substr(begin, 5), TitleTag)) continue;
        m_state = State::Gathering;
        return l + 3;
    }
    // Leave the last token open, as Feed() would: it may go on.
    std::size_t tokenBegin = size;
    while (tokenBegin > start && !IsSeparator(data[tokenBegin - 1])) --tokenBegin;
    if (tokenBegin < size) AddToToken(text.substr(tokenBegin));
    return size;
}

// How much of the token in hand is worth keeping: a tag's length before the
// title, and inside it enough for the rest of the title up to its cap.
std::size_t TitleScanner::TokenRoom() const {
    std::size_t room = LongestTag;
    if (m_state == State::Gathering && m_title.size() < MaximumTitleLength) {
        room = std::max(room, MostBytesPerUnit * (MaximumTitleLength - m_title.size()));
    }
    const std::size_t kept = m_tokenBytes.size() + m_tokenUnits.size();
    return kept < room ? room - kept : 0;
}

void TitleScanner::AddToToken(std::string_view bytes) {
    m_tokenBytes.append(bytes.substr(0, TokenRoom()));
    m_tokenLength += bytes.size();
}

void TitleScanner::AddToToken(std::u16string_view units) {
    m_tokenUnits.append(units.substr(0, TokenRoom()));
    m_tokenLength += units.size();
}

bool TitleScanner::TokenIs(std::u16string_view tag) const {
    if (m_tokenLength != tag.size()) return false;
    // Only an all-ASCII token of the tag's length can be the tag: compare
    // the bytes and the units as they stand.
    const std::size_t bytes = m_tokenBytes.size();
    return IsAsciiWord(std::string_view(m_tokenBytes), tag.substr(0, bytes)) &&
           IsAsciiWord(std::u16string_view(m_tokenUnits), tag.substr(bytes));
}

void TitleScanner::EndToken() {
    if (m_state == State::Seeking) {
        if (TokenIs(TitleTag)) m_state = State::Gathering;
    } else if (TokenIs(ClosingTitleTag)) {
        // Stop here: nothing after the closing tag can change the title.
        m_state = State::Decided;
        m_closed = true;
    } else if (m_title.size() < MaximumTitleLength) {
        m_title.push_back(u' ');
        m_byteCodePage->DecodePrefix(m_tokenBytes, true, m_title);
        AppendWithoutLoneSurrogates(m_tokenUnits, m_title);
        if (m_title.size() > MaximumTitleLength) m_title.resize(MaximumTitleLength);
    }
    m_tokenBytes.clear();
    m_tokenUnits.clear();
    m_tokenLength = 0;
}

void TitleScanner::Finish() {
    if (m_tokenLength > 0) EndToken();
    if (!Decided()) {
        m_title.clear();
        m_state = State::Decided;
    }
}

}  // namespace courseview
