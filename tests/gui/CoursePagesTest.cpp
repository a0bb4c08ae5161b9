// Courses made on Windows, shown through the browser: pages in the charset
// they were written in, links in any letter case and with backslashes, "^"
// folders as listings, clips that play and seek.

#include <gtest/gtest.h>

#include <cmath>

#include "CodePage.h"
#include "CourseAddress.h"
#include "CourseBrowser.h"
#include "EncodingLabels.h"
#include "ViewerHarness.h"

using namespace courseview;
using namespace courseview::testing;

namespace {

constexpr char Greeting[] = "Привет, мир";

std::string Title(TForm1& form, const std::string& expected, int timeoutMs = 10000) {
    return WaitForScript(
        form, "document.title", [&](const std::string& title) { return title == expected; },
        timeoutMs);
}

// What the screen shows in the browser area, sampled every 8 pixels.
std::vector<std::uint32_t> BrowserAreaPicture(TForm1& form) {
    const wxPoint at = form.WB->GetScreenPosition();
    const wxSize size = form.WB->GetSize();
    std::vector<std::uint32_t> picture;
    for (int y = 0; y < size.y; y += 8)
        for (int x = 0; x < size.x; x += 8) picture.push_back(ScreenPixel(at + wxPoint(x, y)));
    return picture;
}

double AsNumber(const std::string& text) {
    try {
        return std::stod(text);
    } catch (const std::exception&) {
        return std::nan("");
    }
}

double Number(TForm1& form, const std::string& script) {
    return AsNumber(RunScript(form, script).value_or(""));
}

}  // namespace

TEST(CoursePages, EachKindOfPageReadsInTheCharsetItNeeds) {
    struct Case {
        const char* caption;
        std::string bytes;
        const char* characterSet;
    };
    const std::vector<Case> cases = {
        {"Undeclared UTF-8", "<title>Undeclared UTF-8</title><p>Привет, мир</p>", "UTF-8"},
        {"Undeclared 1251",
         "<title>Undeclared 1251</title><p>\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0</p>",
         "windows-1251"},
        {"Declared KOI8-R",
         "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=koi8-r\">"
         "<title>Declared KOI8-R</title><p>\xF0\xD2\xC9\xD7\xC5\xD4, \xCD\xC9\xD2</p>",
         "KOI8-R"},
        {"UTF-16 with mark",
         std::string("\xFF\xFE", 2) +
             [] {
                 std::string utf16;
                 const std::u16string text = u"<title>UTF-16 with mark</title><p>Привет, мир</p>";
                 for (const char16_t unit : text) {
                     utf16.push_back(static_cast<char>(unit & 0xFF));
                     utf16.push_back(static_cast<char>(unit >> 8));
                 }
                 return utf16;
             }(),
         "UTF-16LE"},
    };
    OpenViewer viewer([&](const TempFolder& folder) {
        for (std::size_t i = 0; i < cases.size(); ++i)
            folder.Write("page" + std::to_string(i) + ".htm", cases[i].bytes);
    });
    const EncodingInfo* system = EncodingForCodeset(SystemCodePage().Name());
    for (const Case& c : cases) {
        // Undeclared 8-bit pages were written in the system code page.
        if (c.characterSet == std::string("windows-1251") &&
            (system == nullptr || system->name != c.characterSet))
            continue;
        viewer.ClickItem(std::string(" ") + c.caption);
        ASSERT_EQ(Title(viewer.Form(), c.caption), c.caption);
        EXPECT_EQ(RunScript(viewer.Form(), "document.characterSet"), c.characterSet);
        EXPECT_EQ(RunScript(viewer.Form(), "document.body.innerText.split('\\n')[0]"), Greeting)
            << c.caption;
    }
}

