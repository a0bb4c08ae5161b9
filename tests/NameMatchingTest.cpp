#include <gtest/gtest.h>

#include "NameMatching.h"

using namespace courseview;

namespace {
const ExtensionTables Tables = MakeExtensionTables();
int Viewable(std::u16string_view name) { return ExtensionIndex(Tables.ViewableExtensions, name); }
int Skipped(std::u16string_view name) {
    return ExtensionIndex(Tables.SkippedFolderExtensions, name);
}
}  // namespace

TEST(NameMatching, FoldsOnlyLatinCapitals) {
    EXPECT_TRUE(SameTextAscii(u"Temp.htm", u"TEMP.HTM"));
    EXPECT_TRUE(SameTextAscii(u"", u""));
    EXPECT_FALSE(SameTextAscii(u"title", u"titles"));
    EXPECT_FALSE(SameTextAscii(u"Текст", u"текст"));
    // "@" and "[" sit just outside A..Z; folding them would make them "`" and "{".
    EXPECT_FALSE(SameTextAscii(u"@", u"`"));
    EXPECT_FALSE(SameTextAscii(u"[", u"{"));
    EXPECT_FALSE(SameTextAscii(u"\u00C9", u"\u00E9"));
}

TEST(NameMatching, ExtensionGivesTheFileKind) {
    EXPECT_EQ(Viewable(u"Lecture.HTM"), KindPage);
    EXPECT_EQ(Viewable(u"a.html"), KindPageLong);
    EXPECT_EQ(Viewable(u"photo.JPG"), KindJpeg);
    EXPECT_EQ(Viewable(u"clip.Avi"), KindClip);
    EXPECT_EQ(Viewable(u"x.bmp"), KindBitmap);
    EXPECT_EQ(Viewable(u"HTML"), KindPageLong) << "a name without a dot is its own extension";
}

TEST(NameMatching, UnknownOrMissingExtensionsGiveMinusOne) {
    for (auto name : {u"photo.jpeg", u"page.htm.bak", u"page.shtml", u"..", u"page.", u"x"}) {
        EXPECT_EQ(Viewable(name), -1)
            << std::string(name, name + std::char_traits<char16_t>::length(name));
        EXPECT_EQ(Skipped(name), -1);
    }
}

TEST(NameMatching, ShortNamesAreNeverLookedUp) {
    const ExtensionList single = {u"a"};
    EXPECT_EQ(ExtensionIndex(single, u"a"), -1);
    const ExtensionList pair = {u"ab"};
    EXPECT_EQ(ExtensionIndex(pair, u"ab"), 0) << "two characters without a dot are looked up whole";
}

TEST(NameMatching, SkippedFolderExtensions) {
    EXPECT_EQ(Skipped(u"files"), 0);
    EXPECT_EQ(Skipped(u"Lecture.files"), 0);
    EXPECT_EQ(Skipped(u"LECTURE.FILES"), 0);
    EXPECT_EQ(Skipped(u"Lecture_files"), -1);
}

TEST(NameMatching, WholePathsUseTheLastDotAnywhere) {
    EXPECT_EQ(Viewable(u"/course/old.jpg/a.htm"), KindPage);
    EXPECT_EQ(Viewable(u"/course/old.jpg/a"), -1) << "the extension would hold a separator";
    EXPECT_EQ(Viewable(u"/course/1 Лекции^"), -1);
}
