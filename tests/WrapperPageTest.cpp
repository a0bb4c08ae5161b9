#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "ExitCleanup.h"
#include "FileError.h"
#include "NodeActivation.h"
#include "TempFolder.h"
#include "Utf.h"
#include "WrapperPage.h"

using namespace courseview;
using courseview::testing::ListingOrder;
using courseview::testing::ReadFileBytes;
using courseview::testing::TempFolder;

namespace {

const auto Utf8 = OpenCodePage("UTF-8");
const auto Cp1251 = OpenCodePage("CP1251");

// What a browser makes of the src attribute: the value ends at the first
// quote; entities and percent escapes are undone; characters become the
// UTF-8 bytes of the file name. Returns "<broken>" when markup could escape.
std::string SourceAsBrowserReadsIt(const std::u16string& fragment) {
    const std::u16string opening = u"<img src=\"";
    if (fragment.rfind(opening, 0) != 0) return "<broken>";
    const auto end = fragment.find(u'"', opening.size());
    if (end == std::u16string::npos) return "<broken>";
    const std::u16string value = fragment.substr(opening.size(), end - opening.size());
    if (value.find_first_of(u"<>") != std::u16string::npos) return "<broken>";
    if (fragment.substr(end).find(u"\" height=\"") != 0) return "<broken>";
    std::string bytes;
    std::u16string characters;  // converted together, so surrogate pairs stay whole
    auto flush = [&] {
        bytes += Utf16ToUtf8(characters);
        characters.clear();
    };
    for (std::size_t i = 0; i < value.size();) {
        if (value[i] == u'&' || value[i] == u'%') flush();
        if (value[i] == u'&') {
            const auto semicolon = value.find(u';', i);
            const std::u16string entity = value.substr(i, semicolon - i + 1);
            bytes += entity == u"&amp;"    ? "&"
                     : entity == u"&quot;" ? "\""
                     : entity == u"&lt;"   ? "<"
                                           : ">";
            i = semicolon + 1;
        } else if (value[i] == u'%') {
            bytes.push_back(
                static_cast<char>(std::stoi(Utf16ToUtf8(value.substr(i + 1, 2)), nullptr, 16)));
            i += 3;
        } else {
            if (value[i] < 0x20 || value[i] == u'#' || value[i] == u'?' || value[i] == u'\\')
                return "<broken>";
            characters.push_back(value[i]);
            ++i;
        }
    }
    flush();
    return bytes;
}

}  // namespace

TEST(WrapperPage, PicturePageIsFourExactLines) {
    TempFolder folder;
    WrapperPageWriter writer(WrapperPagePlaces(folder.Path(), {}, 42), *Cp1251);
    const std::string picture = "/курс/1/Схема.jpg";
    const auto written = writer.Write(PictureFragment(picture, 515, 473, *Cp1251));
    EXPECT_EQ(written, writer.PagePath());
    EXPECT_EQ(writer.PagePath(), folder.Path() + "temp.htm");
    EXPECT_EQ(ReadFileBytes(folder.Path() + "temp.htm"),
              "<html><center><body bgcolor=\"#FFAED0\"  scroll=no topmargin=\"0\" leftmargin=\"0\" "
              "rightmargin=\"0\" bottommargin=\"0\" marginwidth=\"0\" marginheight=\"0\">\r\n"
              "<table align=\"center\"  height=100% border=\"0\"><tr valign=\"middle\"><td>\r\n"
              "<img src=\"/\xEA\xF3\xF0\xF1/1/\xD1\xF5\xE5\xEC\xE0.jpg\" height=\"461\" "
              "width=\"503\">\r\n"
              "</td></tr></table></body></center></html>\r\n");
}

TEST(WrapperPage, BlankPageHasAnEmptyThirdLineAndReplacesTheOld) {
    TempFolder folder;
    folder.Write("temp.htm", std::string(10000, 'x'));
    WrapperPageWriter writer(WrapperPagePlaces(folder.Path(), {}, 42), *Utf8);
    writer.Write(u"");
    const std::string page = ReadFileBytes(folder.Path() + "temp.htm");
    EXPECT_NE(page.find("<td>\r\n\r\n</td>"), std::string::npos);
    EXPECT_EQ(page.size(), 263u);
    EXPECT_EQ(courseview::testing::ListingOrder(folder.Path()),
              std::vector<std::string>{"temp.htm"})
        << "no temporary file is left beside the page";
}

