#include "IconPicture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

namespace courseview::artwork {

RgbaPicture ScaledIntoSquare(const IndexedPicture& picture, int size,
                             const std::vector<std::uint8_t>& transparent) {
    RgbaPicture icon{size, size,
                     std::vector<std::uint8_t>(static_cast<std::size_t>(size) * size * 4)};
    const double scale = static_cast<double>(std::max(picture.width, picture.height)) / size;
    const double left = (size - picture.width / scale) / 2;
    const double top = (size - picture.height / scale) / 2;
    std::array<bool, 256> clear{};
    for (const std::uint8_t index : transparent) clear[index] = true;

    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            // The icon pixel's square in the picture's pixels, and how much of
            // each picture pixel it covers.
            const double x0 = (x - left) * scale;
            const double y0 = (y - top) * scale;
            double red = 0;
            double green = 0;
            double blue = 0;
            double covered = 0;
            for (int sy = std::max(0, static_cast<int>(std::floor(y0)));
                 sy < std::min(picture.height, static_cast<int>(std::ceil(y0 + scale))); ++sy) {
                const double dy = std::min(sy + 1.0, y0 + scale) - std::max<double>(sy, y0);
                for (int sx = std::max(0, static_cast<int>(std::floor(x0)));
                     sx < std::min(picture.width, static_cast<int>(std::ceil(x0 + scale))); ++sx) {
                    const std::uint8_t index =
                        picture.pixels[static_cast<std::size_t>(sy) * picture.width + sx];
                    if (clear[index]) continue;
                    const double weight =
                        dy * (std::min(sx + 1.0, x0 + scale) - std::max<double>(sx, x0));
                    const Colour c = picture.palette[index];
                    red += c.red * weight;
                    green += c.green * weight;
                    blue += c.blue * weight;
                    covered += weight;
                }
            }
            std::uint8_t* pixel = &icon.pixels[(static_cast<std::size_t>(y) * size + x) * 4];
            if (covered <= 0) continue;
            pixel[0] = static_cast<std::uint8_t>(std::lround(red / covered));
            pixel[1] = static_cast<std::uint8_t>(std::lround(green / covered));
            pixel[2] = static_cast<std::uint8_t>(std::lround(blue / covered));
            pixel[3] = static_cast<std::uint8_t>(
                std::lround(255 * std::min(1.0, covered / (scale * scale))));
        }
    }
    return icon;
}

namespace {

std::uint32_t Crc32(const unsigned char* data, std::size_t size, std::uint32_t crc = 0) {
    static const auto Table = [] {
        std::array<std::uint32_t, 256> table{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        return table;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) crc = Table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void PutBigEndian(std::vector<unsigned char>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

void PutChunk(std::vector<unsigned char>& out, std::string_view type,
              const std::vector<unsigned char>& data) {
    PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    PutBigEndian(out, Crc32(&out[typeAt], out.size() - typeAt));
}

// A zlib stream holding `bytes` in stored deflate blocks.
std::vector<unsigned char> StoredZlib(const std::vector<unsigned char>& bytes) {
    constexpr std::size_t BlockSize = 65535;
    std::vector<unsigned char> out = {0x78, 0x01};
    std::size_t at = 0;
    do {
        const std::size_t length = std::min(BlockSize, bytes.size() - at);
        out.push_back(at + length == bytes.size() ? 1 : 0);  // the last block says so
        out.push_back(static_cast<unsigned char>(length));
        out.push_back(static_cast<unsigned char>(length >> 8));
        out.push_back(static_cast<unsigned char>(~length));
        out.push_back(static_cast<unsigned char>(~length >> 8));
        out.insert(out.end(), bytes.begin() + at, bytes.begin() + at + length);
        at += length;
    } while (at < bytes.size());
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (const unsigned char byte : bytes) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(out, b << 16 | a);
    return out;
}

}  // namespace

std::vector<unsigned char> EncodePng(const RgbaPicture& picture) {
    std::vector<unsigned char> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    PutBigEndian(header, static_cast<std::uint32_t>(picture.width));
    PutBigEndian(header, static_cast<std::uint32_t>(picture.height));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter, no interlace
    PutChunk(out, "IHDR", header);
    std::vector<unsigned char> rows;
    const std::size_t stride = static_cast<std::size_t>(picture.width) * 4;
    for (int y = 0; y < picture.height; ++y) {
        rows.push_back(0);  // filter: none
        const auto row = picture.pixels.begin() + static_cast<std::ptrdiff_t>(y * stride);
        rows.insert(rows.end(), row, row + static_cast<std::ptrdiff_t>(stride));
    }
    PutChunk(out, "IDAT", StoredZlib(rows));
    PutChunk(out, "IEND", {});
    return out;
}

}  // namespace courseview::artwork
