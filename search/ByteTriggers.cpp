#include "ByteTriggers.h"

#include <algorithm>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define COURSEVIEW_X86 1
#endif

namespace courseview {

void ByteTriggers::Clear() {
    m_triggers.clear();
    m_fast = true;
    m_lowestOffset = 0;
    m_highestOffset = 0;
}

std::size_t ByteTriggers::Add(ByteTrigger trigger) {
    if (trigger.bytes.empty() || trigger.bytes.size() > FastBytes ||
        trigger.others.size() > FastBytes) {
        m_fast = false;
    }
    m_lowestOffset = std::min(m_lowestOffset, trigger.otherOffset);
    m_highestOffset = std::max(m_highestOffset, trigger.otherOffset);
    m_triggers.push_back(std::move(trigger));
    return m_triggers.size() - 1;
}

bool ByteTriggers::Fires(std::size_t index, std::string_view bytes, std::size_t place) const {
    const ByteTrigger& trigger = m_triggers[index];
    const auto byte = static_cast<unsigned char>(bytes[place]);
    if (std::find(trigger.bytes.begin(), trigger.bytes.end(), byte) == trigger.bytes.end()) {
        return false;
    }
    if (trigger.otherOffset == 0) return true;
    const auto other = static_cast<std::ptrdiff_t>(place) + trigger.otherOffset;
    if (other < 0 || other >= static_cast<std::ptrdiff_t>(bytes.size())) return false;
    const auto otherByte = static_cast<unsigned char>(bytes[static_cast<std::size_t>(other)]);
    if (!trigger.others.empty()) {
        return std::find(trigger.others.begin(), trigger.others.end(), otherByte) !=
               trigger.others.end();
    }
    return otherByte >= trigger.otherLow && otherByte <= trigger.otherHigh;
}

std::size_t ByteTriggers::NextSlowly(std::string_view bytes, std::size_t from,
                                     std::size_t to) const {
    for (std::size_t at = from; at < to; ++at) {
        for (std::size_t k = 0; k < m_triggers.size(); ++k) {
            if (Fires(k, bytes, at)) return at;
        }
    }
    return to;
}

#if defined(COURSEVIEW_X86)

namespace {

// The blocks are judged without branches on the data: which of them hold a
// trigger is anybody's guess, and a wrong guess costs more than the few
// instructions saved. Written out twice, for SSE2 and for AVX2 (which only
// a function of its own may use); each returns the first place from `from`
// on where a trigger fires, looking at whole blocks that start before
// `blocksEnd`, or SIZE_MAX with `scanned` set to where the blocks ended.

std::size_t NextSse2(const std::vector<ByteTrigger>& triggers, std::string_view bytes,
                     std::size_t from, std::size_t blocksEnd, std::size_t& scanned) {
    // The triggers in registers' shape, once: no sizes to load in the loop.
    struct Wide {
        __m128i bytes[ByteTriggers::FastBytes];
        __m128i others[ByteTriggers::FastBytes];
        __m128i low, high;
        std::size_t byteCount, otherCount;
        std::ptrdiff_t offset;
        bool range;
    };
    Wide wide[ByteTriggers::MaximumFastTriggers];
    const std::size_t count = triggers.size();
    for (std::size_t t = 0; t < count; ++t) {
        const ByteTrigger& trigger = triggers[t];
        Wide& w = wide[t];
        w.byteCount = trigger.bytes.size();
        w.otherCount = trigger.others.size();
        for (std::size_t k = 0; k < w.byteCount; ++k)
            w.bytes[k] = _mm_set1_epi8(char(trigger.bytes[k]));
        for (std::size_t k = 0; k < w.otherCount; ++k)
            w.others[k] = _mm_set1_epi8(char(trigger.others[k]));
        w.low = _mm_set1_epi8(char(trigger.otherLow));
        w.high = _mm_set1_epi8(char(trigger.otherHigh));
        w.offset = trigger.otherOffset;
        w.range = trigger.otherOffset != 0 && trigger.others.empty();
    }
    const char* data = bytes.data();
    for (std::size_t block = from; block < blocksEnd; block += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + block));
        __m128i any = _mm_setzero_si128();
        for (std::size_t t = 0; t < count; ++t) {
            const Wide& w = wide[t];
            __m128i hits = _mm_cmpeq_epi8(chunk, w.bytes[0]);
            for (std::size_t k = 1; k < w.byteCount; ++k)
                hits = _mm_or_si128(hits, _mm_cmpeq_epi8(chunk, w.bytes[k]));
            if (w.offset != 0) {
                const __m128i other =
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + block + w.offset));
                __m128i fits;
                if (w.range) {
                    fits = _mm_cmpeq_epi8(_mm_max_epu8(_mm_min_epu8(other, w.high), w.low), other);
                } else {
                    fits = _mm_cmpeq_epi8(other, w.others[0]);
                    for (std::size_t k = 1; k < w.otherCount; ++k) {
                        fits = _mm_or_si128(fits, _mm_cmpeq_epi8(other, w.others[k]));
                    }
                }
                hits = _mm_and_si128(hits, fits);
            }
            any = _mm_or_si128(any, hits);
        }
        if (const auto mask = static_cast<unsigned>(_mm_movemask_epi8(any)); mask != 0) {
            return block + static_cast<std::size_t>(__builtin_ctz(mask));
        }
        scanned = block + 16;
    }
    return SIZE_MAX;
}

