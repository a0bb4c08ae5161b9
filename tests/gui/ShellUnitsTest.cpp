// The shell's small rules that need no window.

#include <gtest/gtest.h>

#include <clocale>

#include "CloseButtonHover.h"
#include "ErrorBox.h"

using namespace courseview;

TEST(ErrorBox, TitleIsTheExecutableNameCutAtItsFirstDotWithTheRestInLowerCase) {
    std::setlocale(LC_ALL, "C.UTF-8");
    struct Case {
        const char* path;
        const char* title;
    };
    for (const Case& c :
         {Case{"/opt/course/courseview", "courseview"},  // the first keeps its case
          Case{"/opt/course/CourseView.bin.old", "Courseview"}, Case{"Viewer", "Viewer"},
          Case{"/a.b/VIEWER", "Viewer"},  // a dot in the folder does not count
          Case{"/x/.hidden", ""}, Case{"/x/курс", "курс"}, Case{"/x/КУРС.exe", "Курс"}}) {
        EXPECT_EQ(ApplicationTitle(c.path), c.title) << c.path;
    }
}

TEST(ErrorBox, PeriodIsAddedOnlyAfterCharactersAboveIt) {
    struct Case {
        const char* message;
        const char* text;
    };
    for (const Case& c :
         {Case{"Cannot create file \"/x/temp.htm\". Is a directory",
               "Cannot create file \"/x/temp.htm\". Is a directory."},
          Case{"Done.", "Done."},
          Case{"Why (really)", "Why (really)"},                     // ')' lies below the period
          Case{"A, b, c,", "A, b, c,"}, Case{"path /", "path /."},  // '/' lies just above it
          Case{"Отказано", "Отказано."}, Case{"", ""}}) {
        EXPECT_EQ(ErrorBoxText(c.message), c.text) << c.message;
    }
}

// Over the button anywhere; over the window only in the square one button
// size in from the top-left corner; never at a coordinate above 255.
TEST(CloseButtonHover, RedCrossShowsOnTheButtonAndInTheSquareNearTheTopLeft) {
    struct Case {
        bool overButton;
        int x, y;
        bool hovered;
    };
    for (const Case& c :
         {Case{true, 0, 0, true}, Case{true, 23, 23, true}, Case{true, 24, 5, false},
          Case{true, -1, 5, false}, Case{false, 23, 23, true}, Case{false, 46, 46, true},
          Case{false, 22, 30, false}, Case{false, 30, 47, false}, Case{false, 767, 35, false}}) {
        EXPECT_EQ(c.overButton ? HoveredOverButton(c.x, c.y, 23, 23)
                               : HoveredOverWindow(c.x, c.y, 23, 23),
                  c.hovered)
            << (c.overButton ? "button " : "window ") << c.x << "," << c.y;
    }
    EXPECT_TRUE(InCoordinateRange(255, 0, 1000));
    EXPECT_FALSE(InCoordinateRange(256, 0, 1000));
}
