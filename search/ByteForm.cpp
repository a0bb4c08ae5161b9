#include "ByteForm.h"

#include "Utf.h"
#include "Words.h"

namespace courseview {

namespace {

void AppendUnit(char16_t unit, bool bigEndian, std::string& out) {
    const char low = static_cast<char>(unit & 0xFF);
    const char high = static_cast<char>(unit >> 8);
    out.push_back(bigEndian ? high : low);
    out.push_back(bigEndian ? low : high);
}

unsigned char Byte(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]);
}

}  // namespace

std::vector<std::string> EncodedVariants(const ByteForm& form, char32_t folded) {
    std::vector<std::string> encodings;
    for (char32_t c : CharactersFoldingTo(folded)) {
        std::u16string units;
        AppendCodePoint(c, units);
        switch (form.kind) {
            case ByteForm::Kind::Utf8:
                encodings.push_back(Utf16ToUtf8(units));
                break;
            case ByteForm::Kind::SingleByte:
                for (int byte = 0; byte < 256; ++byte) {
                    if ((*form.table)[byte] == c) encodings.emplace_back(1, char(byte));
                }
                break;
            case ByteForm::Kind::Utf16LittleEndian:
            case ByteForm::Kind::Utf16BigEndian:
                encodings.emplace_back();
                for (char16_t unit : units) {
                    AppendUnit(unit, form.kind == ByteForm::Kind::Utf16BigEndian, encodings.back());
                }
                break;
            case ByteForm::Kind::Other:
                break;
        }
    }
    return encodings;
}

std::size_t DecodeAt(const ByteForm& form, std::string_view bytes, std::size_t at,
                     char32_t& character) {
    const std::size_t left = bytes.size() - at;
    switch (form.kind) {
        case ByteForm::Kind::Utf8: {
            if (left == 0) return 0;
            if (Byte(bytes, at) < 0x80) {
                character = Byte(bytes, at);
                return 1;
            }
            // Exactly as the decoder judges it: a letter read from bytes the
            // decoder would turn into U+FFFD could hide the start of a word.
            std::u16string units;
            const std::size_t length = DecodeOneUtf8Character(bytes.substr(at), units);
            if (length == 0) return 0;
            std::size_t index = 0;
            character = NextCodePoint(units, index);
            return length;
        }
        case ByteForm::Kind::SingleByte:
            if (left == 0) return 0;
            character = (*form.table)[Byte(bytes, at)];
            return 1;
        case ByteForm::Kind::Utf16LittleEndian:
        case ByteForm::Kind::Utf16BigEndian: {
            const bool big = form.kind == ByteForm::Kind::Utf16BigEndian;
            auto unitAt = [&](std::size_t i) -> char16_t {
                return big ? char16_t(Byte(bytes, i) << 8 | Byte(bytes, i + 1))
                           : char16_t(Byte(bytes, i + 1) << 8 | Byte(bytes, i));
            };
            if (left < 2) return 0;
            const char16_t unit = unitAt(at);
            if (unit >= 0xD800 && unit <= 0xDBFF && left >= 4) {
                const char16_t low = unitAt(at + 2);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    character = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (low - 0xDC00);
                    return 4;
                }
            }
            character = unit;
            return 2;
        }
        case ByteForm::Kind::Other:
            break;
    }
    return 0;
}

std::size_t DecodeBefore(const ByteForm& form, std::string_view bytes, std::size_t at,
                         char32_t& character) {
    if (form.kind == ByteForm::Kind::Utf8) {
        std::size_t start = at;
        for (int k = 0; k < 4 && start > 0; ++k) {
            --start;
            if ((Byte(bytes, start) & 0xC0) != 0x80) break;
        }
        if (start == at) return 0;
        return DecodeAt(form, bytes.substr(0, at), start, character) == at - start ? at - start : 0;
    }
    if (UnitBytes(form) == 1) return at == 0 ? 0 : DecodeAt(form, bytes, at - 1, character);
    if (at < 2) return 0;
    if (at >= 4 && DecodeAt(form, bytes.substr(0, at), at - 4, character) == 4) return 4;
    return DecodeAt(form, bytes.substr(0, at), at - 2, character) == 2 ? 2 : 0;
}

}  // namespace courseview
