// The author's check on a course with every kind of problem and pages
// without any, through the tool, and on pages that try to make it hang.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <map>

#include "CourseCheck.h"
#include "HtmlTextReader.h"
#include "LinkAddress.h"
#include "ShellCommand.h"
#include "TempFolder.h"
#include "Utf.h"

using namespace courseview;
using namespace courseview::testing;

namespace {

std::string Shell(const std::string& command, int& exitCode) {
    CommandRun run = RunShellCommand(command);
    exitCode = run.exitCode;
    return std::move(run.output);
}

std::string Check(const std::string& folder, const std::string& options, int& exitCode) {
    return Shell("LC_ALL=C.UTF-8 COURSEVIEW_CODEPAGE=CP1251 " + std::string(CATALOGUE_TOOL) +
                     " --check " + options + " '" + folder + "'",
                 exitCode);
}

constexpr std::string_view Head = "<html><head><meta charset=\"utf-8\">\n";

std::string Utf16LittleEndianWithMark(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text)
        bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    return bytes;
}

// Every kind of problem, and pages without any; "@" in a name stands for
// the course folder in the expected report.
const std::pair<const char*, std::string> TestCourse[] = {
    {"index.htm",
     std::string(Head) +
         "<title>Главная</title>\n"
         "<a href=\"Лекции/Лекция 1.htm\">1</a> <a href='http://e.org/x'>web</a>\n"
         "<a href=\"mailto:a@b\">m</a><a href=\"#top\">t</a><a href=\"?q\">q</a>\n"
         "<img src=\"pics/Missing.jpg\"><img\n src=\"PICS/photo.JPG\">\n"
         "<a href=\"../secret.htm\">s</a><a href=\"C:\\Курс\\a.htm\">c</a>\n"
         "<a href=\"file:///etc/passwd\">f</a><a href=\"/etc/passwd\">p</a>\n"
         "<!-- <a href=\"commented.htm\"> --><script src=\"lecture.files/a.js\">"
         "</script>\n"
         "<a href=\"Лекции\\Лекция%201.htm?x=1#y\">b</a>"
         "<a href=\"%D0%9B%D0%B5%D0%BA%D1%86%D0%B8%D0%B8/\">e</a>"
         "<td background=\"100%.gif\"><a href=\"%zz.htm\">z</a><a href=pics/secret.htm>s</a>"},
    {"lecture.files/a.js", "x"},
    {"100%.gif", "x"},
    {"pics/Photo.jpg", "x"},
    {"Лекции/Лекция 1.htm", std::string(Head) +
                                "<title>Лекция 1</title><frameset><frame src=\"../index.htm\">"
                                "<frame src=\"Лекция 2.htm\"></frameset>"},
    {"Лекции/Лекция 2.htm", std::string(Head) + "<title>Лекция 2-3</title>"},
    {"Лекции/Лекция 3.htm", std::string(Head) + "<title>Лекция 2-3</title>"},
    {"Лекции/Из.htm", "<title>Из архива</title>"},
    {"Лекции/old.htm", "<title>Old</title>\r\n<p>\xCF\xF0\xE8\xEC\xE5\xF0 <a href=\"%C8%E7.htm\">"},
    {"short.htm", "<TITLE>A</TITLE>"},
    {"unicode.htm", Utf16LittleEndianWithMark(u"<title>Юникод</title>\r\n<img src=\"Рис.bmp\">")},
    {"empty title.htm", "\n\n<title></title>"},
    {"no title.htm", "<p>text"},
    {"Разное/b.htm", "<title>after the broken one</title>"},
    {"Разное/c.jpg", "x"},
};

std::string Expand(std::string text, const std::string& folder) {
    for (std::size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at))
        text.replace(at, 1, folder);
    return text;
}

