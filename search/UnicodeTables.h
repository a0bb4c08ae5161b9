#pragma once
// The Unicode data the search's words are made of, generated into
// UnicodeTables.cpp by tools-dev/make-search-tables.sh; Words.h reads it.

#include <cstddef>
#include <cstdint>

namespace courseview {

struct CodePointRange {
    char32_t first;
    char32_t last;
};

// Letters (Lu, Ll, Lt, Lm, Lo) and decimal digits (Nd), in ascending order.
extern const CodePointRange WordCharacterRanges[];
extern const std::size_t WordCharacterRangeCount;

struct CaseFoldingRun {
    char32_t first;
    char32_t last;
    std::int32_t offset;  // what folding adds to each code point of the run
    std::uint32_t step;   // 1: every code point of the range; 2: every second one
};

// Simple case folding, in ascending order of `first`.
extern const CaseFoldingRun CaseFoldingRuns[];
extern const std::size_t CaseFoldingRunCount;
// How many code points the runs fold, for checking that they expand right.
extern const std::size_t CaseFoldingPairCount;

}  // namespace courseview
