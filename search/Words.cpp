#include "Words.h"

#include <algorithm>
#include <array>

#include "UnicodeTables.h"

namespace courseview {

namespace {

constexpr char32_t CyrillicIo = U'\u0451';  // "ё"
constexpr char32_t CyrillicIe = U'\u0435';  // "е"

// The basic multilingual plane, one bit a code point (8 KB): text is looked
// at character by character, and nearly all of it lies there.
struct PlaneBits {
    std::array<std::uint64_t, 1024> bits{};
    PlaneBits() {
        for (std::size_t i = 0; i < WordCharacterRangeCount; ++i) {
            const CodePointRange& range = WordCharacterRanges[i];
            for (char32_t c = range.first; c <= range.last && c < 0x10000; ++c) {
                bits[c >> 6] |= std::uint64_t{1} << (c & 63);
            }
        }
    }
};

const PlaneBits& WordBits() {
    static const PlaneBits bits;
    return bits;
}

char32_t SimpleFold(char32_t character) {
    if (character < 0x80) {
        return character >= U'A' && character <= U'Z' ? character + 32 : character;
    }
    // The basic Cyrillic letters, which Russian text is made of, without a search.
    if (character >= 0x400 && character < 0x460) {
        return character < 0x410 ? character + 80 : character < 0x430 ? character + 32 : character;
    }
    const CaseFoldingRun* begin = CaseFoldingRuns;
    const CaseFoldingRun* end = CaseFoldingRuns + CaseFoldingRunCount;
    // The last run that starts at or before the character.
    const CaseFoldingRun* run = std::upper_bound(
        begin, end, character, [](char32_t c, const CaseFoldingRun& r) { return c < r.first; });
    if (run == begin) return character;
    --run;
    if (character > run->last || (character - run->first) % run->step != 0) return character;
    return static_cast<char32_t>(static_cast<std::int64_t>(character) + run->offset);
}

}  // namespace

bool IsWordCharacter(char32_t character) {
    if (character < 0x10000) {
        return (WordBits().bits[character >> 6] >> (character & 63)) & 1;
    }
    const CodePointRange* end = WordCharacterRanges + WordCharacterRangeCount;
    const CodePointRange* range =
        std::upper_bound(WordCharacterRanges, end, character,
                         [](char32_t c, const CodePointRange& r) { return c < r.first; });
    return range != WordCharacterRanges && character <= (range - 1)->last;
}

char32_t FoldCharacter(char32_t character) {
    const char32_t folded = SimpleFold(character);
    return folded == CyrillicIo ? CyrillicIe : folded;
}

std::u32string CharactersFoldingTo(char32_t folded) {
    std::u32string characters;
    if (FoldCharacter(folded) == folded) characters.push_back(folded);
    auto addUnfolded = [&](char32_t target) {
        for (std::size_t i = 0; i < CaseFoldingRunCount; ++i) {
            const CaseFoldingRun& run = CaseFoldingRuns[i];
            const std::int64_t source = static_cast<std::int64_t>(target) - run.offset;
            if (source < run.first || source > run.last) continue;
            if ((source - run.first) % run.step != 0) continue;
            characters.push_back(static_cast<char32_t>(source));
        }
    };
    addUnfolded(folded);
    if (folded == CyrillicIe) {
        characters.push_back(CyrillicIo);
        addUnfolded(CyrillicIo);
    }
    return characters;
}

char32_t NextCodePoint(std::u16string_view text, std::size_t& at) {
    const char16_t unit = text[at++];
    if (unit >= 0xD800 && unit <= 0xDBFF && at < text.size() && text[at] >= 0xDC00 &&
        text[at] <= 0xDFFF) {
        return 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text[at++] - 0xDC00);
    }
    return unit;
}

void AppendCodePoint(char32_t character, std::u16string& out) {
    if (character < 0x10000) {
        out.push_back(static_cast<char16_t>(character));
    } else {
        out.push_back(static_cast<char16_t>(0xD800 + ((character - 0x10000) >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + ((character - 0x10000) & 0x3FF)));
    }
}

std::vector<TextWord> WordsOf(std::u16string_view text) {
    std::vector<TextWord> words;
    std::size_t at = 0;
    bool inWord = false;
    while (at < text.size()) {
        const std::size_t begin = at;
        const char32_t character = NextCodePoint(text, at);
        if (!IsWordCharacter(character)) {
            inWord = false;
            continue;
        }
        if (!inWord) words.push_back({begin, 0, {}});
        inWord = true;
        words.back().length = at - words.back().begin;
        words.back().folded.push_back(FoldCharacter(character));
    }
    return words;
}

}  // namespace courseview