class CourseCheckTest : public ::testing::Test {
protected:
    CourseCheckTest() : course(folder.MakeFolder("course") + "/") {
        for (const auto& [path, bytes] : TestCourse)
            folder.Write("course/" + std::string(path), bytes);
        folder.Write("secret.htm", "outside");
        ::symlink("nowhere", (course + "Разное/a.htm").c_str());
        ::symlink("../../secret.htm", (course + "pics/secret.htm").c_str());
    }
    TempFolder folder;
    const std::string course;
};

// Catalogue order: the names as a Windows listing orders them.
constexpr std::string_view ExpectedReport = R"({"problems": [
  {"kind": "short-title", "path": "@empty title.htm", "line": 3, "link": null, "target": null, "message": "The title element is empty: the catalogue shows the file name \"empty title\" instead."},
  {"kind": "broken-link", "path": "@index.htm", "line": 5, "link": "pics/Missing.jpg", "target": "@pics/Missing.jpg", "message": "Nothing in the course is named \"pics/Missing.jpg\", not even with letter case ignored."},
  {"kind": "case-only-link", "path": "@index.htm", "line": 6, "link": "PICS/photo.JPG", "target": "@pics/Photo.jpg", "message": "Only \"pics/Photo.jpg\" matches, with letter case ignored: the link works in this viewer and on Windows, but not on a web server or in other programs on Linux."},
  {"kind": "outside-link", "path": "@index.htm", "line": 7, "link": "../secret.htm", "target": null, "message": "\"../\" climbs past the top of the course folder: the viewer loads nothing outside the course."},
  {"kind": "outside-link", "path": "@index.htm", "line": 7, "link": "C:\\Курс\\a.htm", "target": null, "message": "A Windows drive path leads outside the course folder: the viewer loads nothing outside the course. Write it relative to this page."},
  {"kind": "outside-link", "path": "@index.htm", "line": 8, "link": "file:///etc/passwd", "target": null, "message": "A file: address leads outside the course folder: the viewer loads nothing outside the course. Write it relative to this page."},
  {"kind": "outside-link", "path": "@index.htm", "line": 8, "link": "/etc/passwd", "target": null, "message": "An absolute path leads outside the course folder: the viewer loads nothing outside the course. Write it relative to this page."},
  {"kind": "broken-link", "path": "@index.htm", "line": 10, "link": "%zz.htm", "target": "@%zz.htm", "message": "Nothing in the course is named \"%zz.htm\", not even with letter case ignored."},
  {"kind": "outside-link", "path": "@index.htm", "line": 10, "link": "pics/secret.htm", "target": null, "message": "\"pics/secret.htm\" lies outside the course folder, through a symbolic link: the viewer loads nothing outside the course."},
  {"kind": "short-title", "path": "@short.htm", "line": 1, "link": null, "target": null, "message": "The title \"A\" is shorter than two characters: the catalogue shows the file name \"short\" instead."},
  {"kind": "broken-link", "path": "@unicode.htm", "line": 2, "link": "Рис.bmp", "target": "@Рис.bmp", "message": "Nothing in the course is named \"Рис.bmp\", not even with letter case ignored."},
  {"kind": "code-page-dependent", "path": "@Лекции/old.htm", "line": 2, "link": null, "target": null, "message": "The page has no byte-order mark, declares no charset and is not UTF-8, so it is read in the system code page, here windows-1251: it reads right only where that is the author's code page. If the page was written in windows-1251, add <meta charset=\"windows-1251\"> to its head."},
  {"kind": "duplicate-caption", "path": "@Лекции/Лекция 2.htm", "line": null, "link": null, "target": null, "message": "2 entries of this folder are captioned \" Лекция 2-3\", and a student cannot tell them apart: \"Лекция 2.htm\", \"Лекция 3.htm\"."},
  {"kind": "listing-ended", "path": "@Разное/a.htm", "line": null, "link": null, "target": null, "message": "The page could not be read (Cannot open file \"@Разное/a.htm\". No such file or directory), so its folder's listing ended there, and these entries after it are missing from the catalogue: \"b.htm\", \"c.jpg\"."}
]}
)";

}  // namespace

