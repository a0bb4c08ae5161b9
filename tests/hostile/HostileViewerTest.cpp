// The viewer on hostile packages, on the test's virtual display: the very
// packages the author's tool meets, all at once in the program folder, a
// "temp.htm" folder in the page's way, and a read-only program folder. The
// window must build its catalogue (no crash, no hang), show no error box for
// what the scan leaves out quietly, still answer clicks afterwards, and write
// nothing but its wrapper page, which it removes at the end.

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <wx/treectrl.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <set>

#include "CourseAddress.h"
#include "ErrorBox.h"
#include "HostilePackages.h"
#include "HostileSupport.h"
#include "ProgramFolder.h"
#include "Utf.h"
#include "ViewerHarness.h"
#include "WrapperPage.h"

using namespace courseview;
using namespace courseview::testing;

namespace {

// Generous: a catalogue that takes longer has hung.
constexpr int DeadlineMilliseconds = 600000;

// Root may write anywhere; a student may not. Without these capabilities
// root's writes obey the folder's permission bits as anyone's do. They are
// dropped for the calling thread only, which is the window's.
class WithoutOverridingPermissions {
public:
    WithoutOverridingPermissions() {
        ::syscall(SYS_capget, &m_header, m_saved);
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        for (int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
            reduced[0].effective &= ~(1u << capability);
        }
        ::syscall(SYS_capset, &m_header, reduced);
    }
    ~WithoutOverridingPermissions() { ::syscall(SYS_capset, &m_header, m_saved); }
    WithoutOverridingPermissions(const WithoutOverridingPermissions&) = delete;
    WithoutOverridingPermissions& operator=(const WithoutOverridingPermissions&) = delete;

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
};

// A window over `places`, shown and with its catalogue built; destroyed at
// the end.
class Viewer {
public:
    explicit Viewer(const FormPlaces& places) : m_form(new TForm1(places)), m_navigations(*m_form) {
        m_form->ShowAtDesignedPlace();
        m_built = RunEventLoopUntil(
            [this] { return m_form && m_form->FirstActivationDone() && !m_form->Scanning(); },
            DeadlineMilliseconds);
    }
    ~Viewer() {
        if (m_form) m_form->Destroy();
        EXPECT_TRUE(WaitUntilGone(m_form));
    }

    bool Built() const { return m_built; }
    TForm1& Form() { return *m_form; }
    const NavigationRecorder& Navigations() const { return m_navigations; }

    std::vector<std::string> TopLevelCaptions() const {
        std::vector<std::string> captions;
        wxTreeItemIdValue cookie;
        const wxTreeItemId root = m_form->TV->GetRootItem();
        for (wxTreeItemId child = m_form->TV->GetFirstChild(root, cookie); child.IsOk();
             child = m_form->TV->GetNextChild(root, cookie)) {
            captions.push_back(m_form->TV->GetItemText(child).utf8_string());
        }
        return captions;
    }

    // Clicks the node reached by following `captions` from the top level;
    // false when there is none or the click did not reach it.
    bool Click(const std::vector<std::string>& captions) {
        wxTreeItemId item = m_form->TV->GetRootItem();
        for (const auto& caption : captions) {
            wxTreeItemIdValue cookie;
            wxTreeItemId child = m_form->TV->GetFirstChild(item, cookie);
            while (child.IsOk() && m_form->TV->GetItemText(child).utf8_string() != caption) {
                child = m_form->TV->GetNextChild(item, cookie);
            }
            if (!child.IsOk()) return false;
            item = child;
        }
        if (!BringIntoView(*m_form->TV, item)) return false;
        wxRect label;
        m_form->TV->GetBoundingRect(item, label, true);
        ClickAt(m_form->TV->ClientToScreen(
            wxPoint(label.x + label.width / 2, label.y + label.height / 2)));
        return m_form->TV->GetSelection() == item;
    }

private:
    wxWeakRef<TForm1> m_form;
    NavigationRecorder m_navigations;
    bool m_built = false;
};

std::string CannotCreateBox(const std::string& page, int error) {
    return ApplicationTitle(ExecutablePath()) + "|Cannot create file \"" + page + "\". " +
           std::strerror(error) + ".";
}

// What a click on a picture must leave in the wrapper page.
std::string SourceOf(const std::string& picture) {
    return "src=\"" + Utf16ToUtf8(PathForSourceAttribute(picture, SystemCodePage())) + "\"";
}

bool FolderIsEmpty(const std::string& folder) { return ListingOrder(folder).empty(); }

}  // namespace

