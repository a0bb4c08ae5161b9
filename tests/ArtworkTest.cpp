#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <utility>

#include "Artwork.h"
#include "BmpImage.h"

using namespace courseview;

namespace {

constexpr std::uint32_t CardPink = 0xFFAED0;
constexpr std::uint32_t Green = 0x7EFF00;
constexpr std::uint32_t EdgeGreen = 0x5CB800;
constexpr std::uint32_t FrameBlue = 0xA3DAFF;

std::uint32_t Field(std::span<const unsigned char> file, std::size_t offset, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = size; i-- > 0;) value = value << 8 | file[offset + i];
    return value;
}

struct Named {
    const char* name;
    std::span<const unsigned char> file;
};

// What every program that reads these files can be relied on to understand.
TEST(Artwork, PicturesAreUncompressedBottomUpBmpsWithAFullPalette) {
    for (const Named picture :
         {Named{"skin", SkinBitmapFile()}, Named{"hovered button", CloseButtonHoveredBitmapFile()},
          Named{"resting button", CloseButtonRestingBitmapFile()}}) {
        SCOPED_TRACE(picture.name);
        const auto file = picture.file;
        ASSERT_GT(file.size(), 1078u);
        EXPECT_EQ(file[0], 'B');
        EXPECT_EQ(file[1], 'M');
        EXPECT_EQ(Field(file, 2, 4), file.size()) << "file size field";
        EXPECT_EQ(Field(file, 10, 4), 14u + 40u + 256u * 4u) << "pixels follow the palette";
        EXPECT_EQ(Field(file, 14, 4), 40u) << "BITMAPINFOHEADER";
        EXPECT_LT(Field(file, 22, 4), 0x80000000u) << "positive height: bottom-up rows";
        EXPECT_EQ(Field(file, 28, 2), 8u) << "bits per pixel";
        EXPECT_EQ(Field(file, 30, 4), 0u) << "uncompressed";
        const std::uint32_t width = Field(file, 18, 4);
        const std::uint32_t height = Field(file, 22, 4);
        EXPECT_EQ(file.size(), 1078u + (width + 3) / 4 * 4 * height) << "rows padded to 4 bytes";
    }
}

TEST(Artwork, SkinHasTheWindowSizeAndTheCardPinkAtTheKeyPixel) {
    const BmpImage skin = BmpImage::Decode(SkinBitmapFile());
    EXPECT_EQ(skin.Width(), 799);
    EXPECT_EQ(skin.Height(), 598);
    EXPECT_EQ(skin.Pixel(100, 3), CardPink);
    EXPECT_EQ(skin.Pixel(0, 0), Green);
}

// The tree and the browser are laid over these areas; anything drawn there would
// show around them.
TEST(Artwork, AreasUnderTheTreeAndTheBrowserArePlainCard) {
    const BmpImage skin = BmpImage::Decode(SkinBitmapFile());
    struct Area {
        int left, top, right, bottom;  // inclusive
    };
    for (const Area area : {Area{18, 64, 249, 537}, Area{255, 64, 770, 537}}) {
        int others = 0;
        for (int y = area.top; y <= area.bottom; ++y)
            for (int x = area.left; x <= area.right; ++x) others += skin.Pixel(x, y) != CardPink;
        EXPECT_EQ(others, 0) << "in the area from x " << area.left;
    }
}

// The frame line is decoration inside the window; the dark green softens the
// cut edge from outside. Either one in the wrong place would move the outline.
TEST(Artwork, FrameLinesTheCardInsideAndDarkGreenEdgesItOutside) {
    const BmpImage skin = BmpImage::Decode(SkinBitmapFile());
    int edgePixels = 0;
    for (int y = 0; y < skin.Height(); ++y) {
        int first = 0;
        while (skin.Pixel(first, y) != CardPink) ++first;
        int last = skin.Width() - 1;
        while (skin.Pixel(last, y) != CardPink) --last;
        for (int x = 0; x < skin.Width(); ++x) {
            const std::uint32_t colour = skin.Pixel(x, y);
            const bool inside = x >= first && x <= last;
            if (colour == EdgeGreen) {
                ++edgePixels;
                EXPECT_FALSE(inside) << "edge pixel at " << x << ", " << y;
            }
            if (colour == Green) {
                EXPECT_FALSE(inside) << "background at " << x << ", " << y;
            }
            if (colour == FrameBlue) {
                EXPECT_TRUE(x > first + 2 && x < last - 2) << "frame at " << x << ", " << y;
            }
        }
    }
    EXPECT_GT(edgePixels, 20);
    // A crisp one-pixel line crosses the middle row and the middle column twice each.
    int acrossMiddleRow = 0;
    int acrossMiddleColumn = 0;
    for (int x = 0; x < skin.Width(); ++x) acrossMiddleRow += skin.Pixel(x, 300) == FrameBlue;
    for (int y = 0; y < skin.Height(); ++y) acrossMiddleColumn += skin.Pixel(400, y) == FrameBlue;
    EXPECT_EQ(acrossMiddleRow, 2);
    EXPECT_EQ(acrossMiddleColumn, 2);
}

bool IsGrey(std::uint32_t colour) {
    const auto red = colour >> 16 & 0xFF, green = colour >> 8 & 0xFF, blue = colour & 0xFF;
    return red == green && green == blue && red < 0xC0;
}

bool IsRed(std::uint32_t colour) {
    const auto red = colour >> 16 & 0xFF, green = colour >> 8 & 0xFF, blue = colour & 0xFF;
    return red >= 0xC0 && green < 0x40 && blue < 0x50;
}

TEST(Artwork, CloseButtonsAreCrossesOnTheCardPink) {
    const BmpImage hovered = BmpImage::Decode(CloseButtonHoveredBitmapFile());
    const BmpImage resting = BmpImage::Decode(CloseButtonRestingBitmapFile());
    for (const BmpImage* button : {&hovered, &resting}) {
        EXPECT_EQ(button->Width(), 23);
        EXPECT_EQ(button->Height(), 23);
        for (const auto& [x, y] : {std::pair{0, 0}, {22, 0}, {0, 22}, {22, 22}, {11, 0}, {0, 11}})
            EXPECT_EQ(button->Pixel(x, y), CardPink) << "at " << x << ", " << y;
    }
    // Both arms of the cross, and where they meet.
    for (const auto& [x, y] : {std::pair{11, 11}, {7, 7}, {15, 15}, {15, 7}, {7, 15}}) {
        EXPECT_TRUE(IsRed(hovered.Pixel(x, y))) << "at " << x << ", " << y;
        EXPECT_TRUE(IsGrey(resting.Pixel(x, y))) << "at " << x << ", " << y;
    }
}

}  // namespace
