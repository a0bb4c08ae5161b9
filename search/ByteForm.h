#pragma once
// How a page's characters lie in its bytes, as far as a look at the raw
// bytes can use it: UTF-8, a code page of one byte a character, UTF-16 in
// either byte order; Other (multi-byte code pages) for everything else.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace courseview {

struct ByteForm {
    enum class Kind { Utf8, SingleByte, Utf16LittleEndian, Utf16BigEndian, Other };
    Kind kind = Kind::Other;
    const std::array<char16_t, 256>* table = nullptr;  // SingleByte: each byte's character
};

inline std::size_t UnitBytes(const ByteForm& form) {
    return form.kind == ByteForm::Kind::Utf16LittleEndian ||
                   form.kind == ByteForm::Kind::Utf16BigEndian
               ? 2
               : 1;
}

// The bytes of every character that folds to `folded` (Words.h), each
// character as many ways as the form writes it; none it cannot write.
std::vector<std::string> EncodedVariants(const ByteForm& form, char32_t folded);

// The character that starts at `at`, or ends there, as the page's decoder
// reads it; returns its length in bytes, 0 when no character lies there
// whole. Bytes the decoder reads as U+FFFD never come out as a letter.
std::size_t DecodeAt(const ByteForm& form, std::string_view bytes, std::size_t at,
                     char32_t& character);
std::size_t DecodeBefore(const ByteForm& form, std::string_view bytes, std::size_t at,
                         char32_t& character);

}  // namespace courseview
