#pragma once
// Character references ("&#1082;", "&#x43A;", "&amp;"), decoded as browsers
// decode them: numeric ones to any character (0, surrogates and values past
// U+10FFFF to U+FFFD, 0x80..0x9F as windows-1252 reads those bytes), named
// ones from HTML 4's set of 252 names (HTMLlat1, HTMLsymbol, HTMLspecial).
// A name needs its ";", except the Latin-1 names and "amp", "lt", "gt" and
// "quot", which browsers also take without one: "&copy2005" is "©2005" and
// "&notit;" is "¬it;". In an attribute value such a name followed by "=" or a
// letter or digit stays as written, so query strings in links survive.
//
// The reader is fed the characters after "&" one at a time, so a reference
// may be cut anywhere between two chunks of text. It keeps at most a few
// dozen characters, however long the digits of a numeric reference run.

#include <cstddef>
#include <string>
#include <string_view>

namespace courseview {

class CharacterReference {
public:
    explicit CharacterReference(bool inAttribute = false) : m_inAttribute(inAttribute) {}

    // Takes the next character. False when the reference ended before it: the
    // character is then not part of it and is read again as text.
    bool Take(char16_t character);

    // True once the reference has taken its ";": nothing more belongs to it.
    bool Done() const { return m_stage == Stage::Done; }

    // Ends the reference (after Take() returned false, or at the end of the
    // text) and appends what the "&" and the characters taken stand for: the
    // decoded character and whatever was taken but is not part of it, or all
    // of it as written when it was no reference.
    void Finish(std::u16string& out);

private:
    enum class Stage { Start, Hash, Digits, HexDigits, Name, Done };

    void AppendNamed(std::u16string& out) const;

    bool m_inAttribute;
    Stage m_stage = Stage::Start;
    bool m_hex = false;
    bool m_semicolon = false;
    char32_t m_value = 0;  // saturates past U+10FFFF
    std::u16string m_taken;
    std::size_t m_nameLength = 0;  // of m_taken, past which no name can match
    char16_t m_after = 0;          // the character that ended a name, 0 at the end
};

// The character a numeric reference stands for, `value` saturated past
// U+10FFFF.
char32_t NumericReferenceCharacter(char32_t value);

// The HTML 4 name `name` (without "&" and ";"), or 0 for none.
char16_t NamedReferenceCharacter(std::u16string_view name);

}  // namespace courseview
