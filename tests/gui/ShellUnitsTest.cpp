// The shell's small rules that need no window.

#include <gtest/gtest.h>

#include <clocale>

#include "Artwork.h"
#include "BmpImage.h"
#include "CloseButtonHover.h"
#include "ErrorBox.h"
#include "WindowShape.h"

using namespace courseview;

TEST(ErrorBox, TitleIsTheExecutableNameCutAtItsFirstDot) {
    EXPECT_EQ(ApplicationTitle("/opt/course/courseview"), "courseview")
        << "the first character keeps its case";
    EXPECT_EQ(ApplicationTitle("/opt/course/CourseView.bin.old"), "Courseview");
    EXPECT_EQ(ApplicationTitle("Viewer"), "Viewer");
    EXPECT_EQ(ApplicationTitle("/a.b/VIEWER"), "Viewer") << "a dot in the folder does not count";
    EXPECT_EQ(ApplicationTitle("/x/.hidden"), "");
}

TEST(ErrorBox, CaseRuleCoversCyrillicAndKeepsBytesWhole) {
    setlocale(LC_ALL, "C.UTF-8");
    EXPECT_EQ(ApplicationTitle("/x/курс"), "курс");
    EXPECT_EQ(ApplicationTitle("/x/КУРС.exe"), "Курс");
}

TEST(ErrorBox, PeriodIsAddedOnlyAfterCharactersAboveIt) {
    EXPECT_EQ(ErrorBoxText("Cannot create file \"/x/temp.htm\". Is a directory"),
              "Cannot create file \"/x/temp.htm\". Is a directory.");
    EXPECT_EQ(ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(ErrorBoxText("Why (really)"), "Why (really)") << "')' lies below the period";
    EXPECT_EQ(ErrorBoxText("A, b, c,"), "A, b, c,");
    EXPECT_EQ(ErrorBoxText("path /"), "path /.") << "'/' lies just above it";
    EXPECT_EQ(ErrorBoxText("Отказано"), "Отказано.");
    EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(CloseButtonHover, CoordinatesAbove255NeverPass) {
    EXPECT_TRUE(InCoordinateRange(255, 0, 1000));
    EXPECT_FALSE(InCoordinateRange(256, 0, 1000));
    EXPECT_FALSE(InCoordinateRange(-1, 0, 23));
    EXPECT_TRUE(InCoordinateRange(23, 0, 23)) << "both bounds belong to the range";
}

TEST(CloseButtonHover, AnywhereOnTheButtonShowsTheRedCross) {
    EXPECT_TRUE(HoveredOverButton(0, 0, 23, 23));
    EXPECT_TRUE(HoveredOverButton(22, 22, 23, 23));
    EXPECT_TRUE(HoveredOverButton(23, 23, 23, 23));
    EXPECT_FALSE(HoveredOverButton(24, 5, 23, 23));
}

TEST(CloseButtonHover, OverTheWindowOnlyTheSquareNearTheTopLeftCounts) {
    EXPECT_TRUE(HoveredOverWindow(23, 23, 23, 23));
    EXPECT_TRUE(HoveredOverWindow(46, 46, 23, 23));
    EXPECT_FALSE(HoveredOverWindow(22, 30, 23, 23));
    EXPECT_FALSE(HoveredOverWindow(30, 47, 23, 23));
    EXPECT_FALSE(HoveredOverWindow(767, 35, 23, 23))
        << "the button's own place, seen from the window";
}

namespace {
struct ExpectedRow {
    int y, firstColumn, lastColumn;  // inclusive, as the outline is usually described
};
}  // namespace

TEST(WindowShape, ShippedSkinGivesTheDesignedOutline) {
    const std::vector<RowSpan> spans = ComposedSkinShape(BmpImage::Decode(SkinBitmapFile()));
    ASSERT_EQ(spans.size(), 598u)
        << "every skin row belongs to the window, the uncovered ones do not";
    for (std::size_t y = 0; y < spans.size(); ++y) ASSERT_EQ(spans[y].y, static_cast<int>(y));
    for (const ExpectedRow row : {ExpectedRow{0, 77, 777}, ExpectedRow{3, 61, 785},
                                  ExpectedRow{24, 22, 797}, ExpectedRow{597, 77, 720}}) {
        EXPECT_EQ(spans[static_cast<std::size_t>(row.y)].left, row.firstColumn) << "row " << row.y;
        EXPECT_EQ(spans[static_cast<std::size_t>(row.y)].right, row.lastColumn + 1)
            << "row " << row.y;
    }
}

TEST(WindowShape, RegionCoversExactlyTheSpans) {
    const wxRegion region = RegionFromSpans({{0, 2, 5}, {1, 0, 1}, {3, 4, 6}});
    EXPECT_EQ(region.GetBox(), wxRect(0, 0, 6, 4));
    EXPECT_EQ(region.Contains(2, 0), wxInRegion);
    EXPECT_EQ(region.Contains(4, 0), wxInRegion);
    EXPECT_EQ(region.Contains(5, 0), wxOutRegion) << "right edges are exclusive";
    EXPECT_EQ(region.Contains(0, 1), wxInRegion);
    EXPECT_EQ(region.Contains(1, 1), wxOutRegion);
    EXPECT_EQ(region.Contains(4, 2), wxOutRegion) << "a row without a span stays outside";
}