TEST(CoursePages, LinksInAnyLetterCaseAndWithBackslashesFindTheirFiles) {
    OpenViewer viewer([](const TempFolder& folder) {
        folder.Write("pics/photo.bmp", BmpFile(5, 4));
        folder.Write("Рисунки/Схема.bmp", BmpFile(6, 4));
        folder.Write("data/script.js", "window.scripted = 'ran';");
        folder.Write("data/notes.txt", "notes");
        folder.Write("style.css", "body { color: rgb(1, 2, 3) }");
        folder.Write("frame.htm", "<body>in the frame</body>");
        folder.Write("sub/page.htm",
                     "<title>Probe</title><img src=\"pic.bmp\" onload=\"document.title = "
                     "'sub: ' + this.naturalWidth\">");
        folder.Write("sub/pic.bmp", BmpFile(7, 4));
        folder.Write("index.htm", R"page(<html><head><title>Index</title>
<link rel="stylesheet" href="Style.CSS"><script src="DATA/SCRIPT.JS"></script></head>
<body><img src="PICS/PHOTO.BMP"><img src="рисунки\СХЕМА.bmp"><iframe src="FRAME.HTM"></iframe>
<a id="sub" href="sub\page.htm">sub</a><script>
window.onload = function () {
  fetch('Data/Notes.TXT').then(function (r) { return r.text(); }).then(function (notes) {
    document.title = [window.scripted, getComputedStyle(document.body).color,
                      document.images[0].naturalWidth, document.images[1].naturalWidth,
                      frames[0].document.body.textContent, notes].join(',');
  });
};
</script></body></html>)page");
    });
    TForm1& form = viewer.Form();
    viewer.ClickItem(" Index");
    const std::string expected = "ran,rgb(1, 2, 3),5,6,in the frame,notes";
    EXPECT_EQ(Title(form, expected), expected);
    RunScript(form, "document.getElementById('sub').click()");
    EXPECT_EQ(Title(form, "sub: 7"), "sub: 7")
        << "a page reached by a backslash link finds its own neighbours";
}

TEST(CoursePages, CaretFolderOpensAListingOfItsEntries) {
    OpenViewer viewer([](const TempFolder& folder) {
        folder.Write("Appendix^/Table.htm", "<title>Table</title>");
        folder.Write("Appendix^/Таблица 2.htm", "<title>Table 2</title>");
    });
    TForm1& form = viewer.Form();
    viewer.ClickItem("Appendix");
    const std::string entries = WaitForScript(
        form, "Array.prototype.map.call(document.links, function (a) { return a.textContent; })",
        [](const std::string& links) { return links.find("Table.htm") != std::string::npos; });
    EXPECT_NE(entries.find("Таблица 2.htm"), std::string::npos) << entries;
    RunScript(form,
              "Array.prototype.filter.call(document.links, function (a) {"
              "  return a.textContent == 'Таблица 2.htm'; })[0].click()");
    EXPECT_EQ(Title(form, "Table 2"), "Table 2");
}

TEST(CoursePages, ClipPlaysAndSeeks) {
    OpenViewer viewer([](const TempFolder& folder) {
        std::filesystem::copy_file(
            std::string(SAMPLE_COURSE) + "/2 Солнечная система/Движение планеты.avi",
            folder.Path() + "Clip.avi");
    });
    TForm1& form = viewer.Form();
    viewer.ClickItem("Clip");
    const auto playing = [&](double after) {
        return WaitForScript(form,
                             "var v = document.querySelector('video'); v ? v.currentTime : -1",
                             [&](const std::string& time) { return AsNumber(time) > after; });
    };
    ASSERT_GT(AsNumber(playing(0.2)), 0.2) << "the clip does not play";
    RunScript(form, "document.querySelector('video').loop = true");
    const std::vector<std::uint32_t> before = BrowserAreaPicture(form);
    const double now = Number(form, "document.querySelector('video').currentTime");
    playing(now + 0.4);
    EXPECT_TRUE(BrowserAreaPicture(form) != before) << "the picture did not change while playing";

    RunScript(form,
              "var v = document.querySelector('video'); v.pause(); window.seeked = false;"
              "v.onseeked = function () { window.seeked = true; }; v.currentTime = 1.0;");
    EXPECT_EQ(
        WaitForScript(form, "window.seeked", [](const std::string& s) { return s == "true"; }),
        "true");
    EXPECT_NEAR(Number(form, "document.querySelector('video').currentTime"), 1.0, 0.1);
    EXPECT_EQ(TakeErrorBoxes(), std::vector<std::string>{});
}
