#include "IndexedPicture.h"

#include <cmath>
#include <stdexcept>
#include <utility>

namespace courseview::artwork {

Colour Blend(Colour from, Colour to, double amount) {
    auto channel = [amount](std::uint8_t a, std::uint8_t b) {
        return static_cast<std::uint8_t>(std::lround(a + (b - a) * amount));
    };
    return {channel(from.red, to.red), channel(from.green, to.green), channel(from.blue, to.blue)};
}

IndexedPicture::IndexedPicture(int w, int h, std::vector<Colour> colours, std::uint8_t background)
    : width(w),
      height(h),
      palette(std::move(colours)),
      pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), background) {}

namespace {

void PutLittleEndian(std::vector<unsigned char>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

}  // namespace

// Always the plainest layout (no compression, a full palette, rows bottom-up):
// every BMP reader accepts it, which matters more here than size.
std::vector<unsigned char> EncodeBmp(const IndexedPicture& picture) {
    if (picture.palette.size() > 256) throw std::logic_error("a palette holds at most 256 colours");
    constexpr std::uint32_t FileHeaderSize = 14;
    constexpr std::uint32_t InfoHeaderSize = 40;
    constexpr std::uint32_t PaletteSize = 256 * 4;
    const auto width = static_cast<std::uint32_t>(picture.width);
    const std::uint32_t stride = (width + 3) / 4 * 4;
    const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(picture.height);
    const std::uint32_t pixelOffset = FileHeaderSize + InfoHeaderSize + PaletteSize;

    std::vector<unsigned char> out;
    out.reserve(pixelOffset + imageSize);
    out.push_back('B');
    out.push_back('M');
    PutLittleEndian(out, pixelOffset + imageSize, 4);
    PutLittleEndian(out, 0, 4);  // two reserved words
    PutLittleEndian(out, pixelOffset, 4);

    PutLittleEndian(out, InfoHeaderSize, 4);
    PutLittleEndian(out, width, 4);
    PutLittleEndian(out, static_cast<std::uint32_t>(picture.height), 4);  // positive: bottom-up
    PutLittleEndian(out, 1, 2);                                           // planes
    PutLittleEndian(out, 8, 2);                                           // bits per pixel
    PutLittleEndian(out, 0, 4);                                           // BI_RGB
    PutLittleEndian(out, imageSize, 4);
    PutLittleEndian(out, 2835, 4);  // 72 dpi, both ways
    PutLittleEndian(out, 2835, 4);
    PutLittleEndian(out, 256, 4);  // colours used
    PutLittleEndian(out, 0, 4);    // all of them important

    for (std::size_t i = 0; i < 256; ++i) {
        const Colour c = i < picture.palette.size() ? picture.palette[i] : Colour{0, 0, 0};
        out.insert(out.end(), {c.blue, c.green, c.red, 0});
    }
    for (int y = picture.height - 1; y >= 0; --y) {
        const auto row = picture.pixels.begin() + static_cast<std::ptrdiff_t>(y) * picture.width;
        out.insert(out.end(), row, row + picture.width);
        out.insert(out.end(), stride - width, 0);
    }
    return out;
}

}  // namespace courseview::artwork