TEST(WrapperPage, HostilePathsStayInsideTheAttribute) {
    const std::string paths[] = {"/c/a\"onerror=alert(1) x.jpg",
                                 "/c/<script>alert(1)</script>.jpg",
                                 "/c/a&amp;b.jpg",
                                 "/c/a#b.jpg",
                                 "/c/a?b=1.jpg",
                                 "/c/100%.jpg",
                                 "/c/%41.jpg",
                                 "/c/back\\slash.jpg",
                                 "/c/new\nline\r\t.jpg",
                                 "/c/bad\xFF\xC0\x80.jpg",
                                 "/c/中文.jpg",
                                 "/c/Лекция.jpg",
                                 "/c/\xF0\x9F\x98\x80.jpg",
                                 "/c/del\x7F.jpg",
                                 "/c/\xDD"
                                 "e.jpg",
                                 "/c/\xF0\x9F\x98"
                                 "e.jpg",
                                 "/c/\xEF\xBF\xBD.jpg"};
    for (const auto* codePage : {Utf8.get(), Cp1251.get()}) {
        for (const auto& path : paths) {
            const std::u16string fragment = PictureFragment(path, 515, 473, *codePage);
            EXPECT_EQ(SourceAsBrowserReadsIt(fragment), path) << Utf16ToUtf8(fragment);
            // The page goes out in the code page: nothing may turn into "?".
            EXPECT_EQ(codePage->ToUtf16(codePage->FromUtf16(fragment)), fragment) << path;
        }
    }
}

TEST(WrapperPage, OnlyWhatTheCodePageCannotCarryIsEscaped) {
    EXPECT_EQ(PathForSourceAttribute("/home/уч/Курс 1/Фото (2).jpg", *Utf8),
              u"/home/уч/Курс 1/Фото (2).jpg");
    EXPECT_EQ(PathForSourceAttribute("/c/中.jpg", *Cp1251), u"/c/%E4%B8%AD.jpg");
    // A lead byte whose follower is plain ASCII is no character at all: it must
    // not swallow the follower into a U+FFFD the browser would look for.
    EXPECT_EQ(PathForSourceAttribute("/c/\xDD"
                                     "e.jpg",
                                     *Utf8),
              u"/c/%DDe.jpg");
    EXPECT_EQ(PathForSourceAttribute("/c/\xE0\xA0"
                                     "e.jpg",
                                     *Cp1251),
              u"/c/%E0%A0e.jpg");
}

TEST(WrapperPage, PlacesAreTheCourseThenEachUserFolderOnce) {
    struct Case {
        std::string course;
        std::vector<std::string> userFolders;
        std::vector<std::string> pages;
    };
    const std::string own = "courseview-42-temp.htm";
    for (const Case& c : {
             Case{"/c/", {"/run/u", "/tmp"}, {"/c/temp.htm", "/run/u/" + own, "/tmp/" + own}},
             Case{"", {"/run/u/", "/run/u//", "/tmp", "/tmp/"}, {"/run/u/" + own, "/tmp/" + own}},
             Case{"/c", {"", "relative", "/"}, {"/c/temp.htm", "/" + own}},
         }) {
        std::vector<std::string> pages;
        std::vector<bool> shared;
        for (const auto& place : WrapperPagePlaces(c.course, c.userFolders, 42)) {
            pages.push_back(place.page);
            shared.push_back(place.shared);
        }
        EXPECT_EQ(pages, c.pages) << c.course;
        EXPECT_EQ(shared.front(), !c.course.empty()) << c.course;
    }
}

TEST(WrapperPage, EachPlaceIsTriedOnlyWhenTheOneBeforeCannotTakeIt) {
    TempFolder folder;
    // Even root cannot create a file below a plain file.
    const std::string disc = folder.Write("disc", "not a folder");
    const std::string runtime = folder.MakeFolder("runtime");
    const std::string temp = folder.MakeFolder("temp");
    const std::string own = "/courseview-42-temp.htm";
    struct Case {
        std::vector<std::string> userFolders;
        std::string written;
    };
    for (const Case& c :
         {Case{{runtime, temp}, runtime + own}, Case{{folder.Path() + "missing", temp}, temp + own},
          Case{{disc, runtime, temp}, runtime + own}}) {
        WrapperPageWriter writer(WrapperPagePlaces(disc, c.userFolders, 42), *Utf8);
        EXPECT_EQ(writer.Write(u"x"), c.written);
        EXPECT_NE(ReadFileBytes(c.written).find("<td>\r\nx\r\n</td>"), std::string::npos);
        EXPECT_EQ(ListingOrder(runtime).size() + ListingOrder(temp).size(), 1u)
            << "one page, nothing beside it";
        writer.RemovePages();
        EXPECT_TRUE(ListingOrder(runtime).empty() && ListingOrder(temp).empty());
    }
}