TEST(HostileViewer, EveryHostilePackageAtOnceIsListedAndTheWindowStillAnswers) {
    TempFolder program;
    TempFolder runtime;
    const std::string& folder = program.Path();
    program.MakeFolder("deep");
    // Pages well away from the path limit, as for the tool.
    const int deepestListable = static_cast<int>((PATH_MAX - (folder.size() + 5)) / 2);
    int pageEvery = 100;
    while (deepestListable % pageEvery < 4) --pageEvery;
    ASSERT_EQ(LayOutDeepNesting(folder + "deep/", pageEvery), 10000);
    program.MakeFolder("links");
    LayOutLinks(folder + "links/");
    program.MakeFolder("crowd");
    const std::size_t crowd = LayOutCrowd(folder + "crowd/", 50000).size();
    program.MakeFolder("names");
    LayOutNames(folder + "names/");
    program.MakeFolder("odd");
    LayOutOddPages(folder + "odd/");
    program.Write("probe.bmp", BmpFile());
    const Snapshot before = TakeSnapshot(folder);
    TakeErrorBoxes();
    {
        Viewer viewer(
            FormPlaces::InProgramFolder(folder, {runtime.Path()}, folder + "no-developer-root"));
        ASSERT_TRUE(viewer.Built()) << "the catalogue was not built in time";
        EXPECT_EQ(TakeErrorBoxes(), std::vector<std::string>{})
            << "what a scan leaves out, it leaves out quietly";
        const auto captions = viewer.TopLevelCaptions();
        EXPECT_EQ(std::set<std::string>(captions.begin(), captions.end()),
                  (std::set<std::string>{"deep", "links", "crowd", "names", "odd", "probe"}));
        EXPECT_GT(viewer.Form().PagePaths().size(), crowd);

        // Still answering: a picture, a name full of markup, a page.
        const std::string page = folder + "temp.htm";
        ASSERT_TRUE(viewer.Click({"probe"}));
        EXPECT_TRUE(viewer.Navigations().WaitFor(CourseUri(page)));
        EXPECT_NE(ReadFileBytes(page).find(SourceOf(folder + "probe.bmp")), std::string::npos);
        ASSERT_TRUE(viewer.Click({"names", "\"quoted\" 'single'"}));
        EXPECT_TRUE(RunEventLoopUntil([&] {
            return ReadFileBytes(page).find(SourceOf(folder + "names/\"quoted\" 'single'.jpg")) !=
                   std::string::npos;
        }));
        ASSERT_TRUE(viewer.Click({"odd", " Big one"}));
        EXPECT_TRUE(viewer.Navigations().WaitFor(CourseUri(folder + "odd/huge.htm")));
        EXPECT_EQ(TakeErrorBoxes(), std::vector<std::string>{});
    }
    EXPECT_FALSE(std::filesystem::exists(folder + "temp.htm"))
        << "the wrapper page outlived the window";
    EXPECT_TRUE(FolderIsEmpty(runtime.Path()));
    EXPECT_TRUE(SameTree(before, folder, true));
}

TEST(HostileViewer, TempHtmFolderInTheProgramFolderSendsThePageToTheUsersFolder) {
    TempFolder program;
    TempFolder runtime;
    program.MakeFolder("temp.htm");
    program.Write("temp.htm/keep.bmp", BmpFile());
    program.Write("photo.bmp", BmpFile());
    const Snapshot before = TakeSnapshot(program.Path());
    TakeErrorBoxes();
    {
        Viewer viewer(
            FormPlaces::InProgramFolder(program.Path(), {runtime.Path()}, program.Path() + "none"));
        ASSERT_TRUE(viewer.Built());
        EXPECT_EQ(TakeErrorBoxes(), std::vector<std::string>{})
            << "the user's folder took the page";
        ASSERT_TRUE(viewer.Click({"photo"}));
        const auto pages = ListingOrder(runtime.Path());
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_TRUE(viewer.Navigations().WaitFor(CourseUri(runtime.Path() + pages[0])));
        EXPECT_NE(
            ReadFileBytes(runtime.Path() + pages[0]).find(SourceOf(program.Path() + "photo.bmp")),
            std::string::npos);
    }
    EXPECT_TRUE(FolderIsEmpty(runtime.Path()))
        << "the page in the user's folder outlived the window";
    EXPECT_TRUE(SameTree(before, program.Path()));
}

