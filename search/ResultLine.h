#pragma once
// The line a result shows: the page's text around its first hit, white space
// run together, with the hits in it marked. Built as the text streams past,
// keeping only a short stretch of it: no more of a page's text is held than
// this line.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "QueryMatcher.h"

namespace courseview {

struct MarkedLine {
    std::u16string text;
    std::vector<TextRange> marks;  // in `text`, in order, never past its end
};

class ResultLine {
public:
    // Up to ContextBefore units before the first hit (from a word's start
    // where one lies in reach), and the line at most LineLength units long.
    static constexpr std::size_t ContextBefore = 40;
    static constexpr std::size_t LineLength = 160;

    // The text in order. White space (and the separations Space() stands
    // for) becomes one space; nothing else is changed.
    void Append(char16_t unit);
    void Space();

    // Where the next unit appended will stand, counted over the whole text,
    // when it is no white space.
    std::uint64_t Position() const {
        return m_windowStart + m_window.size() + (m_pendingSpace ? 1 : 0);
    }

    // A hit at [begin, begin + length) of the whole text, no later than what
    // was appended. The first one places the line; later ones are marked
    // where they fall in it.
    void MarkHit(std::uint64_t begin, std::uint64_t length);

    // The line is complete: what follows cannot change it.
    bool Full() const { return m_placed && m_window.size() >= m_lineStartInWindow + LineLength; }

    // The line, or an empty one when no hit was marked.
    MarkedLine Take() const;

private:
    void Trim();

    std::u16string m_window;  // the text from m_windowStart on, spaces run together
    std::uint64_t m_windowStart = 0;
    bool m_pendingSpace = false;
    bool m_placed = false;
    std::size_t m_lineStartInWindow = 0;
    std::vector<TextRange> m_marks;  // relative to the line's start
};

}  // namespace courseview
