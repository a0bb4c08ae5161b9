#pragma once
// A quick exact test on a page's raw bytes, ahead of decoding it: most pages
// hold none of the query's words, and telling so from the bytes runs at the
// speed of memchr, where decoding and tokenizing every byte would not.
//
// A word of the text is made of characters that stand in the bytes either as
// themselves, in the page's encoding and in any letter case, or as character
// references; markup can also split a word's characters apart
// ("<b>К</b>еплер"). So a page may hold a query word at the start of a text
// word only if its bytes hold (a) the word's characters in sequence, in some
// case, at the start of a word, or (b) a "<" right after the word's first
// characters, at the start of a word, or (c) an "&" that decodes to a
// character of the word. A letter or digit right before the characters means
// no word starts there, unless it may end a reference written without its
// ";" ("&copyКеплер" shows "©Кеплер"). The filter looks for exactly these,
// for the query's rarest-looking words (up to ProbedWords, each cut to its
// first ProbedCharacters): it never rejects a page that holds them, and it
// lets through some pages that do not, which the full reading then settles.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ByteForm.h"
#include "ByteTriggers.h"
#include "QueryMatcher.h"

namespace courseview {

class PageFilter {
public:
    static constexpr std::size_t ProbedWords = 4;
    static constexpr std::size_t ProbedCharacters = 16;
    // What Scan() looks at around the bytes it is given to scan.
    static constexpr std::size_t LookBehind = 160;
    static constexpr std::size_t LookAhead = 64;

    PageFilter(const Query& query, const ByteForm& form);

    // False for the form Other: every page must be read in full.
    bool Usable() const { return m_form.kind != ByteForm::Kind::Other; }

    // A new page.
    void StartPage();

    // Looks for the probed words in the page's text bytes: at the positions
    // [from, to) of `bytes`, which holds the LookBehind bytes before `from`
    // (or all from the text's start) and the LookAhead bytes after `to`
    // (unless `atEnd`: then `to` is the end of the text). `origin` is where
    // bytes[0] stands from the text's start; a two-byte form looks at even
    // places only.
    void Scan(std::string_view bytes, std::size_t from, std::size_t to, bool atEnd,
              std::uint64_t origin);

    // After the page's last Scan(), or earlier when they answer yes: whether
    // the page may hold every query word, any query word.
    bool MayHoldAll() const { return m_found == m_probes.size(); }
    bool MayHoldAny() const { return m_found > 0 || m_unprobedWords; }

private:
    struct Variant {
        std::string bytes;     // one character of the word, in one case, encoded
        std::size_t anchorAt;  // where the anchor byte lies in it
    };
    struct Probe {
        std::u32string word;            // folded, at most ProbedCharacters
        std::size_t anchor = 0;         // the character looked for
        std::vector<Variant> variants;  // of the anchor character
        ByteTrigger trigger;            // where the anchor character may stand
        double share = 0;               // how often the trigger should fire
        bool found = false;
        std::size_t triggerIndex = 0;  // in m_triggers, for this scan
    };
    void Compile(const std::u32string& word);
    bool Aligned(std::size_t at, std::uint64_t origin) const;
    bool WordAround(const Probe& probe, std::string_view bytes, std::size_t anchorStart,
                    std::size_t anchorLength) const;
    static constexpr std::size_t NoUnit = SIZE_MAX;
    std::size_t UnitStart(std::string_view bytes, std::size_t place, std::uint64_t origin) const;
    bool LiteralAt(const Probe& probe, std::string_view bytes, std::size_t place,
                   std::uint64_t origin) const;
    void MarkupAt(std::string_view bytes, std::size_t place, std::uint64_t origin);
    bool MayStartWord(std::string_view bytes, std::size_t at) const;
    bool ReferenceAt(std::string_view bytes, std::size_t place, bool atEnd, std::uint64_t origin);
    void Found(Probe& probe);
    // The triggers for the probes not yet found (`found`: a bit a probe).
    void BuildTriggers(std::uint32_t found);

    ByteForm m_form;
    std::vector<Probe> m_probes;
    bool m_unprobedWords = false;
    std::size_t m_found = 0;
    std::size_t m_unitBytes = 1;
    // The last byte of every encoded character that can end a word's piece
    // before markup, for a first look at the byte before a "<".
    std::array<bool, 256> m_pieceEnds{};
    ByteTriggers m_triggers;
    std::uint32_t m_triggersFor = UINT32_MAX;  // the probes found when they were built
    std::size_t m_markupTrigger = SIZE_MAX;
    std::size_t m_referenceTrigger = SIZE_MAX;
};

}  // namespace courseview
