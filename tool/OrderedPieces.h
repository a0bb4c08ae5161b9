#pragma once
// A long text made of pieces that can each be written on their own: written
// on two threads where the machine has two cores, handed on in order.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace courseview {

// Calls `format(i, text)` for every i below `count` (text empty each time),
// on this thread and on one more when there is a second core, and passes the
// texts to `deliver` in order of i, on this thread. At most a few pieces wait
// at once, so memory stays that of a few pieces whatever the count.
void FormatPiecesInOrder(std::size_t count,
                         const std::function<void(std::size_t, std::string&)>& format,
                         const std::function<void(std::string_view)>& deliver);

}  // namespace courseview
