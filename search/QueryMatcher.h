#pragma once
// What a query asks for and how text is matched against it. The query's
// words are folded and kept once each; a text word matches a query word when
// it begins with it ("закон" matches "законы", not "беззаконие"). A text
// holds the query when every query word matches some word of it; each text
// word that matches any query word is one hit.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace courseview {

// A stretch of a text, in UTF-16 units.
struct TextRange {
    std::size_t begin = 0;
    std::size_t length = 0;
    bool operator==(const TextRange&) const = default;
};

class Query {
public:
    // The words of `text` (Words.h); a query without any finds nothing.
    explicit Query(std::u16string_view text);

    bool Empty() const { return m_words.empty(); }
    // Folded, each once, in the order typed.
    const std::vector<std::u32string>& Words() const { return m_words; }

    // The words as a tree of their folded characters, walked from Root.
    using Node = std::uint32_t;
    static constexpr Node Root = 0;
    static constexpr Node NoNode = UINT32_MAX;
    Node Next(Node node, char32_t folded) const;
    // The word that ends at `node`, or -1.
    int WordEndingAt(Node node) const { return m_nodes[node].word; }

private:
    struct TreeNode {
        std::vector<std::pair<char32_t, Node>> children;
        int word = -1;
    };
    std::vector<std::u32string> m_words;
    std::vector<TreeNode> m_nodes;
};

// Matches one text against a query, a character at a time, the text's own
// characters (not folded) with where each stands.
class QueryMatch {
public:
    explicit QueryMatch(const Query& query);

    // Takes the character at `position`, `units` long. Returns the hit that
    // a word ending just before it made: the matched start of that word.
    std::optional<TextRange> Take(char32_t character, std::size_t position, std::size_t units);
    // The text word ends here (markup that separates words, the end of the
    // text); returns its hit, if any.
    std::optional<TextRange> Break();

    bool AllWordsFound() const { return m_found == m_seen.size() && m_found > 0; }
    bool AnyWordFound() const { return m_found > 0; }
    std::uint64_t Hits() const { return m_hits; }

private:
    const Query& m_query;
    std::vector<bool> m_seen;
    std::size_t m_found = 0;
    std::uint64_t m_hits = 0;
    bool m_inWord = false;
    Query::Node m_node = Query::NoNode;
    std::size_t m_wordStart = 0;
    std::size_t m_wordUnits = 0;
    std::size_t m_matchedUnits = 0;
};

// Whether `caption` holds every word of the query, and the hits in it.
bool CaptionMatches(const Query& query, std::u16string_view caption,
                    std::vector<TextRange>* hits = nullptr);

}  // namespace courseview
