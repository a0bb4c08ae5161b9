#pragma once
// The upper-case table NTFS writes on every volume ($UpCase), as runs of code
// units that share one offset. Generated into NtfsUpCaseTable.cpp by
// tools-dev/make-ntfs-upcase-table.sh; NtfsNames.h is its reader.

#include <cstddef>
#include <cstdint>

namespace courseview {

struct NtfsUpCaseRun {
    std::uint16_t first;
    std::uint16_t last;
    std::uint16_t offset;  // added modulo 65 536
    std::uint16_t step;    // 1: every unit of the range; 2: every second one
};

extern const NtfsUpCaseRun NtfsUpCaseRuns[];
extern const std::size_t NtfsUpCaseRunCount;

// What the whole table holds, for checking that the runs expand to it: how
// many units do not map to themselves, and a digest of those mappings
// (digest = (digest * 31 + unit * 65536 + upper) mod 4294967291, in unit order).
extern const std::size_t NtfsUpCaseChangedUnits;
extern const std::uint32_t NtfsUpCaseDigest;

}  // namespace courseview
