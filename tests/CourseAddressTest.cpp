// Course addresses: a file's path byte for byte, and back.

#include <gtest/gtest.h>

#include "CourseAddress.h"

using namespace courseview;

TEST(CourseAddress, CarriesAnyNameAndComesBackToIt) {
    EXPECT_EQ(CourseUri("/a b/Л#1?.htm"), "course:///a%20b/%D0%9B%231%3F.htm");
    EXPECT_EQ(CourseUri("/x/bad\xFF^"), "course:///x/bad%FF%5E");
    std::string everyByte = "/c/";
    for (int byte = 1; byte < 256; ++byte)
        if (byte != '/') everyByte.push_back(static_cast<char>(byte));
    EXPECT_EQ(PathOfCourseUri(CourseUri(everyByte)), everyByte);
}

TEST(CourseAddress, PathOfWhatAPageAsksFor) {
    struct Case {
        std::string_view uri;
        std::optional<std::string> path;
    };
    const Case cases[] = {
        {"course:///c/sub\\pic.bmp", "/c/sub/pic.bmp"},  // a backslash acts as "/"
        {"course:///c/a%5Cb.bmp", "/c/a\\b.bmp"},        // an encoded one stays in the name
        {"course:///c/p.htm?x=1#top", "/c/p.htm"},
        {"COURSE:///c/%d0%9b.htm", "/c/Л.htm"},
        {"course:///c/100%.htm", "/c/100%.htm"},
        {"course://host/etc/passwd", std::nullopt},
        {"course:etc/passwd", std::nullopt},
        {"course:///c/a%00.htm", std::nullopt},
        {"file:///etc/passwd", std::nullopt},
        {"courses:///etc/passwd", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(PathOfCourseUri(c.uri), c.path) << c.uri;
}

TEST(CourseAddress, PagesGoToCourseWebBlankDataAndBlobPagesOnly) {
    for (const char* uri :
         {"course:///c/a.htm", "http://example.org/", "HTTPS://example.org/", "about:blank",
          "about:blank#top", "about:srcdoc", "data:text/html,x", "blob:course:///0a1b"}) {
        EXPECT_TRUE(PageMayNavigateTo(uri)) << uri;
    }
    for (const char* uri : {"file:///etc/passwd", "FILE:///etc/", "about:config", "ftp://x/",
                            "mailto:a@b.c", "ghelp:x", "a.htm", ""}) {
        EXPECT_FALSE(PageMayNavigateTo(uri)) << uri;
    }
}