TEST_F(CourseCheckTest, JsonReportNamesEveryProblemInCatalogueOrder) {
    int exitCode = -1;
    EXPECT_EQ(Check(course, "--json", exitCode), Expand(std::string(ExpectedReport), course));
    EXPECT_EQ(exitCode, 1);
}

TEST_F(CourseCheckTest, ReadableReportListsTheSameProblemsByPage) {
    int exitCode = -1;
    const std::string text = Check(course, "", exitCode);
    EXPECT_EQ(exitCode, 1);
    // Each problem a line under its page's: its kind after the line number.
    std::vector<std::string> kinds, expectedKinds;
    std::size_t pages = 0;
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = text.substr(at, end - at);
        if (line.starts_with(course)) ++pages;
        if (!line.starts_with("  ")) continue;
        const std::size_t kind = line.starts_with("  line ") ? line.find(": ") + 2 : 2;
        kinds.push_back(line.substr(kind, line.find_first_of(" :", kind) - kind));
    }
    const std::string_view report = ExpectedReport;
    for (std::size_t at = report.find("\"kind\": \""); at != std::string_view::npos;
         at = report.find("\"kind\": \"", at + 1)) {
        const std::size_t start = at + 9;
        expectedKinds.emplace_back(report.substr(start, report.find('"', start) - start));
    }
    EXPECT_EQ(kinds, expectedKinds) << text;
    EXPECT_EQ(pages, 7u) << text;
    EXPECT_TRUE(text.ends_with("\n14 problems in 7 entries\n")) << text;
}

TEST(CourseCheck, CleanCourseReportsNothingAndExitsZero) {
    TempFolder folder;
    folder.Write("a.htm", "<title>Страница</title><img src=\"Рис/b.jpg\"><a href=\"Рис/\">");
    folder.Write("Рис/b.jpg", "x");
    for (const auto& [options, output] :
         {std::pair{"--json", "{\"problems\": []}\n"}, std::pair{"", "No problems found.\n"}}) {
        int exitCode = -1;
        EXPECT_EQ(Check(folder.Path(), options, exitCode), output);
        EXPECT_EQ(exitCode, 0);
    }
    int exitCode = -1;
    Shell(std::string(CATALOGUE_TOOL) + " --check --find x '" + folder.Path() + "' 2>&1", exitCode);
    EXPECT_EQ(exitCode, 2);
}

