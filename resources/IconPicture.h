#pragma once
// The application's icon: the skin's card scaled into a square, everything
// around the card transparent, written as PNG for the desktop's icon theme.
// Only the artwork program uses this.

#include <cstdint>
#include <vector>

#include "IndexedPicture.h"

namespace courseview::artwork {

// A picture with straight (not premultiplied) alpha, top row first, four
// bytes a pixel: red, green, blue, alpha.
struct RgbaPicture {
    int width;
    int height;
    std::vector<std::uint8_t> pixels;
};

// `picture` scaled down to fit a `size` x `size` square, centred, each pixel
// the average of the area it covers; palette entries in `transparent` count as
// nothing, so the card's own outline becomes the icon's.
RgbaPicture ScaledIntoSquare(const IndexedPicture& picture, int size,
                             const std::vector<std::uint8_t>& transparent);

// The complete PNG file: 8-bit RGBA, not interlaced, its data in stored
// (uncompressed) deflate blocks, which every reader accepts.
std::vector<unsigned char> EncodePng(const RgbaPicture& picture);

}  // namespace courseview::artwork
