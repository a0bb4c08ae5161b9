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
using Region = std::vector<RowSpan>;

// A picture drawn as text: 'K' is the key colour, 'k' a colour one step away
// from it, any other character a colour of its own. Reading outside the
// picture throws, so a walk that strays fails the test.
Region RegionOf(const std::vector<std::string>& rows) {
    const PixelReader drawn = [&rows](int x, int y) -> std::uint32_t {
        const char c = rows.at(static_cast<std::size_t>(y)).at(static_cast<std::size_t>(x));
        return c == 'K' ? Key : c == 'k' ? Key + 1 : static_cast<unsigned char>(c);
    };
    const int width = rows.empty() ? 0 : static_cast<int>(rows.front().size());
    return BitmapToRegion(width, static_cast<int>(rows.size()), drawn, Key);
}

TEST(SkinRegion, RowsRunFromTheFirstKeyPixelUpToTheLastAndStopAtAKeylessRow) {
    struct Case {
        std::vector<std::string> rows;
        Region region;
        const char* rule;
    };
    for (const Case& c : {
             Case{{"..KKKK.."}, {{0, 2, 5}}, "the last key pixel stays outside"},
             Case{{"KKKK"}, {{0, 0, 3}}, "even at the picture's edge"},
             Case{{".K.xyK.K."}, {{0, 1, 7}}, "other colours between key pixels stay inside"},
             Case{{"kKKKk"}, {{0, 1, 3}}, "only the exact key colour counts"},
             Case{{"kkkk", "KKKK"}, {}, "a row of near misses has no key colour"},
             Case{{"...K...", ".KKKK.."}, {{1, 1, 4}}, "a lone key pixel gives no span"},
             Case{{"K....", ".KKK.", "K...."}, {{1, 1, 3}}, "nor one in the first column"},
             Case{{"K"}, {}, "a one-pixel picture"},
             Case{{"....", "KKKK"}, {}, "a keyless first row gives nothing"},
             Case{{".KKK.", "KK.KK", ".....", "KKKKK"},
                  {{0, 1, 3}, {1, 0, 4}},
                  "rows below a keyless row are not part of the window"},
         }) {
        EXPECT_EQ(RegionOf(c.rows), c.region) << c.rule;
    }
}

TEST(SkinRegion, EmptyPictureGivesNoRegionWithoutReadingAPixel) {
    const PixelReader untouchable = [](int, int) -> std::uint32_t {
        ADD_FAILURE() << "an empty picture has no pixels to read";
        return Key;
    };
    EXPECT_EQ(BitmapToRegion(5, 0, untouchable, Key), Region{});
    EXPECT_EQ(BitmapToRegion(0, 3, untouchable, Key), Region{});
}

// The skin as the window composes it: at the top left of an 800 x 600 work
// picture whose uncovered last column and last two rows are not the key
// colour, read at the key pixel. (The window's own test checks the same
// outline on the X server.)
TEST(SkinRegion, ShippedSkinGivesTheWindowOutline) {
    const BmpImage skin = BmpImage::Decode(SkinBitmapFile());
    const PixelReader work = [&skin](int x, int y) -> std::uint32_t {
        return x < skin.Width() && y < skin.Height() ? skin.Pixel(x, y) : 0;
    };
    const Region region = BitmapToRegion(800, 600, work, work(KeyColourColumn, KeyColourRow));
    ASSERT_EQ(region.size(), 598u) << "a row without the card's pink ends the window early";
    for (std::size_t row = 0; row < region.size(); ++row)
        ASSERT_EQ(region[row].y, static_cast<int>(row)) << "rows must follow one another";
    for (const RowSpan& span :
         {RowSpan{0, 77, 778}, RowSpan{3, 61, 786}, RowSpan{24, 22, 798}, RowSpan{597, 77, 721}})
        EXPECT_EQ(region[static_cast<std::size_t>(span.y)], span);
}

}  // namespace
