#pragma once
// ASCII rules that file formats and addresses use whatever the text around
// them is: HTML tag names, charset labels, URI schemes and percent escapes.
// For bytes and UTF-16 code units alike; nothing outside ASCII is touched.

namespace courseview {

template <typename Char>
constexpr Char AsciiLower(Char c) {
    return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c + 32) : c;
}

// The value of a hexadecimal digit, or -1.
template <typename Char>
constexpr int HexDigitValue(Char c) {
    if (c >= Char('0') && c <= Char('9')) return c - Char('0');
    if (c >= Char('a') && c <= Char('f')) return c - Char('a') + 10;
    if (c >= Char('A') && c <= Char('F')) return c - Char('A') + 10;
    return -1;
}

}  // namespace courseview
