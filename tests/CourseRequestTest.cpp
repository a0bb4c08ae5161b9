// What the viewer answers for course addresses: the course's files with the
// charset the display decides, its own pages, and one "not found" for all else.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "CourseAddress.h"
#include "CourseRequest.h"
#include "TempFolder.h"
#include "ViewerPages.h"

using namespace courseview;
using namespace courseview::testing;

namespace {

class CourseRequestTest : public ::testing::Test {
protected:
    CourseRequestTest() : course(outside.MakeFolder("course") + "/") {
        Write("u8.htm", "<p>Привет</p>");
        Write("cp.htm", "<p>\xCF\xF0\xE8\xE2\xE5\xF2</p>");  // windows-1251, undeclared
        Write("koi.htm", "<meta charset=koi8-r><p>\xF0\xD2\xC9</p>");
        Write("u16.htm", std::string("\xFF\xFE<\0p\0>\0", 8));
        Write("notes.txt", "Привет");
        Write("pic.JPG", "jpeg");
        Write("clip.avi", "RIFF");
        Write("notes.zip", "PK");
        Write("Appendix^/Table.htm", "table");
        ::mkfifo((course + "fifo.htm").c_str(), 0644);
        outside.Write("secret.htm", "outside");
        site.courseFolder = course;
        site.wrapperPage = outside.Write("wrapper-temp.htm", "<img>");
    }

    void Write(const std::string& relative, std::string_view bytes) const {
        outside.Write("course/" + relative, bytes);
    }

    CourseAnswer Answer(const std::string& path, bool document = false) const {
        return AnswerCourseRequest(site, CourseUri(path), document, SystemCodePage());
    }

    TempFolder outside;
    std::string course;
    CourseSite site;
};

}  // namespace

TEST_F(CourseRequestTest, PagesGoOutWithTheCharsetTheDisplayDecides) {
    const std::string system = BrowserCharsetName(SystemCodePage().Name());
    struct Case {
        std::string file;
        std::string contentType;
    };
    const Case cases[] = {
        {"u8.htm", "text/html; charset=UTF-8"},
        {"cp.htm", "text/html; charset=" + system},
        {"koi.htm", "text/html; charset=KOI8-R"},
        {"u16.htm", "text/html; charset=UTF-16LE"},
        {"notes.txt", "text/plain; charset=UTF-8"},
        {"pic.JPG", "image/jpeg"},
        {"clip.avi", "video/x-msvideo"},
        {"notes.zip", "application/octet-stream"},
    };
    for (const Case& c : cases) {
        const CourseAnswer answer = Answer(course + c.file);
        EXPECT_EQ(answer.kind, CourseAnswer::Kind::File) << c.file;
        EXPECT_EQ(answer.file, course + c.file);
        EXPECT_EQ(answer.contentType, c.contentType) << c.file;
    }
    // The wrapper page is written in the system code page, wherever it lies.
    const CourseAnswer wrapper = Answer(site.wrapperPage);
    EXPECT_EQ(wrapper.kind, CourseAnswer::Kind::File);
    EXPECT_EQ(wrapper.contentType, "text/html; charset=" + system);
}

TEST_F(CourseRequestTest, FoldersAndClipsShownInAFrameGetTheViewersOwnPages) {
    const CourseAnswer listing = Answer(course + "Appendix^", true);
    EXPECT_EQ(listing.kind, CourseAnswer::Kind::Page);
    EXPECT_EQ(listing.contentType, "text/html; charset=utf-8");
    EXPECT_NE(listing.page.find("href=\"" + CourseUri(course + "Appendix^/Table.htm") + "\""),
              std::string::npos)
        << listing.page;
    const CourseAnswer player = Answer(course + "CLIP.avi", true);
    EXPECT_EQ(player.kind, CourseAnswer::Kind::Page);
    EXPECT_EQ(player.page, ClipPlayerPage());
    EXPECT_EQ(Answer(course + "clip.avi", false).kind, CourseAnswer::Kind::File)
        << "the player fetches the clip itself";
}

TEST_F(CourseRequestTest, NameEscapedInTheSystemCodePageFindsItsUtf8File) {
    Write("Карта.jpg", "jpeg");
    const CodePage& windows = CodePageNamed("CP1251");
    const std::string escaped = course + "\xCA\xE0\xF0\xF2\xE0.JPG";  // "Карта.JPG" in windows-1251
    const CourseAnswer answer = AnswerCourseRequest(site, CourseUri(escaped), false, windows);
    EXPECT_EQ(answer.kind, CourseAnswer::Kind::File);
    EXPECT_EQ(answer.file, course + "Карта.jpg");
    EXPECT_EQ(AnswerCourseRequest(site, CourseUri(escaped), false, CodePageNamed("UTF-8")).kind,
              CourseAnswer::Kind::NotFound);
    EXPECT_EQ(
        AnswerCourseRequest(site, CourseUri(course + "..\xFF/secret.htm"), false, windows).kind,
        CourseAnswer::Kind::NotFound);
}

TEST_F(CourseRequestTest, AnythingElseIsNotFoundWhetherItExistsOrNot) {
    for (const std::string& path :
         {course + "none.htm", course + "../secret.htm", outside.Path() + "secret.htm",
          std::string("/etc/passwd"), course + "fifo.htm", outside.Path()}) {
        EXPECT_EQ(Answer(path).kind, CourseAnswer::Kind::NotFound) << path;
    }
    EXPECT_EQ(
        AnswerCourseRequest(site, "file://" + course + "u8.htm", false, SystemCodePage()).kind,
        CourseAnswer::Kind::NotFound);
    EXPECT_EQ(AnswerCourseRequest({}, CourseUri(course + "u8.htm"), false, SystemCodePage()).kind,
              CourseAnswer::Kind::NotFound)
        << "no course yet";
}

TEST(CourseRequest, CodePagesByTheNamesTheBrowserKnows) {
    EXPECT_EQ(BrowserCharsetName("CP1251"), "windows-1251");
    EXPECT_EQ(BrowserCharsetName("UTF-8"), "UTF-8");
    EXPECT_EQ(BrowserCharsetName("KOI8-R"), "KOI8-R");
}

TEST(ViewerPages, ListingLinksEveryEntryAndShowsAnyName) {
    TempFolder folder;
    folder.Write("a&b <i>.htm", "");
    folder.Write("\xCF\xF0.htm", "");  // windows-1251 bytes
    folder.MakeFolder("sub");
    const std::string page = FolderListingPage(folder.Path(), *OpenCodePage("CP1251"));
    for (const std::string& text :
         {"href=\"" + CourseUri(folder.Path() + "a&b <i>.htm") + "\">a&amp;b &lt;i&gt;.htm</a>",
          "href=\"" + CourseUri(folder.Path() + "\xCF\xF0.htm") + "\">Пр.htm</a>",
          "href=\"" + CourseUri(folder.Path() + "sub") + "/\">sub/</a>"}) {
        EXPECT_NE(page.find(text), std::string::npos) << text << "\n" << page;
    }
}