TEST(WrapperPage, NoPlaceToWriteIsAnErrorNamingEveryPlaceTried) {
    TempFolder folder;
    const std::string disc = folder.Write("disc", "not a folder");
    WrapperPageWriter writer(WrapperPagePlaces(disc, {folder.Path() + "missing", disc}, 42), *Utf8);
    try {
        writer.Write(u"");
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot create file \"" + disc + "/temp.htm\". " + SystemErrorText(ENOTDIR) +
                      "; nor \"" + folder.Path() +
                      "missing/courseview-42-temp.htm\": " + SystemErrorText(ENOENT) + "; nor \"" +
                      disc + "/courseview-42-temp.htm\": " + SystemErrorText(ENOTDIR));
    }
}

TEST(WrapperPage, SecondViewerOnACourseWritesToItsOwnPlaceAndRemovesOnlyThat) {
    TempFolder course;
    TempFolder runtime;
    auto first =
        std::make_unique<WrapperPageWriter>(WrapperPagePlaces(course.Path(), {}, 41), *Utf8);
    EXPECT_EQ(first->Write(u"first"), course.Path() + "temp.htm");
    WrapperPageWriter second(WrapperPagePlaces(course.Path(), {runtime.Path()}, 42), *Utf8);
    EXPECT_EQ(second.Write(u"second"), runtime.Path() + "courseview-42-temp.htm");
    EXPECT_NE(ReadFileBytes(course.Path() + "temp.htm").find("first"), std::string::npos);
    second.RemovePages();
    EXPECT_TRUE(std::filesystem::exists(course.Path() + "temp.htm"));
    EXPECT_TRUE(ListingOrder(runtime.Path()).empty());
    // Once the first has gone, the course's page is free again.
    first.reset();
    EXPECT_FALSE(std::filesystem::exists(course.Path() + "temp.htm"));
    EXPECT_EQ(second.Write(u"second"), course.Path() + "temp.htm");
}

TEST(WrapperPage, PagesOfViewersThatAreGoneAreRemovedAtStart) {
    TempFolder runtime;
    WrapperPageWriter running(WrapperPagePlaces("", {runtime.Path()}, 41), *Utf8);
    running.Write(u"");
    for (const char* name : {"courseview-43-temp.htm", "courseview-x-temp.htm", "other.htm"})
        runtime.Write(name, "left");
    WrapperPageWriter starting(WrapperPagePlaces("", {runtime.Path()}, 42), *Utf8);
    auto names = ListingOrder(runtime.Path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"courseview-41-temp.htm", "courseview-x-temp.htm",
                                               "other.htm"}));
}

TEST(WrapperPage, TerminatingSignalsRemoveThePage) {
    TempFolder runtime;
    for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT, SIGQUIT}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const rlimit noCore{0, 0};
            ::setrlimit(RLIMIT_CORE, &noCore);
            CleanUpWhenTheProcessEnds();
            WrapperPageWriter writer(WrapperPagePlaces("", {runtime.Path()}, ::getpid()), *Utf8);
            writer.Write(u"");
            ::raise(signalNumber);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << signalNumber;
        EXPECT_EQ(ListingOrder(runtime.Path()), std::vector<std::string>{}) << signalNumber;
    }
}

TEST(WrapperPage, FolderNamedTempHtmIsNeitherWrittenNorRemoved) {
    TempFolder folder;
    folder.Write("temp.htm/keep.jpg", "x");
    WrapperPageWriter writer(WrapperPagePlaces(folder.Path(), {}, 42), *Utf8);
    EXPECT_THROW(writer.Write(u""), FileError);
    writer.RemovePages();
    EXPECT_TRUE(std::filesystem::exists(folder.Path() + "temp.htm/keep.jpg"));
}

TEST(NodeActivation, KindFollowsTheWholePathsLastDot) {
    const auto tables = MakeExtensionTables();
    const std::vector<std::string> paths = {"/c/a.htm",     "/c/b.JPG",     "/c/c.bmp",
                                            "/c/d.avi",     "/c/1 Лекции^", "/c/old.jpg/a.htm",
                                            "/c/x.jpg/HTML"};
    using Kind = Activation::Kind;
    const Kind expected[] = {Kind::Navigate, Kind::ShowPicture, Kind::ShowPicture, Kind::Navigate,
                             Kind::Navigate, Kind::Navigate,    Kind::Navigate};
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(paths.size()); ++i) {
        const Activation activation = ActivateEntry(i, paths, tables);
        EXPECT_EQ(activation.kind, expected[i]) << paths[i];
        EXPECT_EQ(activation.path, paths[i]);
    }
    EXPECT_EQ(ActivateEntry(std::nullopt, paths, tables).kind, Kind::Nothing);
    EXPECT_EQ(ActivateEntry(-1, paths, tables).kind, Kind::Nothing);
    EXPECT_EQ(ActivateEntry(7, paths, tables).kind, Kind::Nothing) << "a stale index opens nothing";
}
