#include "SkinRegion.h"

namespace courseview {

std::vector<RowSpan> BitmapToRegion(int width, int height, const PixelReader& pixel,
                                    std::uint32_t keyColour) {
    std::vector<RowSpan> region;
    if (width <= 0) return region;
    for (int y = 0; y < height; ++y) {
        int left = 0;
        while (left < width && pixel(left, y) != keyColour) ++left;
        // A row without the key colour ends the window: the skin's shape is one piece
        // from the top, and stray key pixels further down must not float below it.
        if (left == width) break;

        // Column 0 is never tested from the right; a row whose only key pixel is there
        // comes out empty. The last key pixel itself stays outside the window, and the
        // artwork is drawn with that one-pixel margin in mind.
        int right = width - 1;
        while (right > 0 && pixel(right, y) != keyColour) --right;
        if (right > left) region.push_back({y, left, right});
    }
    return region;
}

}  // namespace courseview