TEST(HostileViewer, ReadOnlyProgramFolderStillShowsPicturesAndChangesNothing) {
    TempFolder program;
    TempFolder runtime;
    program.Write("photo.bmp", BmpFile());
    program.Write("page.htm", "<title>A page</title>");
    const std::string& root = program.Path();
    ASSERT_EQ(::chmod(root.c_str(), 0555), 0);
    const Snapshot before = TakeSnapshot(root);
    TakeErrorBoxes();
    {
        WithoutOverridingPermissions student;
        {
            Viewer viewer(FormPlaces::InProgramFolder(program.Path(), {runtime.Path()},
                                                      program.Path() + "none"));
            ASSERT_TRUE(viewer.Built());
            EXPECT_EQ(TakeErrorBoxes(), std::vector<std::string>{});
            ASSERT_TRUE(viewer.Click({"photo"}));
            const auto pages = ListingOrder(runtime.Path());
            ASSERT_EQ(pages.size(), 1u);
            EXPECT_TRUE(viewer.Navigations().WaitFor(CourseUri(runtime.Path() + pages[0])));
        }
        EXPECT_TRUE(FolderIsEmpty(runtime.Path()));

        // With nowhere to put the page, the error box says why, and the
        // window goes on answering.
        Viewer viewer(FormPlaces::InProgramFolder(program.Path(), {}, program.Path() + "none"));
        ASSERT_TRUE(viewer.Built());
        const std::string box = CannotCreateBox(program.Path() + "temp.htm", EACCES);
        EXPECT_EQ(TakeErrorBoxes(), std::vector<std::string>{box});
        ASSERT_TRUE(viewer.Click({"photo"}));
        EXPECT_EQ(TakeErrorBoxes(), std::vector<std::string>{box});
        ASSERT_TRUE(viewer.Click({" A page"}));
        EXPECT_TRUE(viewer.Navigations().WaitFor(CourseUri(program.Path() + "page.htm")));
    }
    EXPECT_TRUE(SameTree(before, root));
    ::chmod(root.c_str(), 0755);
}

// The viewer as a student starts it: copied into the package folder, run
// with `prefix`, its close button clicked as soon as its window shows (during
// the scan, which then runs to its end first).
::testing::AssertionResult RunRealViewerAndClose(const std::string& folder,
                                                 const std::string& runtime,
                                                 const std::string& prefix) {
    ViewerProcess viewer(folder, "env XDG_RUNTIME_DIR='" + runtime + "' " + prefix);
    const ViewerWindow window = WaitForViewerWindow(viewer.Pid(), DeadlineIn(60000));
    if (!window) return ::testing::AssertionFailure() << window.failure;
    return CloseWithItsButton(viewer, DeadlineMilliseconds);
}

TEST(HostileViewer, RealProgramInAReadOnlyHostilePackageAnswersItsCloseButton) {
    TempFolder program;
    TempFolder runtime;
    const std::string& folder = program.Path();
    program.MakeFolder("links");
    LayOutLinks(folder + "links/");
    program.MakeFolder("crowd");
    LayOutCrowd(folder + "crowd/", 20000);
    program.MakeFolder("names");
    LayOutNames(folder + "names/");
    program.MakeFolder("odd");
    LayOutOddPages(folder + "odd/");
    std::filesystem::copy_file(VIEWER_EXECUTABLE, folder + "courseview");
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    const Snapshot before = TakeSnapshot(folder);

    // Root may write anywhere; a student may not.
    EXPECT_TRUE(RunRealViewerAndClose(folder, runtime.Path(),
                                      "setpriv --inh-caps=-dac_override,-dac_read_search,-fowner "
                                      "--bounding-set=-dac_override,-dac_read_search,-fowner"));
    EXPECT_TRUE(FolderIsEmpty(runtime.Path()))
        << "the page in the user's folder outlived the viewer";
    EXPECT_TRUE(SameTree(before, folder));
    ::chmod(folder.c_str(), 0755);
}

