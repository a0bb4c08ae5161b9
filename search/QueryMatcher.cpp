#include "QueryMatcher.h"

#include <algorithm>

#include "Words.h"

namespace courseview {

Query::Query(std::u16string_view text) : m_nodes(1) {
    for (TextWord& word : WordsOf(text)) {
        if (std::find(m_words.begin(), m_words.end(), word.folded) != m_words.end()) continue;
        Node node = Root;
        for (char32_t c : word.folded) {
            Node next = Next(node, c);
            if (next == NoNode) {
                next = static_cast<Node>(m_nodes.size());
                m_nodes[node].children.emplace_back(c, next);
                m_nodes.emplace_back();
            }
            node = next;
        }
        m_nodes[node].word = static_cast<int>(m_words.size());
        m_words.push_back(std::move(word.folded));
    }
}

Query::Node Query::Next(Node node, char32_t folded) const {
    for (const auto& [c, child] : m_nodes[node].children) {
        if (c == folded) return child;
    }
    return NoNode;
}

QueryMatch::QueryMatch(const Query& query) : m_query(query), m_seen(query.Words().size()) {}

std::optional<TextRange> QueryMatch::Take(char32_t character, std::size_t position,
                                          std::size_t units) {
    if (!IsWordCharacter(character)) return Break();
    if (!m_inWord) {
        m_inWord = true;
        m_node = Query::Root;
        m_wordStart = position;
        m_wordUnits = 0;
        m_matchedUnits = 0;
    }
    m_wordUnits += units;
    if (m_node == Query::NoNode) return std::nullopt;
    m_node = m_query.Next(m_node, FoldCharacter(character));
    if (m_node == Query::NoNode) return std::nullopt;
    const int word = m_query.WordEndingAt(m_node);
    if (word >= 0) {
        m_matchedUnits = m_wordUnits;
        if (!m_seen[word]) {
            m_seen[word] = true;
            ++m_found;
        }
    }
    return std::nullopt;
}

std::optional<TextRange> QueryMatch::Break() {
    if (!m_inWord) return std::nullopt;
    m_inWord = false;
    if (m_matchedUnits == 0) return std::nullopt;
    ++m_hits;
    return TextRange{m_wordStart, m_matchedUnits};
}

bool CaptionMatches(const Query& query, std::u16string_view caption, std::vector<TextRange>* hits) {
    if (query.Empty()) return false;
    QueryMatch match(query);
    std::size_t at = 0;
    while (at < caption.size()) {
        const std::size_t position = at;
        const char32_t character = NextCodePoint(caption, at);
        const auto hit = match.Take(character, position, at - position);
        if (hit && hits) hits->push_back(*hit);
    }
    const auto hit = match.Break();
    if (hit && hits) hits->push_back(*hit);
    return match.AllWordsFound();
}

}  // namespace courseview