__attribute__((target("avx2"))) std::size_t NextAvx2(const std::vector<ByteTrigger>& triggers,
                                                     std::string_view bytes, std::size_t from,
                                                     std::size_t blocksEnd, std::size_t& scanned) {
    // The triggers in registers' shape, once: no sizes to load in the loop.
    struct Wide {
        __m256i bytes[ByteTriggers::FastBytes];
        __m256i others[ByteTriggers::FastBytes];
        __m256i low, high;
        std::size_t byteCount, otherCount;
        std::ptrdiff_t offset;
        bool range;
    };
    Wide wide[ByteTriggers::MaximumFastTriggers];
    const std::size_t count = triggers.size();
    for (std::size_t t = 0; t < count; ++t) {
        const ByteTrigger& trigger = triggers[t];
        Wide& w = wide[t];
        w.byteCount = trigger.bytes.size();
        w.otherCount = trigger.others.size();
        for (std::size_t k = 0; k < w.byteCount; ++k)
            w.bytes[k] = _mm256_set1_epi8(char(trigger.bytes[k]));
        for (std::size_t k = 0; k < w.otherCount; ++k)
            w.others[k] = _mm256_set1_epi8(char(trigger.others[k]));
        w.low = _mm256_set1_epi8(char(trigger.otherLow));
        w.high = _mm256_set1_epi8(char(trigger.otherHigh));
        w.offset = trigger.otherOffset;
        w.range = trigger.otherOffset != 0 && trigger.others.empty();
    }
    const char* data = bytes.data();
    for (std::size_t block = from; block < blocksEnd; block += 32) {
        const __m256i chunk = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + block));
        __m256i any = _mm256_setzero_si256();
        for (std::size_t t = 0; t < count; ++t) {
            const Wide& w = wide[t];
            __m256i hits = _mm256_cmpeq_epi8(chunk, w.bytes[0]);
            for (std::size_t k = 1; k < w.byteCount; ++k)
                hits = _mm256_or_si256(hits, _mm256_cmpeq_epi8(chunk, w.bytes[k]));
            if (w.offset != 0) {
                const __m256i other =
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + block + w.offset));
                __m256i fits;
                if (w.range) {
                    fits = _mm256_cmpeq_epi8(_mm256_max_epu8(_mm256_min_epu8(other, w.high), w.low),
                                             other);
                } else {
                    fits = _mm256_cmpeq_epi8(other, w.others[0]);
                    for (std::size_t k = 1; k < w.otherCount; ++k) {
                        fits = _mm256_or_si256(fits, _mm256_cmpeq_epi8(other, w.others[k]));
                    }
                }
                hits = _mm256_and_si256(hits, fits);
            }
            any = _mm256_or_si256(any, hits);
        }
        if (const auto mask = static_cast<unsigned>(_mm256_movemask_epi8(any)); mask != 0) {
            return block + static_cast<std::size_t>(__builtin_ctz(mask));
        }
        scanned = block + 32;
    }
    return SIZE_MAX;
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

}  // namespace

#endif

std::size_t ByteTriggers::Next(std::string_view bytes, std::size_t from, std::size_t to) const {
    if (m_triggers.empty() || from >= to) return to;
#if defined(COURSEVIEW_X86)
    if (m_fast && m_triggers.size() <= MaximumFastTriggers) {
        // Whole blocks go from where every second byte lies inside `bytes`
        // up to where a block and its second bytes still do; a block may
        // reach past `to` (not past `bytes`), and a place it finds there
        // counts as none.
        const auto first = static_cast<std::size_t>(-m_lowestOffset);
        if (from < first) {
            const std::size_t place = NextSlowly(bytes, from, std::min(first, to));
            if (place < std::min(first, to)) return place;
            from = std::min(first, to);
        }
        const bool avx2 = HasAvx2();
        const std::size_t reach = (avx2 ? 32 : 16) + static_cast<std::size_t>(m_highestOffset);
        const std::size_t blocksEnd =
            bytes.size() >= reach ? std::min(to, bytes.size() - reach + 1) : 0;
        if (from < blocksEnd) {
            std::size_t scanned = from;
            const std::size_t place = avx2 ? NextAvx2(m_triggers, bytes, from, blocksEnd, scanned)
                                           : NextSse2(m_triggers, bytes, from, blocksEnd, scanned);
            if (place != SIZE_MAX) return std::min(place, to);
            from = scanned;
        }
    }
#endif
    return NextSlowly(bytes, from, to);
}

}  // namespace courseview
