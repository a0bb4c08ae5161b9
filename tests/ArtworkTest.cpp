#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <utility>

#include "Artwork.h"
#include "BmpImage.h"

using namespace courseview;

namespace {

constexpr std::uint32_t CardPink = 0xFFAED0, Green = 0x7EFF00, EdgeGreen = 0x5CB800,
                        FrameBlue = 0xA3DAFF;

std::uint32_t Field(std::span<const unsigned char> file, std::size_t offset, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = size; i-- > 0;) value = value << 8 | file[offset + i];
    return value;
}

// What every program that reads these files can be relied on to understand.
TEST(Artwork, PicturesAreUncompressedBottomUpBmpsWithAFullPalette) {
    for (const auto& [name, file] : {std::pair{"skin", SkinBitmapFile()},
                                     {"hovered button", CloseButtonHoveredBitmapFile()},
                                     {"resting button", CloseButtonRestingBitmapFile()}}) {
        SCOPED_TRACE(name);
        ASSERT_GT(file.size(), 1078u);
        EXPECT_EQ(Field(file, 0, 2), 0x4D42u) << "\"BM\"";
        EXPECT_EQ(Field(file, 2, 4), file.size()) << "file size field";
        EXPECT_EQ(Field(file, 10, 4), 14u + 40u + 256u * 4u) << "pixels follow the palette";
        EXPECT_EQ(Field(file, 14, 4), 40u) << "BITMAPINFOHEADER";
        EXPECT_LT(Field(file, 22, 4), 0x80000000u) << "positive height: bottom-up rows";
        EXPECT_EQ(Field(file, 28, 2), 8u) << "bits per pixel";
        EXPECT_EQ(Field(file, 30, 4), 0u) << "uncompressed";
        EXPECT_EQ(file.size(), 1078u + (Field(file, 18, 4) + 3) / 4 * 4 * Field(file, 22, 4))
            << "rows padded to 4 bytes";
    }
}

// The tree and the browser are laid over plain card; anything drawn there
// would show around them.
TEST(Artwork, SkinIsTheWindowsSizeWithPlainCardUnderTheTreeAndTheBrowser) {
    const BmpImage skin = BmpImage::Decode(SkinBitmapFile());
    EXPECT_EQ(skin.Width(), 799);
    EXPECT_EQ(skin.Height(), 598);
    EXPECT_EQ(skin.Pixel(100, 3), CardPink) << "the key pixel";
    EXPECT_EQ(skin.Pixel(0, 0), Green);
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
        int first = 0, last = skin.Width() - 1;
        while (skin.Pixel(first, y) != CardPink) ++first;
        while (skin.Pixel(last, y) != CardPink) --last;
        for (int x = 0; x < skin.Width(); ++x) {
            const std::uint32_t colour = skin.Pixel(x, y);
            const bool inside = x >= first && x <= last;
            edgePixels += colour == EdgeGreen;
            EXPECT_FALSE(inside && (colour == EdgeGreen || colour == Green)) << x << ", " << y;
            EXPECT_FALSE(colour == FrameBlue && (x <= first + 2 || x >= last - 2))
                << x << ", " << y;
        }
    }
    EXPECT_GT(edgePixels, 20);
    // A crisp one-pixel line crosses the middle row and the middle column twice each.
    int acrossMiddleRow = 0, acrossMiddleColumn = 0;
    for (int x = 0; x < skin.Width(); ++x) acrossMiddleRow += skin.Pixel(x, 300) == FrameBlue;
    for (int y = 0; y < skin.Height(); ++y) acrossMiddleColumn += skin.Pixel(400, y) == FrameBlue;
    EXPECT_EQ(acrossMiddleRow, 2);
    EXPECT_EQ(acrossMiddleColumn, 2);
}

TEST(Artwork, CloseButtonsAreRedAndGreyCrossesOnTheCardPink) {
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
        const std::uint32_t red = hovered.Pixel(x, y), grey = resting.Pixel(x, y);
        EXPECT_TRUE(red >> 16 >= 0xC0 && (red >> 8 & 0xFF) < 0x40 && (red & 0xFF) < 0x50)
            << "at " << x << ", " << y;
        EXPECT_TRUE(grey >> 16 == (grey & 0xFF) && (grey >> 8 & 0xFF) == (grey & 0xFF) &&
                    (grey & 0xFF) < 0xC0)
            << "at " << x << ", " << y;
    }
}

}  // namespace
