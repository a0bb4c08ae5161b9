#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "Artwork.h"
#include "BmpImage.h"

using namespace courseview;

namespace {

using Bytes = std::vector<unsigned char>;

void Put(Bytes& bytes, std::size_t offset, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

// A BMP file written field by field, so each test can spoil exactly one thing.
// Pixels are given top row first: palette indices at 8 bits, 0xRRGGBB at 24.
Bytes MakeBmp(int width, int height, int bitsPerPixel, const std::vector<std::uint32_t>& pixels,
              const std::vector<std::uint32_t>& palette = {}, bool topDown = false) {
    const std::size_t stride = (static_cast<std::size_t>(width) * bitsPerPixel / 8 + 3) / 4 * 4;
    const std::size_t offset = 54 + 4 * palette.size();
    Bytes file(offset + stride * height, 0);
    file[0] = 'B';
    file[1] = 'M';
    Put(file, 2, static_cast<std::uint32_t>(file.size()), 4);
    Put(file, 10, static_cast<std::uint32_t>(offset), 4);
    Put(file, 14, 40, 4);
    Put(file, 18, static_cast<std::uint32_t>(width), 4);
    Put(file, 22, static_cast<std::uint32_t>(topDown ? -height : height), 4);
    Put(file, 26, 1, 2);
    Put(file, 28, static_cast<std::uint32_t>(bitsPerPixel), 2);
    Put(file, 46, static_cast<std::uint32_t>(palette.size()), 4);
    for (std::size_t i = 0; i < palette.size(); ++i) Put(file, 54 + 4 * i, palette[i], 3);
    for (int y = 0; y < height; ++y) {
        const std::size_t row = offset + stride * (topDown ? y : height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t value = pixels[static_cast<std::size_t>(y * width + x)];
            if (bitsPerPixel == 8)
                file[row + x] = static_cast<unsigned char>(value);
            else
                Put(file, row + 3 * x, value, 3);
        }
    }
    return file;
}

// The decoder's complaint about `file`, or "" when it accepts it.
std::string ErrorOf(const Bytes& file) {
    try {
        BmpImage::Decode(file);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "";
}

const std::vector<std::uint32_t> ThreeColours = {0xFF0000, 0x00FF00, 0x0000FF};

TEST(BmpImage, RowsReadTopFirstWhicheverWayTheyAreStoredAndSkipTheirPadding) {
    const std::vector<std::uint32_t> colours = {0x123456, 0xABCDEF, 0x010203,
                                                0xFEDCBA, 0x000000, 0xFFFFFF};
    const std::vector<std::uint32_t> indices = {0, 1, 2, 2, 1, 0};
    std::vector<std::uint32_t> paletted;
    for (const std::uint32_t index : indices) paletted.push_back(ThreeColours[index]);
    for (const bool topDown : {false, true}) {
        SCOPED_TRACE(topDown ? "top down" : "bottom up");
        for (const auto& [file, expected] :
             {std::pair{MakeBmp(3, 2, 8, indices, ThreeColours, topDown), paletted},
              std::pair{MakeBmp(3, 2, 24, colours, {}, topDown), colours}}) {
            const BmpImage image = BmpImage::Decode(file);
            ASSERT_EQ(image.Width(), 3);
            ASSERT_EQ(image.Height(), 2);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 3; ++x) EXPECT_EQ(image.Pixel(x, y), expected[y * 3 + x]);
        }
    }
}

TEST(BmpImage, EveryCutShortSkinIsRejected) {
    const auto skin = SkinBitmapFile();
    // The last stored row's padding byte may go missing; anything more may not.
    for (std::size_t length = 0; length + 1 < skin.size(); length += length < 1100 ? 1 : 797) {
        const Bytes cut(skin.begin(), skin.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_NE(ErrorOf(cut), "") << "cut to " << length << " bytes";
    }
    EXPECT_NE(ErrorOf(Bytes(skin.begin(), skin.end() - 2)), "");
}

TEST(BmpImage, ErrorsSayWhatIsWrong) {
    struct Spoiled {
        std::size_t offset;
        std::uint32_t value;
        int size;
        std::string words;
    };
    const std::size_t firstPixel = 54 + 4 * 3;
    for (const Spoiled& spoiled : {
             Spoiled{0, 'P', 1, "\"BM\""},
             Spoiled{30, 1, 4, "compressed"},  // BI_RLE8
             Spoiled{28, 4, 2, "4 bits per pixel"},
             Spoiled{firstPixel, 3, 1, "palette entry 3"},  // one past the three entries
             Spoiled{46, 300, 4, "300 palette entries"},
             Spoiled{18, 0, 4, "size is 0 x 2"},
             Spoiled{18, 100000, 4, "ends inside its pixels"},  // far more than the file holds
             Spoiled{10, 0xFFFFFFF0, 4, "ends inside its pixels"},
             Spoiled{14, 0x7FFFFFFF, 4, "ends inside its headers"},
         }) {
        Bytes file = MakeBmp(3, 2, 8, {0, 1, 2, 2, 1, 0}, ThreeColours);
        Put(file, spoiled.offset, spoiled.value, spoiled.size);
        const std::string error = ErrorOf(file);
        EXPECT_NE(error.find(spoiled.words), std::string::npos)
            << "expected \"" << spoiled.words << "\", got \"" << error << "\"";
    }
    EXPECT_NE(ErrorOf(Bytes{'B', 'M', 0, 0}).find("ends inside its headers"), std::string::npos);
}

// Whatever the bytes, the decoder answers with a picture or a runtime_error; under
// the sanitizer build this also shows it never reads outside the file.
TEST(BmpImage, GarbageAfterTheSignatureNeverEscapesAsAnythingButAnError) {
    std::mt19937 random(20240607);
    const Bytes original = MakeBmp(5, 4, 8, std::vector<std::uint32_t>(20, 1), ThreeColours);
    for (int attempt = 0; attempt < 500; ++attempt) {
        Bytes file = original;
        const int changes = 1 + static_cast<int>(random() % 6);
        for (int i = 0; i < changes; ++i) {
            const std::size_t at = 2 + random() % 60;  // the headers and the palette
            file[at] = static_cast<unsigned char>(random());
        }
        file.resize(random() % (file.size() + 1) + (attempt % 2 == 0 ? 0 : file.size()));
        try {
            const BmpImage image = BmpImage::Decode(file);
            EXPECT_GT(image.Width(), 0);
            EXPECT_GT(image.Height(), 0);
        } catch (const std::runtime_error&) {
        }
    }
}

TEST(BmpImage, LoadNamesTheFileItCannotUse) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("courseview-bmp-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    const auto missing = folder / "missing.bmp";
    const auto broken = folder / "broken.bmp";
    std::ofstream(broken, std::ios::binary) << "BM not really";

    for (const auto& path : {missing, broken}) {
        try {
            BmpImage::Load(path);
            ADD_FAILURE() << path << " was accepted";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(path.string()), std::string::npos)
                << error.what();
        }
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
