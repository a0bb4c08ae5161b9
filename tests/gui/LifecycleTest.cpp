// From start to exit: the catalogue built once on activation, the status
// text meanwhile, the developer button, and the wrapper page's clean-up.

#include <gtest/gtest.h>
#include <signal.h>
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

// A folder big enough for its scan to take a while.
void ManyEntries(const TempFolder& folder, int pages, int others) {
    for (int i = 0; i < pages; ++i)
        folder.Write("Pages/p" + std::to_string(i) + ".htm", "<title>Page</title>");
    for (int i = 0; i < others; ++i) folder.Write("Notes/n" + std::to_string(i) + ".txt", "");
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
    OpenViewer viewer([](const TempFolder& folder) { ManyEntries(folder, 20, 3000); }, false);
    watched = &viewer.Form();
    ASSERT_TRUE(
        RunEventLoopUntil([&] { return watched->FirstActivationDone() && !watched->Scanning(); }));
    EXPECT_TRUE(seen.count(Utf16ToUtf8(LoadingStatusText)))
        << "\"Закгузка...\" while the folder is scanned";
    EXPECT_EQ(watched->Label1->GetLabel(), "");
    EXPECT_EQ(watched->PagePaths().size(), 20u);
    watched = nullptr;
}

TEST(Lifecycle, CatalogueIsBuiltOnlyOnTheFirstActivation) {
    OpenViewer viewer(
        [](const TempFolder& folder) { folder.Write("One.htm", "<title>One</title>"); });
    ASSERT_EQ(viewer.Form().PagePaths().size(), 1u);
    viewer.Folder().Write("Two.htm", "<title>Two</title>");
    for (const bool active : {false, true, false, true}) {
        wxActivateEvent activation(wxEVT_ACTIVATE, active);
        viewer.Form().HandleWindowEvent(activation);
    }
    RunEventLoopFor(200);
    EXPECT_EQ(viewer.Form().PagePaths().size(), 1u);
}

TEST(Lifecycle, StaleWrapperPageIsReplacedAtStartAndNeverListed) {
    OpenViewer viewer([](const TempFolder& folder) {
        folder.Write("temp.htm", "<title>Left by a crash</title>");
        folder.Write("Sub/TEMP.HTM", "<title>Someone's page</title>");
        folder.Write("Real.htm", "<title>Real</title>");
    });
    EXPECT_EQ(ReadBytes(viewer.Folder().Path() + "temp.htm"), BlankWrapperPage());
    EXPECT_EQ(viewer.Form().PagePaths(),
              std::vector<std::string>{viewer.Folder().Path() + "Real.htm"});
}

TEST(Lifecycle, DeveloperButtonShowsOnlyBesideTheMarkerFile) {
    {
        OpenViewer viewer([](const TempFolder& folder) { folder.Write("Tavik.cpp", "// marker"); });
        const wxButton* button = viewer.Form().Button2;
        EXPECT_TRUE(button->IsShown());
        EXPECT_EQ(button->GetLabel(), "Button2");
        EXPECT_EQ(wxRect(button->GetPosition(), button->GetSize()), wxRect(488, 33, 75, 25));
    }
    {
        OpenViewer viewer;
        EXPECT_FALSE(viewer.Form().Button2->IsShown());
    }
    {
        OpenViewer viewer([](const TempFolder& folder) { folder.MakeFolder("Tavik.cpp"); });
        EXPECT_FALSE(viewer.Form().Button2->IsShown()) << "a folder is no marker file";
    }
}

TEST(Lifecycle, DeveloperButtonRebuildsFromTheDeveloperRoot) {
    TempFolder root;
    ManyEntries(root, 3, 2000);
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
        RunEventLoopUntil([&] { return !form.Scanning() && form.PagePaths().size() == 3; }));
    EXPECT_TRUE(seen.count(Utf16ToUtf8(IndexingStatusText)));
    EXPECT_EQ(form.Label1->GetLabel(), "");
    EXPECT_EQ(form.PagePaths().front().rfind(root.Path(), 0), 0u);
}

TEST(Lifecycle, DestroyingTheWindowRemovesTheWrapperPage) {
    auto viewer = std::make_unique<OpenViewer>();
    const std::filesystem::path page = viewer->Form().WrapperPagePath();
    ASSERT_TRUE(std::filesystem::exists(page));
    viewer.reset();
    EXPECT_FALSE(std::filesystem::exists(page));
}

TEST(Lifecycle, CloseDuringTheStartUpScanEndsTheProgramOnlyAfterTheScan) {
    constexpr int Pages = 40;
    auto viewer = std::make_unique<OpenViewer>(
        [](const TempFolder& folder) { ManyEntries(folder, Pages, 4000); }, false);
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
    const std::string pid =
        RunCommand("cd '" + course.Path() + "' && { ./courseview >/dev/null 2>&1 & echo $!; }");
    const std::string window =
        RunCommand("timeout 20 xdotool search --sync --onlyvisible --pid " + pid);
    ASSERT_FALSE(window.empty());
    const std::string page = course.Path() + "temp.htm";
    ASSERT_TRUE(RunEventLoopUntil([&] { return std::filesystem::exists(page); }));
    RunEventLoopFor(1500);
    const std::string id = window.substr(0, window.find('\n'));
    RunCommand("xdotool mousemove --window " + id + " 765 33 sleep 0.2 mousemove --window " + id +
               " 767 35");
    RunEventLoopFor(300);
    RunCommand("xdotool click 1");
    const pid_t process = std::stoi(pid);
    EXPECT_TRUE(RunEventLoopUntil([&] { return ::kill(process, 0) != 0; }, 15000))
        << "the viewer did not exit";
    EXPECT_FALSE(std::filesystem::exists(page));
    if (::kill(process, 0) == 0) ::kill(process, SIGKILL);
}
