#pragma once
// A general-purpose tokenizer: an 8-bit text is cut into tokens at the bytes
// of a separator set.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "CodePage.h"

namespace courseview {

// A set of byte codes 0..255, held as 256 bits.
class TSpliters {
public:
    // Adds the code of every byte of `chars`.
    void AddChars(std::string_view chars);
    bool Contains(unsigned char code) const;
    // True when none of the codes 1..255 is in the set: code 0 is not looked at.
    bool IsEmpty() const;

private:
    std::array<std::uint8_t, 32> m_bits{};
};

class TSimpleParser {
public:
    // Tokens are turned back into UTF-16 through `codePage`.
    explicit TSimpleParser(const CodePage& codePage = SystemCodePage()) : m_codePage(codePage) {}

    TSpliters Separators;
    std::vector<std::u16string> Tokens;

    // Fills Tokens with every maximal run of non-separator bytes of `text`, in
    // order, and returns their number. With an empty separator set it returns
    // at once and leaves Tokens as they were.
    int Parse(std::string_view text);

private:
    const CodePage& m_codePage;
};

}  // namespace courseview
