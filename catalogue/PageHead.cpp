#include "PageHead.h"

#include <algorithm>

namespace courseview {

PageHead ReadPageHead(InputFile& file, char* buffer, std::size_t firstRead, std::size_t atLeast,
                      bool watch) {
    PageHead head;
    if (watch) {
        if (file.ReadIfCached(buffer, firstRead, head.filled)) {
            head.atEnd = head.filled == 0;
        } else {
            head.cameFromDisk = true;
        }
    }
    const std::size_t want = std::max(firstRead, atLeast);
    while (!head.atEnd && (head.filled == 0 || head.filled < atLeast)) {
        const std::size_t got = file.Read(buffer + head.filled, want - head.filled);
        head.atEnd = got == 0;
        head.filled += got;
    }
    return head;
}

}  // namespace courseview
