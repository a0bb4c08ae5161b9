#pragma once
// The first read of a page, which also tells whether the page was in memory:
// a scan whose pages keep coming from the disk starts reading ahead.

#include <cstddef>

#include "InputFile.h"

namespace courseview {

struct PageHead {
    std::size_t filled = 0;     // bytes in the buffer
    bool atEnd = false;         // the page has no more
    bool cameFromDisk = false;  // only known when asked to watch
};

// Reads up to `firstRead` bytes of the open `file` into `buffer`, and goes on
// until at least `atLeast` bytes are there or the page ends (`buffer` holds
// max(firstRead, atLeast) bytes). With `watch`, the first bytes are taken only
// if the system holds them in memory already, and `cameFromDisk` says when it
// did not. Throws FileError when a read fails.
PageHead ReadPageHead(InputFile& file, char* buffer, std::size_t firstRead, std::size_t atLeast,
                      bool watch);

}  // namespace courseview
