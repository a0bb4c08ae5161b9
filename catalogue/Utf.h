#pragma once
// UTF-8 and UTF-16 conversions that never fail: a malformed byte becomes
// U+FFFD, and so does a lone surrogate on its way to UTF-8.

#include <cstddef>
#include <string>
#include <string_view>

namespace courseview {

inline constexpr char16_t ReplacementCharacter = u'\uFFFD';

// Decodes as much of `bytes` as forms whole characters and returns how many
// bytes it used. An incomplete sequence at the end stays unconsumed so the
// next chunk can finish it, unless `atEnd` says no more bytes will come.
std::size_t DecodeUtf8Prefix(std::string_view bytes, bool atEnd, std::u16string& out);

// Encodes `text` as UTF-8 and returns how many code units it used; a high
// surrogate at the very end waits for the next chunk unless `atEnd`.
std::size_t EncodeUtf8Prefix(std::u16string_view text, bool atEnd, std::string& out);

// The well-formed UTF-8 character at the start of `bytes` as UTF-16 in `out`;
// returns its length in bytes, or 0 when the bytes there are malformed.
std::size_t DecodeOneUtf8Character(std::string_view bytes, std::u16string& out);

// Decoding UTF-8 and encoding the result back changes only malformed
// sequences, each into U+FFFD. This describes the start of `bytes` for a
// reader that wants that round trip without doing it: a run of well-formed
// characters, then the length of the one malformed sequence after it. Both
// stay short of `bytes` when an incomplete character ends them and more bytes
// may follow (`atEnd` false); that character waits for the next chunk.
struct Utf8Run {
    std::size_t wellFormed = 0;
    std::size_t malformed = 0;
};
Utf8Run NextUtf8Run(std::string_view bytes, bool atEnd);

// Whether all of `bytes` is well-formed UTF-8.
bool IsWellFormedUtf8(std::string_view bytes);

// Appends `text` with each lone surrogate as U+FFFD: what a trip through
// UTF-8 and back gives, without the trip.
void AppendWithoutLoneSurrogates(std::u16string_view text, std::u16string& out);

std::u16string Utf8ToUtf16(std::string_view bytes);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace courseview
