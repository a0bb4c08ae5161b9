#pragma once
// Reads the plain BMP files the viewer's artwork is made of. Only the standard
// library is used, so pictures can be checked without a screen.

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace courseview {

// A picture decoded from a BMP file, every pixel as 0x00RRGGBB.
class BmpImage {
public:
    // Decodes a complete BMP file held in memory: uncompressed, 8 bits per pixel with
    // a palette or 24 bits per pixel, rows stored either way up. Throws
    // std::runtime_error saying what is wrong with anything else, truncated files included.
    static BmpImage Decode(std::span<const unsigned char> file);

    // Reads and decodes a BMP file. Throws std::runtime_error naming the file when it
    // cannot be read or decoded.
    static BmpImage Load(const std::filesystem::path& path);

    int Width() const { return m_width; }
    int Height() const { return m_height; }

    // The colour at column x of row y, rows counted from the top, as 0x00RRGGBB.
    // Throws std::out_of_range outside the picture.
    std::uint32_t Pixel(int x, int y) const;

private:
    BmpImage(int width, int height, std::vector<std::uint32_t> pixels);

    int m_width;
    int m_height;
    std::vector<std::uint32_t> m_pixels;  // top row first
};

}  // namespace courseview
