#pragma once
// Palette pictures as the artwork program draws them, and the one BMP layout it
// writes them in. Only the artwork program uses this; the viewer never links it.

#include <cstdint>
#include <vector>

namespace courseview::artwork {

struct Colour {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

// The colour `amount` of the way from `from` to `to`, amount in [0, 1].
Colour Blend(Colour from, Colour to, double amount);

// A picture as palette indices, top row first.
struct IndexedPicture {
    int width;
    int height;
    std::vector<Colour> palette;  // at most 256 colours
    std::vector<std::uint8_t> pixels;

    IndexedPicture(int w, int h, std::vector<Colour> colours, std::uint8_t background);

    std::uint8_t& At(int x, int y) {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// Returns the complete BMP file: BITMAPFILEHEADER + BITMAPINFOHEADER, 8 bits per
// pixel, a full 256-entry palette, bottom-up rows padded to 4 bytes. Throws
// std::logic_error for a palette of more than 256 colours.
std::vector<unsigned char> EncodeBmp(const IndexedPicture& picture);

}  // namespace courseview::artwork
