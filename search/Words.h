#pragma once
// Words as the search sees them. A word is a maximal run of letters and
// decimal digits (Unicode's general categories L* and Nd); marks, other
// numbers, punctuation and everything else end it. Words are compared
// folded: Unicode's simple case folding, one character to one (so "ß" stays
// "ß" and does not become "ss"), and then "ё" as "е", which Russian text
// writes either way.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace courseview {

bool IsWordCharacter(char32_t character);

char32_t FoldCharacter(char32_t character);

// Every character that folds to `folded`, `folded` itself among them when it
// folds to itself: what a text may hold where a folded word has `folded`.
std::u32string CharactersFoldingTo(char32_t folded);

// The code point that starts at `text[at]`; `at` moves past it. A lone
// surrogate stands for itself (and is no word character).
char32_t NextCodePoint(std::u16string_view text, std::size_t& at);

inline std::size_t UnitsOf(char32_t character) { return character >= 0x10000 ? 2 : 1; }

// Appends the character as one UTF-16 unit, or two past U+FFFF.
void AppendCodePoint(char32_t character, std::u16string& out);

struct TextWord {
    std::size_t begin = 0;  // in UTF-16 units
    std::size_t length = 0;
    std::u32string folded;
};

// The words of `text`, in order, repeats included.
std::vector<TextWord> WordsOf(std::u16string_view text);

}  // namespace courseview
