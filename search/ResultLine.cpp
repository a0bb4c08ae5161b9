#include "ResultLine.h"

#include <algorithm>

namespace courseview {

namespace {

// Before the first hit the window keeps at most this much, and at least
// half of it: room for the context and for a long word that becomes a hit.
constexpr std::size_t WindowKept = 4096;

bool IsSpace(char16_t unit) {
    return unit == u' ' || unit == u'\t' || unit == u'\n' || unit == u'\r' || unit == u'\f' ||
           unit == u'\v' || unit == u'\u00A0';
}

}  // namespace

void ResultLine::Append(char16_t unit) {
    if (Full()) return;
    if (IsSpace(unit)) {
        Space();
        return;
    }
    if (m_pendingSpace) {
        m_window.push_back(u' ');
        m_pendingSpace = false;
    }
    m_window.push_back(unit);
    if (!m_placed && m_window.size() > WindowKept) Trim();
}

void ResultLine::Space() {
    // No space at the very start of the text.
    if (m_windowStart > 0 || !m_window.empty()) m_pendingSpace = true;
}

void ResultLine::Trim() {
    const std::size_t drop = m_window.size() - WindowKept / 2;
    m_window.erase(0, drop);
    m_windowStart += drop;
}

void ResultLine::MarkHit(std::uint64_t begin, std::uint64_t length) {
    if (!m_placed) {
        std::uint64_t start = begin > ContextBefore ? begin - ContextBefore : 0;
        start = std::max(start, m_windowStart);
        if (start > 0 && begin > start) {
            // Start at a word: after the first space in reach, if any.
            const std::size_t from = static_cast<std::size_t>(start - m_windowStart);
            const std::size_t to = static_cast<std::size_t>(begin - m_windowStart);
            const std::size_t space = m_window.find(u' ', from);
            if (space != std::u16string::npos && space < to) start = m_windowStart + space + 1;
        }
        m_placed = true;
        m_lineStartInWindow = static_cast<std::size_t>(start - m_windowStart);
    }
    const std::uint64_t lineStart = m_windowStart + m_lineStartInWindow;
    if (begin + length <= lineStart) return;
    if (begin < lineStart) {
        length -= lineStart - begin;
        begin = lineStart;
    }
    const std::uint64_t relative = begin - lineStart;
    if (relative >= LineLength) return;
    m_marks.push_back(
        {static_cast<std::size_t>(relative),
         static_cast<std::size_t>(std::min<std::uint64_t>(length, LineLength - relative))});
}

MarkedLine ResultLine::Take() const {
    MarkedLine line;
    if (!m_placed) return line;
    line.text = m_window.substr(m_lineStartInWindow, LineLength);
    if (m_window.size() > m_lineStartInWindow + LineLength) {
        // Cut at the last space, when that keeps the marks and half the line.
        const std::size_t space = line.text.rfind(u' ');
        const std::size_t marksEnd =
            m_marks.empty() ? 0 : m_marks.back().begin + m_marks.back().length;
        if (space != std::u16string::npos && space >= LineLength / 2 && space >= marksEnd) {
            line.text.resize(space);
        }
    }
    while (!line.text.empty() && line.text.back() == u' ') line.text.pop_back();
    for (TextRange mark : m_marks) {
        if (mark.begin >= line.text.size()) break;
        mark.length = std::min(mark.length, line.text.size() - mark.begin);
        line.marks.push_back(mark);
    }
    return line;
}

}  // namespace courseview
