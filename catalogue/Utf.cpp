#include "Utf.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace courseview {

namespace {

// Length of the sequence a lead byte announces, or 0 for a byte that cannot
// start one.
int SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// The second byte's range depends on the lead byte: this rules out overlong
// forms, encoded surrogates and code points past U+10FFFF.
bool SecondByteFits(unsigned char lead, unsigned char second) {
    switch (lead) {
        case 0xE0:
            return second >= 0xA0 && second <= 0xBF;
        case 0xED:
            return second >= 0x80 && second <= 0x9F;
        case 0xF0:
            return second >= 0x90 && second <= 0xBF;
        case 0xF4:
            return second >= 0x80 && second <= 0x8F;
        default:
            return second >= 0x80 && second <= 0xBF;
    }
}

// A well-formed two-byte character (Cyrillic, Greek, accented Latin) at `i`:
// the common case, taken the short way.
bool IsTwoByteCharacterAt(const unsigned char* data, std::size_t size, std::size_t i) {
    return data[i] >= 0xC2 && data[i] <= 0xDF && i + 1 < size && (data[i + 1] & 0xC0) == 0x80;
}

// How many of the `length` bytes a lead byte announces really belong to its
// sequence, the lead included; fewer when a byte does not fit or `size` ends.
int BytesInSequence(const unsigned char* sequence, std::size_t size, int length) {
    int valid = 1;
    while (valid < length && static_cast<std::size_t>(valid) < size) {
        const unsigned char next = sequence[valid];
        const bool fits = valid == 1 ? SecondByteFits(sequence[0], next) : (next & 0xC0) == 0x80;
        if (!fits) break;
        ++valid;
    }
    return valid;
}

// Writes the code point's UTF-8 at `to`; returns the end of what it wrote.
char* WriteUtf8(char32_t codePoint, char* to) {
    if (codePoint < 0x80) {
        *to++ = static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        *to++ = static_cast<char>(0xC0 | (codePoint >> 6));
        *to++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        *to++ = static_cast<char>(0xE0 | (codePoint >> 12));
        *to++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        *to++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        *to++ = static_cast<char>(0xF0 | (codePoint >> 18));
        *to++ = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        *to++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        *to++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    }
    return to;
}

#if defined(__x86_64__) && defined(__GNUC__)
// The sixteen-byte judgement below, thirty-two bytes at a time, for the
// processors that can; returns where it stopped, a character boundary.
__attribute__((target("avx2"))) std::size_t SkipWideBlocks(const unsigned char* data,
                                                           std::size_t size, std::size_t i) {
    const __m256i lowNibbleBits = _mm256_set1_epi8(0x1E);
    const __m256i zero = _mm256_setzero_si256();
    std::uint64_t leadBefore = 0;
    std::size_t boundary = i;
    while (i + 32 <= size) {
        const __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i));
        const auto bit7 = static_cast<std::uint32_t>(_mm256_movemask_epi8(block));
        if (bit7 == 0 && leadBefore == 0) {
            i += 32;
            boundary = i;
            continue;
        }
        const auto bit6 =
            static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_slli_epi16(block, 1)));
        const auto bit5 =
            static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_slli_epi16(block, 2)));
        const auto noBits4To1 = static_cast<std::uint32_t>(
            _mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_and_si256(block, lowNibbleBits), zero)));
        const std::uint32_t continuation = bit7 & ~bit6;
        const std::uint32_t lead = bit7 & bit6 & ~bit5;
        if ((bit7 & bit6 & bit5) != 0) break;
        if ((lead & noBits4To1) != 0) break;
        if (continuation != static_cast<std::uint32_t>((std::uint64_t{lead} << 1) | leadBefore))
            break;
        leadBefore = lead >> 31;
        i += 32;
        if (leadBefore == 0) boundary = i;
    }
    return boundary;
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

