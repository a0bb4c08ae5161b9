// The search as a student meets it, with real keys: Ctrl+F shows the field,
// typing fills the results page, Enter and a click open results as a tree
// click does, F3 steps through the engine's marks, Escape hides the field.
// The course is as Windows left it: a windows-1251 page without a
// declaration, a page named in capitals.

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/treectrl.h>

#include "CodePage.h"
#include "CourseAddress.h"
#include "CourseBrowser.h"
#include "EncodingLabels.h"
#include "PictureControl.h"
#include "ResultsPage.h"
#include "SearchField.h"
#include "Utf.h"
#include "ViewerHarness.h"
#include "WindowSearch.h"

using namespace courseview;
using namespace courseview::testing;

namespace {

constexpr std::uint32_t Pink = 0xFFAED0;

void LayOutCourse(const TempFolder& folder) {
    // "Законы Кеплера" ... in windows-1251, saying nothing of it.
    folder.Write("Механика/Законы.htm",
                 "<title>\xC7\xE0\xEA\xEE\xED\xFB \xCA\xE5\xEF\xEB\xE5\xF0\xE0</title>"
                 "<p>\xCA\xE5\xEF\xEB\xE5\xF0 \xEE\xF2\xEA\xF0\xFB\xEB</p>");
    folder.Write("Механика/Кеплер.bmp", BmpFile());
    folder.Write("Оптика/ТРУБА.HTM",
                 "<title>Телескоп</title><p id=a>Труба Кеплера</p><p id=b>Сам Кеплер</p>"
                 "<p>Линзы</p><p id=c>Схема кеплеровская</p>");
    folder.Write("Kepler.htm", "<title>Kepler</title><p>Johannes <b>Kepler</b></p>");
}

bool SystemReadsWindows1251() {
    const EncodingInfo* system = EncodingForCodeset(SystemCodePage().Name());
    return system != nullptr && system->name == std::string("windows-1251");
}

// Waits until the results page says how the search ended, and returns that.
std::string SearchEnd(TForm1& form) {
    return WaitForScript(form, "var s = document.getElementById('status'); s ? s.textContent : ''",
                         [](const std::string& status) {
                             return status.starts_with("Найдено") ||
                                    status == Utf16ToUtf8(NothingFoundText);
                         });
}

std::string Selected(TForm1& form) {
    const wxTreeItemId item = form.TV->GetSelection();
    return item.IsOk() ? form.TV->GetItemText(item).utf8_string() : "";
}

std::string EntryUri(TForm1& form, std::int32_t entry) {
    return CourseUri(form.PagePaths().at(static_cast<std::size_t>(entry)));
}

// The id of the element the page's selection is in: where the find stands.
std::string FoundAt(TForm1& form, const std::string& expected) {
    return WaitForScript(
        form,
        "var s = window.getSelection(); s.rangeCount ? s.anchorNode.parentNode.id || '?' : ''",
        [&](const std::string& id) { return id == expected; }, 10000);
}

void StartSearch(OpenViewer& viewer, std::u16string_view query) {
    PressKeys({"Control_L", "f"});
    ASSERT_TRUE(RunEventLoopUntil([&] { return viewer.Form().SearchBox->HasFocus(); }));
    TypeText(query);
}

}  // namespace

TEST(Search, CtrlFShowsTheFieldAndTypingFillsTheResultsPage) {
    OpenViewer viewer(LayOutCourse);
    TForm1& form = viewer.Form();
    const wxPoint border = form.GetScreenPosition() + wxPoint(255, 42);
    EXPECT_FALSE(form.SearchBox->IsShown());
    EXPECT_EQ(ScreenPixel(border), Pink) << "nothing of the field shows before Ctrl+F";

    StartSearch(viewer, u"кеплер");
    const wxRect field = form.SearchBox->GetRect();
    EXPECT_EQ(field, wxRect(255, 30, 220, 24));
    // Clear of the developer button, the close button and the browser.
    for (const wxRect& other : {form.Button2->GetRect(), form.BtnOn->GetRect(), form.WB->GetRect()})
        EXPECT_FALSE(field.Intersects(other)) << other.x << "," << other.y;
    EXPECT_TRUE(RunEventLoopUntil([&] { return ScreenPixel(border) != Pink; }));

    const bool cp1251 = SystemReadsWindows1251();
    EXPECT_EQ(SearchEnd(form), cp1251 ? "Найдено: 3" : "Найдено: 2");
    EXPECT_TRUE(ParseSearchUri(form.WB->CurrentUri()));
    // Found by caption first, then by text, each in catalogue order.
    std::vector<std::string> captions;
    for (const SearchResult& result : form.Search().Session().Results())
        captions.push_back(Utf16ToUtf8(result.caption));
    const std::vector<std::string> expected =
        cp1251 ? std::vector<std::string>{" Законы Кеплера", "Кеплер", " Телескоп"}
               : std::vector<std::string>{"Кеплер", " Телескоп"};
    EXPECT_EQ(captions, expected);
    const std::string shown = RunScript(form,
                                        "document.querySelectorAll('a.result').length + '|' +"
                                        "document.querySelectorAll('a.result mark').length")
                                  .value_or("");
    EXPECT_EQ(shown, cp1251 ? "3|7" : "2|4") << "every result shown, its hits marked";
}

