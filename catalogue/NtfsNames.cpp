#include "NtfsNames.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "NtfsUpCaseTable.h"
#include "Utf.h"

namespace courseview {

namespace {

// The runs expanded into 256 blocks of 256 offsets. Blocks without a single
// letter to map (most of them) share one block of zeros, so the table costs
// a few kilobytes and a look-up is two array reads.
class UpCaseTable {
public:
    UpCaseTable() {
        m_blocks.emplace_back();  // block 0: nothing changes
        m_blockOf.fill(0);
        for (std::size_t r = 0; r < NtfsUpCaseRunCount; ++r) {
            const NtfsUpCaseRun& run = NtfsUpCaseRuns[r];
            for (unsigned unit = run.first; unit <= run.last; unit += run.step) {
                std::uint8_t& block = m_blockOf[unit >> 8];
                if (block == 0) {
                    block = static_cast<std::uint8_t>(m_blocks.size());
                    m_blocks.emplace_back();
                }
                m_blocks[block][unit & 0xFF] = run.offset;
            }
        }
    }

    char16_t UpCase(char16_t unit) const {
        return static_cast<char16_t>(unit + m_blocks[m_blockOf[unit >> 8]][unit & 0xFF]);
    }

private:
    using Block = std::array<std::uint16_t, 256>;
    std::array<std::uint8_t, 256> m_blockOf;
    std::vector<Block> m_blocks{};
};

const UpCaseTable& Table() {
    static const UpCaseTable table;
    return table;
}

char16_t AsciiUpCase(unsigned char byte) {
    return static_cast<char16_t>(byte >= 'a' && byte <= 'z' ? byte - 32 : byte);
}

// Compares the ASCII heads of two names without decoding; their keys agree
// unit for unit as long as both stay ASCII. Returns where the first
// non-ASCII byte stands in either name, or npos when the keys already differ
// (`order` then holds the result) or both names ended.
std::size_t CompareAsciiHeads(std::string_view a, std::string_view b, int& order) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto byteA = static_cast<unsigned char>(a[i]);
        const auto byteB = static_cast<unsigned char>(b[i]);
        if (byteA >= 0x80 || byteB >= 0x80) return i;
        const char16_t keyA = AsciiUpCase(byteA);
        const char16_t keyB = AsciiUpCase(byteB);
        if (keyA != keyB) {
            order = keyA < keyB ? -1 : 1;
            return std::string_view::npos;
        }
    }
    // One name is a prefix of the other's key: the shorter key sorts first.
    order = a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
    return std::string_view::npos;
}

// -1, 0 or 1 as the keys of `a` and `b` compare.
int CompareKeys(std::string_view a, std::string_view b) {
    int order = 0;
    const std::size_t split = CompareAsciiHeads(a, b, order);
    if (split == std::string_view::npos) return order;
    // The heads before `split` are equal ASCII, so the keys of the rests
    // decide; a UTF-8 sequence never starts inside ASCII, so decoding the rest
    // alone gives the same units.
    const std::u16string keyA = NtfsNameKey(a.substr(split));
    const std::u16string keyB = NtfsNameKey(b.substr(split));
    return keyA.compare(keyB) < 0 ? -1 : (keyA == keyB ? 0 : 1);
}

}  // namespace

char16_t NtfsUpCase(char16_t unit) {
    if (unit < 0x80) return AsciiUpCase(static_cast<unsigned char>(unit));
    return Table().UpCase(unit);
}

std::u16string NtfsNameKey(std::string_view name) {
    std::u16string key;
    key.reserve(name.size());
    DecodeUtf8Prefix(name, true, key);
    for (char16_t& unit : key) unit = NtfsUpCase(unit);
    return key;
}

bool NtfsNameLess(std::string_view a, std::string_view b) {
    const int order = CompareKeys(a, b);
    return order != 0 ? order < 0 : a < b;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) { return CompareKeys(a, b) == 0; }

}  // namespace courseview
