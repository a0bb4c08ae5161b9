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

// The key of a name unit by unit, decoded a few bytes at a time so that a
// comparison, which mostly ends within the first units, allocates nothing.
class KeyUnits {
public:
    explicit KeyUnits(std::string_view name) : m_rest(name) {}

    // The next unit of the key, or false at its end.
    bool Next(char16_t& unit) {
        if (m_next == m_decoded.size()) {
            if (m_rest.empty()) return false;
            m_decoded.clear();
            m_next = 0;
            // Six bytes hold at least one whole character, so every chunk
            // makes progress; their units fit the string's own small buffer.
            const std::string_view chunk = m_rest.substr(0, 6);
            m_rest.remove_prefix(DecodeUtf8Prefix(chunk, chunk.size() == m_rest.size(), m_decoded));
        }
        unit = m_table.UpCase(m_decoded[m_next++]);
        return true;
    }

private:
    const UpCaseTable& m_table = Table();
    std::string_view m_rest;
    std::u16string m_decoded;
    std::size_t m_next = 0;
};

// -1, 0 or 1 as the keys of `a` and `b` compare.
int CompareKeys(std::string_view a, std::string_view b) {
    KeyUnits keyA(a), keyB(b);
    for (;;) {
        char16_t unitA = 0, unitB = 0;
        const bool moreA = keyA.Next(unitA), moreB = keyB.Next(unitB);
        if (!moreA || !moreB) return moreA == moreB ? 0 : (moreA ? 1 : -1);
        if (unitA != unitB) return unitA < unitB ? -1 : 1;
    }
}

}  // namespace

char16_t NtfsUpCase(char16_t unit) { return Table().UpCase(unit); }

std::u16string NtfsNameKey(std::string_view name) {
    std::u16string key;
    key.reserve(name.size());
    DecodeUtf8Prefix(name, true, key);
    const UpCaseTable& table = Table();
    for (char16_t& unit : key) unit = table.UpCase(unit);
    return key;
}

void AppendNtfsKey(std::u16string_view decodedName, std::u16string& key) {
    const UpCaseTable& table = Table();
    const std::size_t start = key.size();
    key.resize(start + decodedName.size());
    char16_t* to = key.data() + start;
    for (const char16_t unit : decodedName) *to++ = table.UpCase(unit);
}

bool NtfsNameLess(std::string_view a, std::string_view b) {
    const int order = CompareKeys(a, b);
    return order != 0 ? order < 0 : a < b;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) { return CompareKeys(a, b) == 0; }

}  // namespace courseview
