#pragma once
// The window's outline, read from its skin. The window is cut to the skin's key
// colour one row at a time; this is the platform-neutral half of that cut, so the
// shape can be checked without a screen.

#include <cstdint>
#include <functional>
#include <vector>

namespace courseview {

// The pixels [left, right) of row y.
struct RowSpan {
    int y;
    int left;
    int right;

    bool operator==(const RowSpan&) const = default;
};

// Returns the colour at column x of row y, as a 32-bit value compared for exact equality.
using PixelReader = std::function<std::uint32_t(int x, int y)>;

// The skin's key colour is the one at this pixel of the composed picture.
inline constexpr int KeyColourColumn = 100;
inline constexpr int KeyColourRow = 3;

// Returns the window's shape as one span per row, top row first. A row spans from
// its first key-coloured pixel up to, but not including, its last; a row whose
// span is empty is left out. The shape ends above the first row holding no key
// colour at all, whatever lies below it.
std::vector<RowSpan> BitmapToRegion(int width, int height, const PixelReader& pixel,
                                    std::uint32_t keyColour);

}  // namespace courseview
