#include "ParsingSelfMaking.h"

namespace courseview {

void TSpliters::AddChars(std::string_view chars) {
    for (unsigned char code : chars)
        m_bits[code >> 3] |= static_cast<std::uint8_t>(1u << (code & 7));
}

bool TSpliters::Contains(unsigned char code) const {
    return (m_bits[code >> 3] >> (code & 7)) & 1u;
}

bool TSpliters::IsEmpty() const {
    // The first byte also holds code 0, which does not count.
    if ((m_bits[0] & 0xFE) != 0) return false;
    for (std::size_t i = 1; i < m_bits.size(); ++i) {
        if (m_bits[i] != 0) return false;
    }
    return true;
}

int TSimpleParser::Parse(std::string_view text) {
    // Nobody uses the result of a parse without separators: leave the tokens.
    if (Separators.IsEmpty()) return 0;
    Tokens.clear();
    std::size_t start = 0;
    bool inToken = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool separator = Separators.Contains(static_cast<unsigned char>(text[i]));
        if (separator && inToken) {
            Tokens.push_back(m_codePage.ToUtf16(text.substr(start, i - start)));
            inToken = false;
        } else if (!separator && !inToken) {
            start = i;
            inToken = true;
        }
    }
    if (inToken) Tokens.push_back(m_codePage.ToUtf16(text.substr(start)));
    return static_cast<int>(Tokens.size());
}

}  // namespace courseview
