#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "Artwork.h"
#include "BmpImage.h"
#include "SkinRegion.h"

namespace courseview {
void PrintTo(const RowSpan& span, std::ostream* out) {
    *out << "row " << span.y << " [" << span.left << ", " << span.right << ")";
}
}  // namespace courseview

using namespace courseview;

namespace {

constexpr std::uint32_t Key = 0xFFAED0;

// A picture drawn as text: 'K' is the key colour, 'k' a colour one step away
// from it, any other character a colour of its own. Reading outside the
// picture throws, so a walk that strays fails the test.
PixelReader Drawn(std::vector<std::string> rows) {
    return [rows = std::move(rows)](int x, int y) -> std::uint32_t {
        const char c = rows.at(static_cast<std::size_t>(y)).at(static_cast<std::size_t>(x));
        if (c == 'K') return Key;
        if (c == 'k') return Key + 1;
        return static_cast<unsigned char>(c);
    };
}

std::vector<RowSpan> RegionOf(const std::vector<std::string>& rows) {
    const int width = rows.empty() ? 0 : static_cast<int>(rows.front().size());
    return BitmapToRegion(width, static_cast<int>(rows.size()), Drawn(rows), Key);
}

using Region = std::vector<RowSpan>;

TEST(SkinRegion, EmptyPictureGivesNoRegionWithoutReadingAPixel) {
    const PixelReader untouchable = [](int, int) -> std::uint32_t {
        ADD_FAILURE() << "an empty picture has no pixels to read";
        return Key;
    };
    EXPECT_EQ(BitmapToRegion(5, 0, untouchable, Key), Region{});
    EXPECT_EQ(BitmapToRegion(0, 3, untouchable, Key), Region{});
}

TEST(SkinRegion, RowRunsFromFirstKeyPixelUpToButNotIncludingTheLast) {
    EXPECT_EQ(RegionOf({"..KKKK.."}), (Region{{0, 2, 5}}));
    EXPECT_EQ(RegionOf({"KKKK"}), (Region{{0, 0, 3}})) << "even at the picture's edge";
}

TEST(SkinRegion, OtherColoursBetweenKeyPixelsStayInside) {
    EXPECT_EQ(RegionOf({".K.xyK.K."}), (Region{{0, 1, 7}}));
}

TEST(SkinRegion, OnlyTheExactKeyColourCounts) {
    EXPECT_EQ(RegionOf({"kKKKk"}), (Region{{0, 1, 3}}));
    EXPECT_EQ(RegionOf({"kkkk", "KKKK"}), Region{}) << "a row of near misses has no key colour";
}

TEST(SkinRegion, SingleKeyPixelGivesNothingButTheScanGoesOn) {
    EXPECT_EQ(RegionOf({
                  "...K...",
                  ".KKKK..",
              }),
              (Region{{1, 1, 4}}));
}

TEST(SkinRegion, KeyPixelOnlyInFirstColumnGivesNothingButTheScanGoesOn) {
    EXPECT_EQ(RegionOf({
                  "K....",
                  ".KKK.",
                  "K....",
              }),
              (Region{{1, 1, 3}}));
    EXPECT_EQ(RegionOf({"K"}), Region{});
}

TEST(SkinRegion, FirstRowWithoutKeyGivesNoRegion) {
    EXPECT_EQ(RegionOf({
                  "....",
                  "KKKK",
              }),
              Region{});
}

TEST(SkinRegion, RowWithoutKeyEndsTheRegionEvenWhenRowsBelowHaveIt) {
    EXPECT_EQ(RegionOf({
                  ".KKK.",
                  "KK.KK",
                  ".....",
                  "KKKKK",
              }),
              (Region{{0, 1, 3}, {1, 0, 4}}));
}

// The skin as the window composes it: drawn at the top left of an 800 x 600
// work picture whose uncovered last column and last two rows are not the key
// colour, which is then read at the key pixel.
TEST(SkinRegion, ShippedSkinGivesTheWindowOutline) {
    const BmpImage skin = BmpImage::Decode(SkinBitmapFile());
    constexpr int WorkWidth = 800;
    constexpr int WorkHeight = 600;
    constexpr std::uint32_t Uncovered = 0x000000;
    const PixelReader work = [&skin](int x, int y) {
        return x < skin.Width() && y < skin.Height() ? skin.Pixel(x, y) : Uncovered;
    };

    const Region region =
        BitmapToRegion(WorkWidth, WorkHeight, work, work(KeyColourColumn, KeyColourRow));

    ASSERT_EQ(region.size(), 598u) << "a row without the card's pink ends the window early";
    for (std::size_t row = 0; row < region.size(); ++row) {
        ASSERT_EQ(region[row].y, static_cast<int>(row)) << "rows must follow one another";
        EXPECT_LT(region[row].left, region[row].right) << "row " << row;
    }
    EXPECT_EQ(region[0], (RowSpan{0, 77, 778}));
    EXPECT_EQ(region[3], (RowSpan{3, 61, 786}));
    EXPECT_EQ(region[24], (RowSpan{24, 22, 798}));
    EXPECT_EQ(region[597], (RowSpan{597, 77, 721}));
}

}  // namespace