TEST(HostileViewer, RealProgramSurvivesFilesVanishingMovingAndFailingDuringItsScan) {
    TempFolder program;
    TempFolder runtime;
    const std::string& folder = program.Path();
    program.MakeFolder("v");
    for (const char* name : {"a.jpg", "gone.htm", "m.htm", "z.jpg"})
        program.Write(std::string("v/") + name, "x");
    program.MakeFolder("r");
    for (const char* name : {"trigger.htm", "page.htm", "pic.jpg"})
        program.Write(std::string("r/") + name, "x");
    program.MakeFolder("r/sub");
    program.Write("r/sub/x.jpg", "x");
    program.MakeFolder("scratched");
    program.Write("scratched/broken.htm", "<title>" + std::string(200000, 'x') + " </title>");
    program.Write("scratched/z.jpg", "x");
    std::filesystem::copy_file(VIEWER_EXECUTABLE, folder + "courseview");
    Snapshot expected = TakeSnapshot(folder);
    std::erase_if(expected, [](const auto& entry) { return entry.second.name == "gone.htm"; });

    EXPECT_TRUE(RunRealViewerAndClose(
        folder, runtime.Path(),
        std::string("LD_PRELOAD='") + FAULT_INJECTION_LIBRARY +
            "' COURSEVIEW_FAULT_VANISH=gone.htm COURSEVIEW_FAULT_FAIL_READ=broken.htm "
            "COURSEVIEW_FAULT_RENAME='trigger.htm:" +
            folder + "r:" + folder + "r-moved'"));
    ASSERT_TRUE(std::filesystem::exists(folder + "r-moved"))
        << "the folder was not moved during the scan";
    std::filesystem::rename(folder + "r-moved", folder + "r");
    EXPECT_FALSE(std::filesystem::exists(folder + "temp.htm"));
    EXPECT_TRUE(FolderIsEmpty(runtime.Path()));
    EXPECT_TRUE(SameTree(expected, folder, true));
}

TEST(HostileViewer, EntriesOpenWhateverBytesTheirNamesHold) {
    TempFolder outside;
    // A course folder named on a Russian Windows, copied over byte for byte.
    const std::string folder = outside.MakeFolder("\xCA\xF3\xF0\xF1") + "/";
    WriteFile(folder + "5\xFF.htm", "<title>Page FF</title><body>five</body>");
    WriteFile(folder + "2\xFF.jpg", BmpFile(5, 3));
    WriteFile(folder + "3\xD0.jpg", BmpFile(6, 3));
    TakeErrorBoxes();
    Viewer viewer(FormPlaces::InProgramFolder(folder, {}, folder + "none"));
    ASSERT_TRUE(viewer.Built());
    const auto captions = viewer.TopLevelCaptions();
    const auto caption = [&](char first) {
        for (const std::string& caption : captions)
            if (caption.starts_with(first)) return caption;
        ADD_FAILURE() << "no caption starting with " << first;
        return std::string();
    };
    ASSERT_TRUE(viewer.Click({" Page FF"}));
    EXPECT_EQ(WaitForScript(viewer.Form(), "document.body.textContent",
                            [](const std::string& text) { return text == "five"; }),
              "five");
    for (const auto& [first, width] : {std::pair{'2', "5"}, std::pair{'3', "6"}}) {
        ASSERT_TRUE(viewer.Click({caption(first)}));
        EXPECT_EQ(WaitForScript(viewer.Form(), "document.images[0].naturalWidth",
                                [&](const std::string& w) { return w == width; }),
                  width)
            << "picture " << first;
    }
    EXPECT_EQ(TakeErrorBoxes(), std::vector<std::string>{});
}