TEST(CourseCheck, HostilePagesAreCheckedInBoundsWithoutCrashing) {
    const std::string millionLinks = [] {
        std::string page = "<title>Many</title>";
        for (int i = 0; i < 1'000'000; ++i) page += "<a href=x.jpg>";
        return page + "\n<a href=none.jpg>";
    }();
    struct Case {
        std::string name;
        std::string bytes;
        std::string found;  // kind:line, in order
    };
    const Case cases[] = {
        {"million.htm", millionLinks, "broken-link:2"},
        {"long.htm", "<title>Long</title><a href=\"" + std::string(100'000, 'a') + "\">",
         "broken-link:1"},
        {"escapes.htm", "<title>Esc</title>\n<a href=%><a href=%4><a href=%%41><a href=100%.jpg>",
         "broken-link:2,broken-link:2,broken-link:2"},
        {"bytes.htm", "<meta charset=utf-8><title>Bytes</title><a href=\"\xFF\xC0.jpg\">",
         "broken-link:1"},
        {"cp1251.htm", "<title>Old</title><a href=\"\xC8\xE7.jpg\">", "code-page-dependent:1"},
        {"one line.htm", "<title>Line</title>" + std::string(50 << 20, 'a') + "<a href=none.jpg>",
         "broken-link:1"},
        {"frame1.htm", "<title>F1</title><frameset><frame src=frame2.htm></frameset>", ""},
        {"frame2.htm", "<title>F2</title><frameset><frame src=FRAME1.htm></frameset>",
         "case-only-link:1"},
    };
    TempFolder folder;
    folder.Write("x.jpg", "x");
    folder.Write("Из.jpg", "x");
    folder.Write("100%.jpg", "x");
    for (const Case& c : cases) folder.Write(c.name, c.bytes);
    std::map<std::string, std::string> found;
    std::size_t longestLink = 0;
    CourseCheck(CodePageNamed("CP1251")).Run(folder.Path(), [&](const Problem& problem) {
        std::string& list = found[problem.path.substr(folder.Path().size())];
        list += (list.empty() ? "" : ",") + std::string(ProblemKindName(problem.kind)) + ":" +
                std::to_string(problem.line.value_or(0));
        longestLink = std::max(longestLink, problem.link.value_or("").size());
        if (problem.link && problem.link->size() == HtmlTextReader::MaximumValueLength) {
            EXPECT_NE(problem.message.find("runs past 8192 characters"), std::string::npos);
        }
    });
    for (const Case& c : cases) EXPECT_EQ(found[c.name], c.found) << c.name;
    EXPECT_EQ(longestLink, HtmlTextReader::MaximumValueLength);
}

TEST(LinkAddress, ReadAsTheBrowserReadsIt) {
    using Kind = LinkAddress::Kind;
    using Way = LinkAddress::Way;
    struct Case {
        std::u16string_view link;
        Kind kind;
        std::string path;  // InCourse: the path; Outside: the way, as a number
        std::string escaped = {};
    };
    const auto way = [](Way w) { return std::to_string(static_cast<int>(w)); };
    const Case cases[] = {
        {u"", Kind::NotChecked, ""},
        {u"#top", Kind::NotChecked, ""},
        {u"?q=1", Kind::NotChecked, ""},
        {u"http://e.org/x.htm", Kind::NotChecked, ""},
        {u"JavaScript:go('../x')", Kind::NotChecked, ""},
        {u"C:\\Курс\\x.htm", Kind::Outside, way(Way::DrivePath)},
        {u"FILE:///x.htm", Kind::Outside, way(Way::FileAddress)},
        {u"/x.htm", Kind::Outside, way(Way::AbsolutePath)},
        {u"\\\\server\\share\\x.htm", Kind::Outside, way(Way::NetworkPath)},
        {u"../../x.htm", Kind::Outside, way(Way::PastTheTop)},
        {u"%2e%2e/%2E%2E/x.htm", Kind::Outside, way(Way::PastTheTop)},
        {u" \tb\\c%20d\n.htm?x#y ", Kind::InCourse, "a/b/c d.htm"},
        {u"./x/../y.htm", Kind::InCourse, "a/y.htm"},
        {u"../Лекция.htm", Kind::InCourse, "Лекция.htm"},
        {u"x%2Fy%5C.htm", Kind::InCourse, "a/x/y\\.htm"},
        {u"%C8%E7.htm", Kind::InCourse, "a/Из.htm", "a/\xC8\xE7.htm"},
        {u"%D0%98%D0%B7.htm", Kind::InCourse, "a/Из.htm"},
    };
    for (const Case& c : cases) {
        const LinkAddress address = ReadLinkAddress(c.link, "a/", &CodePageNamed("CP1251"));
        const std::string link = Utf16ToUtf8(c.link);
        EXPECT_EQ(address.kind, c.kind) << link;
        if (c.kind == Kind::Outside) {
            EXPECT_EQ(way(address.way), c.path) << link;
        }
        if (c.kind != Kind::InCourse) continue;
        EXPECT_EQ(address.path, c.path) << link;
        EXPECT_EQ(address.escapedBytesPath, c.escaped) << link;
    }
    // In a UTF-8 page, bytes that are not UTF-8 are asked for as they stand.
    EXPECT_EQ(ReadLinkAddress(u"%C8%E7.htm", "", &CodePageNamed("UTF-8")).path, "\xC8\xE7.htm");
}