TEST(Search, EnterOpensTheResultsInTurnAndF3StepsThroughTheMarks) {
    OpenViewer viewer(LayOutCourse);
    TForm1& form = viewer.Form();
    NavigationRecorder navigations(form);
    StartSearch(viewer, u"кеплер");
    SearchEnd(form);
    const std::vector<SearchResult> results = form.Search().Session().Results();
    ASSERT_GE(results.size(), 2u);
    const std::string wrapper = CourseUri(viewer.Folder().Path() + "temp.htm");
    for (std::size_t press = 0; press <= results.size(); ++press) {
        const SearchResult& result = results[press % results.size()];
        PressKey("Return");
        const std::string& path = form.PagePaths().at(static_cast<std::size_t>(result.entry));
        const std::string uri = path.ends_with(".bmp") ? wrapper : CourseUri(path);
        ASSERT_TRUE(navigations.WaitFor(uri, 10000)) << "Enter " << press;
        EXPECT_EQ(Selected(form), Utf16ToUtf8(result.caption)) << "Enter " << press;
    }
    // On to the page in capitals, the last result: its three hits marked.
    ASSERT_EQ(results.back().caption, u" Телескоп");
    const std::string capitals = EntryUri(form, results.back().entry);
    for (std::size_t press = 1; press < results.size(); ++press) PressKey("Return");
    ASSERT_TRUE(navigations.WaitFor(capitals, 10000));
    EXPECT_TRUE(RunEventLoopUntil([&] { return form.WB->FoundInPage() == 3u; }))
        << "found " << form.WB->FoundInPage().value_or(0);
    EXPECT_EQ(FoundAt(form, "a"), "a");
    for (const char* next : {"b", "c", "a"}) {
        PressKey("F3");
        EXPECT_EQ(FoundAt(form, next), next);
    }
    PressKeys({"Shift_L", "F3"});
    EXPECT_EQ(FoundAt(form, "c"), "c");
}

TEST(Search, AClickOnAResultOpensItsEntryAndEscapeLeavesItShown) {
    OpenViewer viewer(LayOutCourse);
    TForm1& form = viewer.Form();
    NavigationRecorder navigations(form);
    StartSearch(viewer, u"johannes");
    EXPECT_EQ(SearchEnd(form), "Найдено: 1");
    const std::string place =
        WaitForScript(form,
                      "var r = document.querySelector('a.result').getBoundingClientRect();"
                      "Math.round(r.left + 20) + ',' + Math.round(r.top + r.height / 2)",
                      [](const std::string& at) { return at.find(',') != std::string::npos; });
    const wxPoint at(std::stoi(place), std::stoi(place.substr(place.find(',') + 1)));
    ClickAt(form.WB->ClientToScreen(at));
    const std::string page = CourseUri(viewer.Folder().Path() + "Kepler.htm");
    ASSERT_TRUE(navigations.WaitFor(page));
    EXPECT_EQ(Selected(form), " Kepler");
    EXPECT_TRUE(RunEventLoopUntil([&] { return form.WB->FoundInPage() == 1u; }));

    PressKey("Escape");
    EXPECT_FALSE(form.SearchBox->IsShown());
    EXPECT_TRUE(WaitForPixel(form.GetScreenPosition() + wxPoint(255, 42), Pink));
    EXPECT_TRUE(DrainEvents());
    EXPECT_EQ(form.WB->CurrentUri(), page);

    // A course page that follows a result's link opens nothing: only the
    // results page chooses. The second script comes back after the engine
    // has decided on the first one's navigation.
    const std::string link = ChosenResultUri(form.Search().Session().Generation(),
                                             form.Search().Session().Results().at(0).entry);
    const std::size_t asked = navigations.Urls().size();
    RunScript(form, "document.querySelector('b').onclick = function () { location.href = '" + link +
                        "'; }; document.querySelector('b').click(); 1");
    RunScript(form, "2");
    EXPECT_TRUE(DrainEvents());
    EXPECT_EQ(navigations.Urls().size(), asked) << "nothing opened since";
    EXPECT_EQ(form.WB->CurrentUri(), page);
}

TEST(Search, NothingFoundIsSaidAndAnEmptyQueryGivesBackThePageBefore) {
    OpenViewer viewer(LayOutCourse);
    TForm1& form = viewer.Form();
    NavigationRecorder navigations(form);
    viewer.ClickItem(" Kepler");
    const std::string page = CourseUri(viewer.Folder().Path() + "Kepler.htm");
    ASSERT_TRUE(navigations.WaitForLoadEnd(page));

    StartSearch(viewer, u"<b>&zz");
    EXPECT_EQ(SearchEnd(form), Utf16ToUtf8(NothingFoundText));
    EXPECT_EQ(RunScript(form,
                        "document.querySelector('h1').textContent + "
                        "document.querySelectorAll('h1 b, a.result').length"),
              "Поиск: «<b>&zz»0")
        << "the query is text on the page, not markup";
    for (int i = 0; i < 6; ++i) PressKey("BackSpace");
    EXPECT_TRUE(navigations.WaitFor(page)) << "the page shown before the search";
    EXPECT_TRUE(form.Search().Session().Results().empty());
}
