#pragma once
// Follows the token stream of a page's text as it streams in and decides the
// title as soon as it can: tokens are cut at space, "<", ">", CR, LF and NUL;
// the title is the tokens between the first "title" and the next "/title"
// (Latin letters in any case), each behind a single space. The text comes as
// bytes (UTF-8, or a code page that reads ASCII as ASCII) or as UTF-16 units,
// piece by piece; a token may run across pieces.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "CodePage.h"

namespace courseview {

class TitleScanner {
public:
    TitleScanner();

    // Forgets the page before; bytes are UTF-8 until said otherwise.
    void Reset();

    // The bytes fed from now on, and the tokens in hand, are in `codePage`,
    // which must read ASCII as ASCII.
    void DecodeBytesAs(const CodePage& codePage) { m_byteCodePage = &codePage; }

    // Forgets what the title has gathered, to gather it again from its start:
    // for a reader that finds the page in another encoding than it thought.
    void RestartGathering();

    bool Seeking() const { return m_state == State::Seeking; }
    bool Decided() const { return m_state == State::Decided; }
    // " " + tokens once decided; "" when the text holds no complete title.
    const std::u16string& Title() const { return m_title; }
    // The closing "/title" came: the text has a title element, which may be
    // empty.
    bool Closed() const { return m_closed; }

    // Takes the next piece of the text, up to the point where the title is
    // decided. Bytes that do not decode become U+FFFD in the title, as does a
    // lone surrogate.
    void Feed(std::string_view utf8);
    void Feed(std::u16string_view utf16);

    // Feed() for a piece that comes while no title has begun: returns how much
    // it took, which is all of it unless the "title" token ends inside. Only a
    // token of exactly those five ASCII letters matters there, so the piece is
    // searched for its "l" rather than tokenized unit by unit.
    std::size_t FeedSeeking(std::string_view utf8);
    std::size_t FeedSeeking(std::u16string_view utf16);

    // The text has ended: a run that reaches the end is a token too, and a
    // title without its closing tag counts as none.
    void Finish();

private:
    enum class State { Seeking, Gathering, Decided };

    template <typename Unit>
    void FeedText(std::basic_string_view<Unit> text);
    template <typename Unit>
    std::size_t FeedSeekingText(std::basic_string_view<Unit> text);
    void AddToToken(std::string_view bytes);
    void AddToToken(std::u16string_view units);
    std::size_t TokenRoom() const;
    bool TokenIs(std::u16string_view tag) const;
    void EndToken();

    bool IsSeparator(char byte) const { return m_separator[static_cast<unsigned char>(byte)]; }
    bool IsSeparator(char16_t unit) const { return unit < 0x80 && m_separator[unit]; }

    std::array<bool, 256> m_separator{};
    const CodePage* m_byteCodePage;
    State m_state = State::Seeking;
    bool m_closed = false;
    // The token in hand: its bytes, then its units (a page that turns out
    // not to be UTF-8 goes on in units), as far as they can matter.
    std::string m_tokenBytes;
    std::u16string m_tokenUnits;
    std::size_t m_tokenLength = 0;  // bytes and units fed, kept or not
    std::u16string m_title;
};

}  // namespace courseview