// Pages are ASCII and two-byte characters (Cyrillic, Greek, accented Latin)
// nearly all through: such text is judged eight bytes at a time. Returns
// where the run of well-formed characters of those kinds, read so, ends (a
// character boundary at or after `i`); the rest is for the careful way.
std::size_t SkipAsciiAndTwoByteCharacters(const unsigned char* data, std::size_t size,
                                          std::size_t i) {
#if defined(__x86_64__) && defined(__GNUC__)
    if (size - i >= 64 && HasAvx2()) i = SkipWideBlocks(data, size, i);
#endif
#if defined(__SSE2__)
    // The same judgement sixteen bytes at a time, one bit per byte.
    {
        const __m128i lowNibbleBits = _mm_set1_epi8(0x1E);
        const __m128i zero = _mm_setzero_si128();
        unsigned leadBefore = 0;  // 1 when the block before ended with a lead byte
        std::size_t boundary = i;
        while (i + 16 <= size) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
            const unsigned bit7 = static_cast<unsigned>(_mm_movemask_epi8(block));
            if (bit7 == 0 && leadBefore == 0) {  // all ASCII
                i += 16;
                boundary = i;
                continue;
            }
            const unsigned bit6 =
                static_cast<unsigned>(_mm_movemask_epi8(_mm_slli_epi16(block, 1)));
            const unsigned bit5 =
                static_cast<unsigned>(_mm_movemask_epi8(_mm_slli_epi16(block, 2)));
            const unsigned noBits4To1 = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(block, lowNibbleBits), zero)));
            const unsigned continuation = bit7 & ~bit6;
            const unsigned lead = bit7 & bit6 & ~bit5;
            if ((bit7 & bit6 & bit5) != 0) break;
            if ((lead & noBits4To1) != 0) break;
            if (continuation != (((lead << 1) | leadBefore) & 0xFFFF)) break;
            leadBefore = lead >> 15;
            i += 16;
            if (leadBefore == 0) boundary = i;
        }
        // The words below start at a character boundary.
        i = boundary;
    }
#endif
    constexpr std::uint64_t High = 0x8080808080808080ull;
    constexpr std::uint64_t LowNibbleBits = 0x1E1E1E1E1E1E1E1Eull;
    constexpr std::uint64_t Carry = 0x7E7E7E7E7E7E7E7Eull;
    std::size_t boundary = i;
    std::uint64_t leadBefore = 0;  // 0x80 when the word before ended with a lead byte
    while (i + 8 <= size) {
        std::uint64_t word;
        std::memcpy(&word, data + i, 8);
        // Bit 7 of each byte says: set bit 7, bit 6 and bit 5 of that byte.
        const std::uint64_t bit7 = word & High;
        const std::uint64_t bit6 = (word << 1) & High;
        const std::uint64_t bit5 = (word << 2) & High;
        const std::uint64_t continuation = bit7 & ~bit6;  // 10xxxxxx
        const std::uint64_t lead = bit7 & bit6 & ~bit5;   // 110xxxxx
        if ((bit7 & bit6 & bit5) != 0) break;             // a longer character
        // C0 and C1 lead overlong forms: none of bits 4 to 1 set.
        const std::uint64_t anyOfBits4To1 = ((word & LowNibbleBits) + Carry) & High;
        if ((lead & ~anyOfBits4To1) != 0) break;
        // Every continuation byte follows a lead byte, every lead byte is
        // followed by one (the first byte's lead may be in the word before).
        if (continuation != ((lead << 8) | leadBefore)) break;
        leadBefore = lead >> 56;
        i += 8;
        if (leadBefore == 0) boundary = i;
    }
    return boundary;
}

// The character at `i` as decoding judges it: well-formed, with its length
// and code point; one malformed sequence, with its length (a truncated
// sequence counts as one); or cut by the end of bytes that go on elsewhere.
struct Utf8Character {
    enum class Kind { WellFormed, Malformed, Cut };
    Kind kind;
    std::size_t length;
    char32_t codePoint;
};

inline Utf8Character CharacterAt(const unsigned char* data, std::size_t size, std::size_t i,
                                 bool atEnd) {
    using Kind = Utf8Character::Kind;
    const unsigned char lead = data[i];
    if (lead < 0x80) return {Kind::WellFormed, 1, lead};
    if (IsTwoByteCharacterAt(data, size, i)) {
        return {Kind::WellFormed, 2,
                static_cast<char32_t>((lead & 0x1F) << 6 | (data[i + 1] & 0x3F))};
    }
    const int length = SequenceLength(lead);
    if (length == 0) return {Kind::Malformed, 1, 0};
    const int valid = BytesInSequence(data + i, size - i, length);
    if (valid == length) {
        char32_t codePoint = lead & (0xFF >> (length + 1));
        for (int k = 1; k < length; ++k) codePoint = (codePoint << 6) | (data[i + k] & 0x3F);
        return {Kind::WellFormed, static_cast<std::size_t>(length), codePoint};
    }
    if (i + valid == size && !atEnd) return {Kind::Cut, 0, 0};
    return {Kind::Malformed, static_cast<std::size_t>(valid), 0};
}

}  // namespace

// Both conversions write a block at a time into a buffer of their own, with
// room for the worst case, and append it: no check per unit, and nothing
// made in `out` that is not used.
constexpr std::size_t BlockUnits = 1024;

