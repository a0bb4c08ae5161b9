#pragma once
// Places in a page's bytes worth a closer look, found in one pass: each
// trigger is a byte from a small set at the place, and optionally a second
// byte, at a fixed distance from it, from another small set or range. Two
// bytes together ("п" followed by "л", "<" after a letter) occur far less
// often than either alone, so the places visited are few. The bytes are
// judged 32 at a step where the processor has AVX2, 16 with SSE2, one at a
// time elsewhere.

#include <cstddef>
#include <string_view>
#include <vector>

namespace courseview {

struct ByteTrigger {
    std::vector<unsigned char> bytes;   // the byte at the place: one of these
    int otherOffset = 0;                // 0: no second byte asked for
    std::vector<unsigned char> others;  // the byte at place + otherOffset: one of these,
    unsigned char otherLow = 0;         // or, when `others` is empty, within
    unsigned char otherHigh = 255;      // [otherLow, otherHigh]
};

class ByteTriggers {
public:
    // A trigger with more than this many bytes in a set makes the pass go one
    // byte at a time.
    static constexpr std::size_t FastBytes = 4;
    // More triggers than this make it go one byte at a time as well.
    static constexpr std::size_t MaximumFastTriggers = 8;

    void Clear();
    // Returns the trigger's number.
    std::size_t Add(ByteTrigger trigger);

    // Whether trigger `index` fires at `place`; a second byte must lie inside
    // `bytes`.
    bool Fires(std::size_t index, std::string_view bytes, std::size_t place) const;

    // The first place in bytes[from, to) where some trigger fires, or `to`.
    std::size_t Next(std::string_view bytes, std::size_t from, std::size_t to) const;

    // Calls visit(place) for every place in bytes[from, to) where some
    // trigger fires, in order, until it returns false.
    template <typename Visit>
    void ForEach(std::string_view bytes, std::size_t from, std::size_t to, Visit&& visit) const {
        for (std::size_t place = Next(bytes, from, to); place < to;
             place = Next(bytes, place + 1, to)) {
            if (!visit(place)) return;
        }
    }

private:
    std::size_t NextSlowly(std::string_view bytes, std::size_t from, std::size_t to) const;

    std::vector<ByteTrigger> m_triggers;
    bool m_fast = true;
    int m_lowestOffset = 0;
    int m_highestOffset = 0;
};

}  // namespace courseview
