#include "CharacterReferences.h"

#include <algorithm>

#include "AsciiCharacters.h"
#include "HtmlEntities.h"
#include "Words.h"

namespace courseview {

namespace {

// Longer than any name of the set: past it no name can match, and the rest
// of the letters are text.
constexpr std::size_t LongestNameKept = 32;

bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsAsciiAlphanumeric(char16_t c) {
    return IsAsciiDigit(c) || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// What browsers make of 0x80..0x9F in a numeric reference: the windows-1252
// characters of those bytes (0 where windows-1252 has none: kept as is).
constexpr char16_t Windows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

char32_t NumericReferenceCharacter(char32_t value) {
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0xFFFD;
    if (value >= 0x80 && value <= 0x9F && Windows1252High[value - 0x80] != 0) {
        return Windows1252High[value - 0x80];
    }
    return value;
}

char16_t NamedReferenceCharacter(std::u16string_view name) {
    if (name.empty() || name.size() > LongestNameKept) return 0;
    std::string ascii;
    for (char16_t c : name) {
        if (!IsAsciiAlphanumeric(c)) return 0;
        ascii.push_back(static_cast<char>(c));
    }
    const HtmlEntity* end = HtmlEntities + HtmlEntityCount;
    const HtmlEntity* found = std::lower_bound(
        HtmlEntities, end, ascii,
        [](const HtmlEntity& entity, const std::string& key) { return entity.name < key; });
    return found != end && found->name == ascii ? found->character : 0;
}

bool CharacterReference::Take(char16_t c) {
    switch (m_stage) {
        case Stage::Start:
            if (c == u'#') {
                m_stage = Stage::Hash;
            } else if (IsAsciiAlphanumeric(c)) {
                m_stage = Stage::Name;
            } else {
                return false;
            }
            m_taken.push_back(c);
            return true;
        case Stage::Hash:
            if (c == u'x' || c == u'X') {
                m_hex = true;
                m_stage = Stage::HexDigits;
                m_taken.push_back(c);
                return true;
            }
            m_stage = Stage::Digits;
            [[fallthrough]];
        case Stage::Digits:
        case Stage::HexDigits: {
            const int digit = m_hex ? HexDigitValue(c) : (IsAsciiDigit(c) ? c - u'0' : -1);
            const bool anyDigits = m_taken.size() > (m_hex ? 2u : 1u);
            if (digit >= 0) {
                m_value = std::min<char32_t>(m_value * (m_hex ? 16 : 10) + digit, 0x110000);
                // Only whether there were digits matters past the first few.
                if (m_taken.size() < 4) m_taken.push_back(c);
                return true;
            }
            if (c == u';' && anyDigits) {
                m_stage = Stage::Done;
                return true;
            }
            return false;
        }
        case Stage::Name:
            if (IsAsciiAlphanumeric(c) && m_taken.size() < LongestNameKept) {
                m_taken.push_back(c);
                return true;
            }
            if (c == u';' && NamedReferenceCharacter(m_taken) != 0) {
                m_semicolon = true;
                m_stage = Stage::Done;
                return true;
            }
            m_after = c;
            return false;
        case Stage::Done:
            return false;
    }
    return false;
}

void CharacterReference::AppendNamed(std::u16string& out) const {
    if (m_semicolon) {
        out.push_back(NamedReferenceCharacter(m_taken));
        return;
    }
    // The longest start of the letters that is a name browsers take without
    // its ";": those of the set whose characters lie in Latin-1.
    for (std::size_t length = std::min<std::size_t>(m_taken.size(), 8); length > 0; --length) {
        const std::u16string_view name = std::u16string_view(m_taken).substr(0, length);
        const char16_t character = NamedReferenceCharacter(name);
        if (character == 0 || character > 0xFF) continue;
        const char16_t next = length < m_taken.size() ? m_taken[length] : m_after;
        if (m_inAttribute && (next == u'=' || IsAsciiAlphanumeric(next))) break;
        out.push_back(character);
        out.append(m_taken, length);
        return;
    }
    out.push_back(u'&');
    out += m_taken;
}

void CharacterReference::Finish(std::u16string& out) {
    switch (m_stage) {
        case Stage::Start:
            out.push_back(u'&');
            break;
        case Stage::Hash:
            out += u"&#";
            break;
        case Stage::Digits:
        case Stage::HexDigits:
        case Stage::Done:
            if (m_stage == Stage::Done && !m_taken.empty() && m_taken[0] != u'#') {
                AppendNamed(out);
            } else if (m_taken.size() > (m_hex ? 2u : 1u)) {
                AppendCodePoint(NumericReferenceCharacter(m_value), out);
            } else {
                out.push_back(u'&');
                out += m_taken;
            }
            break;
        case Stage::Name:
            AppendNamed(out);
            break;
    }
    *this = CharacterReference(m_inAttribute);
}

}  // namespace courseview
