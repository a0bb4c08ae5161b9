#include <gtest/gtest.h>

#include "FileError.h"
#include "NodeActivation.h"
#include "TempFolder.h"
#include "Utf.h"
#include "WrapperPage.h"

using namespace courseview;
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
    WrapperPageWriter writer(folder.Path(), "", *Cp1251);
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
    WrapperPageWriter writer(folder.Path(), "", *Utf8);
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
                                 "/c/del\x7F.jpg"};
    for (const auto* codePage : {Utf8.get(), Cp1251.get()}) {
        for (const auto& path : paths) {
            const std::u16string fragment = PictureFragment(path, 515, 473, *codePage);
            EXPECT_EQ(SourceAsBrowserReadsIt(fragment), path) << Utf16ToUtf8(fragment);
            // The page goes out in the code page: nothing may turn into "?".
            EXPECT_EQ(codePage->ToUtf16(codePage->FromUtf16(fragment)), fragment) << path;
        }
    }
}

TEST(WrapperPage, MalformedByteBeforeAsciiGoesOutAsItsOwnByte) {
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
    for (const std::string path : {"/c/\xDD"
                                   "e.jpg",
                                   "/c/\xF0\x9F\x98"
                                   "e.jpg",
                                   "/c/\xEF\xBF\xBD.jpg"}) {
        EXPECT_EQ(SourceAsBrowserReadsIt(PictureFragment(path, 515, 473, *Utf8)), path);
    }
}

TEST(WrapperPage, OrdinaryPathsAreWrittenUnchanged) {
    EXPECT_EQ(PathForSourceAttribute("/home/уч/Курс 1/Фото (2).jpg", *Utf8),
              u"/home/уч/Курс 1/Фото (2).jpg");
    EXPECT_EQ(PathForSourceAttribute("/c/中.jpg", *Cp1251), u"/c/%E4%B8%AD.jpg");
}

TEST(WrapperPage, ReadOnlyProgramFolderFallsBackToTheUsersFolder) {
    TempFolder folder;
    TempFolder runtime;
    // Even root cannot create a file below a plain file.
    const std::string programFolder = folder.Write("disc", "not a folder") + "/";
    WrapperPageWriter writer(programFolder, runtime.Path(), *Utf8);
    const auto written = writer.Write(u"x");
    EXPECT_EQ(written.parent_path(), std::filesystem::path(runtime.Path()).parent_path());
    EXPECT_NE(ReadFileBytes(written).find("<td>\r\nx\r\n</td>"), std::string::npos);
    writer.RemovePages();
    EXPECT_FALSE(std::filesystem::exists(written));
}

TEST(WrapperPage, NoPlaceToWriteIsAnErrorNamingTheProgramFolderPage) {
    TempFolder folder;
    const std::string programFolder = folder.Write("disc", "not a folder") + "/";
    WrapperPageWriter writer(programFolder, folder.Path() + "missing", *Utf8);
    try {
        writer.Write(u"");
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot create file \"" + programFolder +
                                                 "temp.htm\". " + SystemErrorText(ENOTDIR));
    }
}

TEST(WrapperPage, FolderNamedTempHtmIsNeitherWrittenNorRemoved) {
    TempFolder folder;
    folder.Write("temp.htm/keep.jpg", "x");
    WrapperPageWriter writer(folder.Path(), "", *Utf8);
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
