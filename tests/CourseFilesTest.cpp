// Course files found as Windows found them, and never outside the course.

#include <gtest/gtest.h>
#include <unistd.h>

#include "CourseFiles.h"
#include "TempFolder.h"

using namespace courseview;
using namespace courseview::testing;

namespace {

class CourseFilesTest : public ::testing::Test {
protected:
    CourseFilesTest() : course(outside.MakeFolder("course") + "/") {
        for (const char* file : {"Pics/Photo.bmp", "Рисунки/Схема.bmp", "a.js", "A.js", "b.JS"})
            outside.Write(std::string("course/") + file, file);
        outside.Write("secret.txt", "outside");
        outside.MakeFolder("out");
        ::symlink((outside.Path() + "secret.txt").c_str(), (course + "link.txt").c_str());
        ::symlink((outside.Path() + "out").c_str(), (course + "out").c_str());
        ::symlink("Pics/Photo.bmp", (course + "alias.bmp").c_str());
    }

    std::optional<std::string> Resolve(std::string_view relative) const {
        const std::optional<std::string> found = ResolveCourseFile(course, relative);
        if (!found) return std::nullopt;
        return found->substr(course.size());
    }

    TempFolder outside;
    std::string course;
};

}  // namespace

TEST_F(CourseFilesTest, NameInAnyLetterCaseFindsTheFile) {
    struct Case {
        std::string_view asked;
        std::optional<std::string> found;
    };
    const Case cases[] = {
        {"Pics/Photo.bmp", "Pics/Photo.bmp"},
        {"pics/PHOTO.BMP", "Pics/Photo.bmp"},
        {"РИСУНКИ/схема.BMP", "Рисунки/Схема.bmp"},
        {"a.js", "a.js"},  // an exact name wins
        {"A.js", "A.js"},
        {"a.JS", "A.js"},  // else the first in NTFS order
        {"B.js", "b.JS"},
        {"./Pics//photo.bmp", "Pics/Photo.bmp"},
        {"", ""},
        {"alias.bmp", "alias.bmp"},  // a link that stays inside
        {"Pics/none.bmp", std::nullopt},
        {"a.js/x", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(Resolve(c.asked), c.found) << c.asked;
}

TEST_F(CourseFilesTest, NothingOutsideTheCourseIsFound) {
    for (const char* asked : {"../secret.txt", "Pics/../../secret.txt", "Pics/../a.js",
                              "/etc/passwd", "link.txt", "out", "OUT/x", ".."}) {
        EXPECT_EQ(Resolve(asked), std::nullopt) << asked;
    }
}

TEST_F(CourseFilesTest, FinderSaysHowAPathMatched) {
    using Kind = CourseFileMatch::Kind;
    CourseFileFinder finder(course);
    const std::pair<std::string_view, Kind> cases[] = {
        {"Pics/Photo.bmp", Kind::Exact},
        {"pics/Photo.bmp", Kind::IgnoringCase},
        {"Pics/PHOTO.BMP", Kind::IgnoringCase},  // a folder listed once serves again
        {"Pics/none.bmp", Kind::Missing},
        {std::string_view("a.js\0x", 6), Kind::Missing},
        {"link.txt", Kind::Outside},
        {"../secret.txt", Kind::Outside},
        {"/etc/passwd", Kind::Outside},
    };
    for (const auto& [asked, kind] : cases) EXPECT_EQ(finder.Find(asked).kind, kind) << asked;
}
