#include "BmpImage.h"

#include <fstream>
#include <iterator>
#include <limits>
#include <stdexcept>
#include <string>

namespace courseview {

namespace {

constexpr std::size_t FileHeaderSize = 14;
constexpr std::size_t SmallestInfoHeaderSize = 40;  // BITMAPINFOHEADER; later versions extend it
constexpr std::uint32_t UncompressedRgb = 0;        // BI_RGB

[[noreturn]] void Malformed(const std::string& what) {
    throw std::runtime_error("Malformed BMP file: " + what);
}

// Reads little-endian fields, refusing to look past the end of the file.
class ByteReader {
public:
    explicit ByteReader(std::span<const unsigned char> bytes) : m_bytes(bytes) {}

    std::uint32_t Unsigned(std::size_t offset, std::size_t size) const {
        if (offset > m_bytes.size() || size > m_bytes.size() - offset)
            Malformed("the file ends inside its headers (" + std::to_string(m_bytes.size()) +
                      " bytes)");
        std::uint32_t value = 0;
        for (std::size_t i = size; i-- > 0;) value = value << 8 | m_bytes[offset + i];
        return value;
    }

    std::int32_t Signed32(std::size_t offset) const {
        return static_cast<std::int32_t>(Unsigned(offset, 4));
    }

private:
    std::span<const unsigned char> m_bytes;
};

}  // namespace

BmpImage::BmpImage(int width, int height, std::vector<std::uint32_t> pixels)
    : m_width(width), m_height(height), m_pixels(std::move(pixels)) {}

BmpImage BmpImage::Decode(std::span<const unsigned char> file) {
    const ByteReader read(file);
    if (file.size() < 2 || file[0] != 'B' || file[1] != 'M')
        Malformed("it does not start with \"BM\"");

    const std::uint32_t pixelOffset = read.Unsigned(10, 4);
    const std::uint32_t infoSize = read.Unsigned(14, 4);
    if (infoSize < SmallestInfoHeaderSize)
        Malformed("its header of " + std::to_string(infoSize) + " bytes is not supported");
    const std::int32_t storedWidth = read.Signed32(18);
    const std::int32_t storedHeight = read.Signed32(22);
    const std::uint32_t planes = read.Unsigned(26, 2);
    const std::uint32_t bitsPerPixel = read.Unsigned(28, 2);
    const std::uint32_t compression = read.Unsigned(30, 4);
    const std::uint32_t coloursUsed = read.Unsigned(46, 4);
    read.Unsigned(FileHeaderSize + infoSize - 1, 1);  // the whole header must be present

    if (planes != 1) Malformed(std::to_string(planes) + " colour planes");
    if (compression != UncompressedRgb) Malformed("compressed pixel data is not supported");
    if (bitsPerPixel != 8 && bitsPerPixel != 24)
        Malformed(std::to_string(bitsPerPixel) + " bits per pixel are not supported");
    // A negative height means the rows are stored top row first.
    const bool bottomUp = storedHeight > 0;
    if (storedWidth <= 0 || storedHeight == 0 ||
        storedHeight == std::numeric_limits<std::int32_t>::min())
        Malformed("its size is " + std::to_string(storedWidth) + " x " +
                  std::to_string(storedHeight));
    const auto width = static_cast<std::uint64_t>(storedWidth);
    const auto height = static_cast<std::uint64_t>(bottomUp ? storedHeight : -storedHeight);

    std::vector<std::uint32_t> palette;
    if (bitsPerPixel == 8) {
        const std::uint32_t count = coloursUsed == 0 ? 256 : coloursUsed;
        if (count > 256) Malformed(std::to_string(count) + " palette entries for 8-bit pixels");
        const std::size_t paletteOffset = FileHeaderSize + infoSize;
        if (paletteOffset + 4 * std::uint64_t{count} > file.size())
            Malformed("the file ends inside its palette");
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t entry = paletteOffset + 4 * i;  // blue, green, red, unused
            palette.push_back(std::uint32_t{file[entry + 2]} << 16 |
                              std::uint32_t{file[entry + 1]} << 8 | file[entry]);
        }
    }

    // Every row is padded to a multiple of four bytes; tolerate a file that leaves
    // the padding off its last row, as some writers do.
    const std::uint64_t bytesPerPixel = bitsPerPixel / 8;
    const std::uint64_t rowBytes = width * bytesPerPixel;
    const std::uint64_t stride = (rowBytes + 3) / 4 * 4;
    if (pixelOffset > file.size() || (height - 1) * stride + rowBytes > file.size() - pixelOffset)
        Malformed("the file ends inside its pixels: " + std::to_string(width) + " x " +
                  std::to_string(height) + " pixels need more than its " +
                  std::to_string(file.size()) + " bytes");

    std::vector<std::uint32_t> pixels;
    pixels.reserve(width * height);
    for (std::uint64_t y = 0; y < height; ++y) {
        const std::uint64_t storedRow = bottomUp ? height - 1 - y : y;
        const unsigned char* row = file.data() + pixelOffset + storedRow * stride;
        for (std::uint64_t x = 0; x < width; ++x) {
            if (bitsPerPixel == 24) {
                const unsigned char* bgr = row + 3 * x;
                pixels.push_back(std::uint32_t{bgr[2]} << 16 | std::uint32_t{bgr[1]} << 8 | bgr[0]);
            } else if (row[x] < palette.size()) {
                pixels.push_back(palette[row[x]]);
            } else {
                Malformed("a pixel uses palette entry " + std::to_string(row[x]) + " of only " +
                          std::to_string(palette.size()));
            }
        }
    }
    return BmpImage(static_cast<int>(width), static_cast<int>(height), std::move(pixels));
}

BmpImage BmpImage::Load(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("Cannot open " + path.string());
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in),
                                           std::istreambuf_iterator<char>()};
    if (in.bad()) throw std::runtime_error("Cannot read " + path.string());
    try {
        return Decode(bytes);
    } catch (const std::runtime_error& error) {
        throw std::runtime_error(path.string() + ": " + error.what());
    }
}

std::uint32_t BmpImage::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        throw std::out_of_range("pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                                ") lies outside a " + std::to_string(m_width) + " x " +
                                std::to_string(m_height) + " picture");
    return m_pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) +
                    static_cast<std::size_t>(x)];
}

}  // namespace courseview