std::size_t DecodeUtf8Prefix(std::string_view bytes, bool atEnd, std::u16string& out) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    std::size_t i = 0;
    while (i < size) {
        // A byte gives at most one unit, a four-byte character two.
        const std::size_t blockEnd = i + std::min(BlockUnits, size - i);
        char16_t block[BlockUnits + 1];
        char16_t* const begin = block;
        char16_t* to = begin;
        bool waits = false;
        while (i < blockEnd) {
            // The common characters first, without a call.
            if (data[i] < 0x80) {
                *to++ = data[i++];
                continue;
            }
            if (IsTwoByteCharacterAt(data, size, i)) {
                *to++ = static_cast<char16_t>((data[i] & 0x1F) << 6 | (data[i + 1] & 0x3F));
                i += 2;
                continue;
            }
            // A character may reach past the block: it is read whole.
            const Utf8Character character = CharacterAt(data, size, i, atEnd);
            if (character.kind == Utf8Character::Kind::Cut) {
                waits = true;  // the rest of this character is in the next chunk
                break;
            }
            const char32_t codePoint = character.kind == Utf8Character::Kind::Malformed
                                           ? ReplacementCharacter
                                           : character.codePoint;
            if (codePoint < 0x10000) {
                *to++ = static_cast<char16_t>(codePoint);
            } else {
                *to++ = static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10));
                *to++ = static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
            }
            i += character.length;
        }
        out.append(begin, static_cast<std::size_t>(to - begin));
        if (waits) break;
    }
    return i;
}

std::size_t EncodeUtf8Prefix(std::u16string_view text, bool atEnd, std::string& out) {
    std::size_t i = 0;
    while (i < text.size()) {
        // A unit gives at most three bytes, a surrogate pair four.
        const std::size_t blockEnd = i + std::min(BlockUnits, text.size() - i);
        char block[3 * BlockUnits + 1];
        char* const begin = block;
        char* to = begin;
        bool waits = false;
        while (i < blockEnd) {
            const char16_t unit = text[i];
            char32_t codePoint = unit;
            if (unit < 0x80) {
                *to++ = static_cast<char>(unit);
                ++i;
                continue;
            }
            if (unit < 0x800) {
                *to++ = static_cast<char>(0xC0 | (unit >> 6));
                *to++ = static_cast<char>(0x80 | (unit & 0x3F));
                ++i;
                continue;
            }
            if (unit >= 0xD800 && unit <= 0xDBFF) {
                if (i + 1 == text.size() && !atEnd) {
                    waits = true;
                    break;
                }
                if (i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                    codePoint =
                        0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
                    ++i;
                } else {
                    codePoint = ReplacementCharacter;
                }
            } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
                codePoint = ReplacementCharacter;
            }
            ++i;
            to = WriteUtf8(codePoint, to);
        }
        out.append(begin, static_cast<std::size_t>(to - begin));
        if (waits) break;
    }
    return i;
}

std::size_t DecodeOneUtf8Character(std::string_view bytes, std::u16string& out) {
    if (bytes.empty()) return 0;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const int length = SequenceLength(data[0]);
    if (length == 0 || bytes.size() < static_cast<std::size_t>(length)) return 0;
    // Every byte of the window must belong to this one character: a bad lead
    // followed by ASCII would otherwise pass as U+FFFD plus that ASCII.
    for (int k = 1; k < length; ++k) {
        const bool fits = k == 1 ? SecondByteFits(data[0], data[1]) : (data[k] & 0xC0) == 0x80;
        if (!fits) return 0;
    }
    DecodeUtf8Prefix(bytes.substr(0, length), true, out);
    return static_cast<std::size_t>(length);
}

Utf8Run NextUtf8Run(std::string_view bytes, bool atEnd) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    std::size_t i = 0;
    while (i < size) {
        if (size - i >= 8) {
            i = SkipAsciiAndTwoByteCharacters(data, size, i);
            if (i == size) break;
        }
        // The same judgement as DecodeUtf8Prefix, byte for byte.
        const Utf8Character character = CharacterAt(data, size, i, atEnd);
        if (character.kind == Utf8Character::Kind::Cut) return {i, 0};
        if (character.kind == Utf8Character::Kind::Malformed) return {i, character.length};
        i += character.length;
    }
    return {i, 0};
}

bool IsWellFormedUtf8(std::string_view bytes) {
    return NextUtf8Run(bytes, true).wellFormed == bytes.size();
}

void AppendWithoutLoneSurrogates(std::u16string_view text, std::u16string& out) {
    const std::size_t start = out.size();
    out.append(text);
    for (std::size_t i = start; i < out.size(); ++i) {
        const char16_t unit = out[i];
        if (unit < 0xD800 || unit > 0xDFFF) continue;
        if (unit <= 0xDBFF && i + 1 < out.size() && out[i + 1] >= 0xDC00 && out[i + 1] <= 0xDFFF) {
            ++i;  // a pair
        } else {
            out[i] = ReplacementCharacter;
        }
    }
}

std::u16string Utf8ToUtf16(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    DecodeUtf8Prefix(bytes, true, out);
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    EncodeUtf8Prefix(text, true, out);
    return out;
}

}  // namespace courseview
