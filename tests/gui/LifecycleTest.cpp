// From start to exit: the catalogue built once on activation, the status
// text meanwhile, the developer button, and the wrapper page's clean-up.

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/stattext.h>
#include <wx/timer.h>

#include <set>

#include "FolderScan.h"
#include "Utf.h"
#include "ViewerHarness.h"
#include "WrapperPage.h"

using namespace courseview;
using namespace courseview::testing;

namespace {

// A folder whose scan takes a while: pages whose titles stand behind 8 MB of
// spaces, each read for milliseconds. (Thousands of small files would do too,
// but cost seconds to make on a slow disk.)
void SlowPages(const TempFolder& folder, int pages) {
    const std::string page = std::string(8 << 20, ' ') + "<title>Page</title>";
    for (int i = 0; i < pages; ++i) folder.Write("Pages/p" + std::to_string(i) + ".htm", page);
}

// Looks at the window every few milliseconds, also from inside a running scan.
class Sampler : public wxTimer {
public:
    explicit Sampler(std::function<void()> look) : m_look(std::move(look)) { Start(2); }
    void Notify() override { m_look(); }

private:
    std::function<void()> m_look;
};

std::string BlankWrapperPage() {
    std::string bytes;
    for (const std::u16string& line : WrapperPageLines(u"")) bytes += Utf16ToUtf8(line) + "\r\n";
    return bytes;
}

}  // namespace

TEST(Lifecycle, StatusTextShowsWhileTheStartUpScanRuns) {
    std::set<std::string> seen;
    TForm1* watched = nullptr;
    Sampler sampler([&] {
        if (watched != nullptr) seen.insert(watched->Label1->GetLabel().utf8_string());
    });
    OpenViewer viewer([](const TempFolder& folder) { SlowPages(folder, 16); }, false);
    watched = &viewer.Form();
    ASSERT_TRUE(
        RunEventLoopUntil([&] { return watched->FirstActivationDone() && !watched->Scanning(); }));
    EXPECT_TRUE(seen.count(Utf16ToUtf8(LoadingStatusText)))
        << "\"Закгузка...\" while the folder is scanned";
    EXPECT_EQ(watched->Label1->GetLabel(), "");
    EXPECT_EQ(watched->PagePaths().size(), 16u);
    watched = nullptr;
}

TEST(Lifecycle, CatalogueIsBuiltOnlyOnTheFirstActivation) {
    OpenViewer viewer(
        [](const TempFolder& folder) { folder.Write("One.htm", "<title>One</title>"); });
    ASSERT_EQ(viewer.Form().PagePaths().size(), 1u);
    viewer.Folder().Write("Two.htm", "<title>Two</title>");
    // Handled at once: a scan would run to its end inside each event.
    for (const bool active : {false, true, false, true}) {
        wxActivateEvent activation(wxEVT_ACTIVATE, active);
        viewer.Form().HandleWindowEvent(activation);
    }
    EXPECT_EQ(viewer.Form().PagePaths().size(), 1u);
}

TEST(Lifecycle, StaleWrapperPageIsReplacedAtStartAndNeverListed) {
    OpenViewer viewer([](const TempFolder& folder) {
        folder.Write("temp.htm", "<title>Left by a crash</title>");
        folder.Write("Sub/TEMP.HTM", "<title>Someone's page</title>");
        folder.Write("Real.htm", "<title>Real</title>");
    });
    EXPECT_EQ(ReadFileBytes(viewer.Folder().Path() + "temp.htm"), BlankWrapperPage());
    EXPECT_EQ(viewer.Form().PagePaths(),
              std::vector<std::string>{viewer.Folder().Path() + "Real.htm"});
}

TEST(Lifecycle, DeveloperButtonShowsOnlyBesideTheMarkerFile) {
    struct Case {
        std::function<void(const TempFolder&)> prepare;
        bool shown;
        const char* what;
    };
    for (const Case& c :
         {Case{[](const TempFolder& f) { f.Write("Tavik.cpp", "// marker"); }, true, "marker"},
          Case{{}, false, "no marker"},
          Case{[](const TempFolder& f) { f.MakeFolder("Tavik.cpp"); }, false, "a folder"}}) {
        OpenViewer viewer(c.prepare);
        EXPECT_EQ(viewer.Form().Button2->IsShown(), c.shown) << c.what;
    }
}

TEST(Lifecycle, DeveloperButtonRebuildsFromTheDeveloperRoot) {
    TempFolder root;
    SlowPages(root, 16);
    OpenViewer viewer(
        [](const TempFolder& folder) {
            folder.Write("Tavik.cpp", "// marker");
            folder.Write("Own.htm", "<title>Own</title>");
        },
        true, root.Path());
    TForm1& form = viewer.Form();
    std::set<std::string> seen;
    Sampler sampler([&] { seen.insert(form.Label1->GetLabel().utf8_string()); });
    ClickAt(form.Button2->GetScreenPosition() + wxPoint(30, 12));
    ASSERT_TRUE(
        RunEventLoopUntil([&] { return !form.Scanning() && form.PagePaths().size() == 16; }));
    EXPECT_TRUE(seen.count(Utf16ToUtf8(IndexingStatusText)));
    EXPECT_EQ(form.Label1->GetLabel(), "");
    EXPECT_EQ(form.PagePaths().front().rfind(root.Path(), 0), 0u);
}

TEST(Lifecycle, CloseDuringTheStartUpScanEndsTheProgramOnlyAfterTheScan) {
    constexpr int Pages = 16;
    auto viewer = std::make_unique<OpenViewer>(
        [](const TempFolder& folder) { SlowPages(folder, Pages); }, false);
    wxWeakRef<TForm1> form = &viewer->Form();
    const std::filesystem::path page = form->WrapperPagePath();
    struct CloseSeen {
        bool scanning;
        std::size_t pages;
    };
    std::vector<CloseSeen> closes;
    form->Bind(wxEVT_CLOSE_WINDOW, [&](wxCloseEvent& event) {
        closes.push_back({form->Scanning(), form->PagePaths().size()});
        event.Skip();
    });
    bool asked = false;
    bool shownAfterAsking = false;
    Sampler sampler([&] {
        if (asked || !form || !form->Scanning()) return;
        asked = true;
        form->btnOffClick();
        shownAfterAsking = form && form->IsShown();
    });
    EXPECT_TRUE(WaitUntilGone(form, 60000));
    ASSERT_TRUE(asked) << "the scan ended before the close could be asked for";
    EXPECT_TRUE(shownAfterAsking);
    ASSERT_GE(closes.size(), 2u);
    EXPECT_TRUE(closes.front().scanning);
    EXPECT_FALSE(closes.back().scanning);
    EXPECT_EQ(closes.back().pages, static_cast<std::size_t>(Pages)) << "the scan ran to its end";
    EXPECT_FALSE(std::filesystem::exists(page));
    viewer.reset();
}

TEST(Lifecycle, RealProgramClosedByItsButtonLeavesNoWrapperPage) {
    TempFolder course;
    course.Write("Intro.htm", "<title>Intro</title>");
    std::filesystem::copy_file(VIEWER_EXECUTABLE, course.Path() + "courseview");
    ViewerProcess viewer(course.Path());
    const ViewerWindow window = WaitForViewerWindow(viewer.Pid(), DeadlineIn(20000));
    ASSERT_TRUE(window) << window.failure;
    const std::string page = course.Path() + "temp.htm";
    EXPECT_TRUE(std::filesystem::exists(page));
    EXPECT_TRUE(CloseWithItsButton(viewer, 15000));
    EXPECT_FALSE(std::filesystem::exists(page));
}
