// What a click in the catalogue opens.

#include <gtest/gtest.h>
#include <wx/treectrl.h>

#include "CourseAddress.h"
#include "CourseBrowser.h"
#include "ViewerHarness.h"

using namespace courseview;
using namespace courseview::testing;

namespace {

void LayOutCourse(const TempFolder& folder) {
    folder.Write("Intro.htm",
                 "<html><head><title>Course intro</title></head><body>Intro</body></html>");
    folder.Write("Pictures/Photo.bmp", BmpFile());
    std::filesystem::copy_file(
        std::string(SAMPLE_COURSE) + "/2 Солнечная система/Движение планеты.avi",
        folder.Path() + "Clip.avi");
    folder.Write("Appendix^/Table.htm", "<title>Table</title>");
    folder.Write("Plain/Other.htm", "<title>Other page</title>");
}

std::string Uri(const std::string& path) { return CourseUri(path); }

}  // namespace

TEST(TreeClick, PictureIsWrappedIntoTheFourLinePageAndShown) {
    OpenViewer viewer(LayOutCourse);
    NavigationRecorder navigations(viewer.Form());
    viewer.ClickItem("Photo");
    const std::string page = viewer.Folder().Path() + "temp.htm";
    ASSERT_TRUE(navigations.WaitFor(Uri(page)));
    EXPECT_EQ(ReadBytes(page),
              "<html><center><body bgcolor=\"#FFAED0\"  scroll=no topmargin=\"0\" leftmargin=\"0\" "
              "rightmargin=\"0\" bottommargin=\"0\" marginwidth=\"0\" marginheight=\"0\">\r\n"
              "<table align=\"center\"  height=100% border=\"0\"><tr valign=\"middle\"><td>\r\n"
              "<img src=\"" +
                  viewer.Folder().Path() +
                  "Pictures/Photo.bmp\" height=\"461\" width=\"503\">\r\n"
                  "</td></tr></table></body></center></html>\r\n");
}

TEST(TreeClick, PagesClipsAndPageFoldersOpenByTheirPaths) {
    OpenViewer viewer(LayOutCourse);
    NavigationRecorder navigations(viewer.Form());
    const std::string& folder = viewer.Folder().Path();
    viewer.ClickItem(" Course intro");
    EXPECT_TRUE(navigations.WaitFor(Uri(folder + "Intro.htm")));
    viewer.ClickItem("Clip");
    EXPECT_TRUE(navigations.WaitFor(Uri(folder + "Clip.avi")));
    viewer.ClickItem("Appendix");
    EXPECT_TRUE(navigations.WaitFor(Uri(folder + "Appendix^")));
    viewer.ClickItem(" Other page");
    EXPECT_TRUE(navigations.WaitFor(Uri(folder + "Plain/Other.htm")));
    RunEventLoopFor(1000);
    EXPECT_EQ(TakeErrorBoxes(), std::vector<std::string>{})
        << "a clip WebKit plays itself is no error";
}

TEST(TreeClick, FolderWithoutCaretOpensNothing) {
    OpenViewer viewer(LayOutCourse);
    NavigationRecorder navigations(viewer.Form());
    viewer.ClickItem("Plain");
    viewer.ClickItem("Pictures");
    RunEventLoopFor(300);
    EXPECT_EQ(navigations.Urls(), std::vector<std::string>{});
}

TEST(TreeClick, KeyboardSelectionOpensNothingUntilTheNextClick) {
    OpenViewer viewer([](const TempFolder& folder) {
        folder.Write("One.htm", "<title>Page one</title>");
        folder.Write("Two.htm", "<title>Page two</title>");
    });
    TForm1& form = viewer.Form();
    NavigationRecorder navigations(form);
    wxTreeItemIdValue cookie;
    const wxTreeItemId first = form.TV->GetFirstChild(form.TV->GetRootItem(), cookie);
    const wxTreeItemId second = form.TV->GetNextSibling(first);
    ASSERT_TRUE(second.IsOk());
    ClickAt(viewer.ItemOnScreen(first));
    ASSERT_TRUE(RunEventLoopUntil([&] { return navigations.Urls().size() == 1; }));
    PressKey("Down");
    EXPECT_EQ(form.TV->GetSelection(), second) << "the keyboard did move the selection";
    RunEventLoopFor(300);
    EXPECT_EQ(navigations.Urls().size(), 1u);
    // A click on empty space changes nothing but opens what is selected now.
    ClickAt(form.TV->ClientToScreen(wxPoint(200, 460)));
    EXPECT_EQ(form.TV->GetSelection(), second);
    ASSERT_TRUE(RunEventLoopUntil([&] { return navigations.Urls().size() == 2; }));
    const std::string opened = navigations.Urls().back();
    EXPECT_EQ(opened, CourseUri(form.PagePaths().at(1)));
}

TEST(TreeClick, SecondPressOfADoubleClickOpensNothingMore) {
    OpenViewer viewer(LayOutCourse);
    NavigationRecorder navigations(viewer.Form());
    const wxTreeItemId photo = viewer.Item("Photo");
    DoubleClickAt(viewer.ItemOnScreen(photo));
    RunEventLoopFor(300);
    EXPECT_EQ(navigations.Urls().size(), 1u);
}

TEST(TreeClick, HostileFileNamesStayInertInTheWrapperPage) {
    const std::string injecting = "a\" onload=\"document.title='owned'\" b=\".bmp";
    const std::string misleading = "#1 ?x %41 &amp; <b>.bmp";
    OpenViewer viewer([&](const TempFolder& folder) {
        folder.Write(injecting, BmpFile(7, 5));
        folder.Write(misleading, BmpFile(9, 3));
        folder.Write("#1 ", "not the picture");
    });
    TForm1& form = viewer.Form();
    NavigationRecorder navigations(form);
    const std::string page = viewer.Folder().Path() + "temp.htm";
    int loads = 0;
    form.WB->Bind(EVT_BROWSER_LOADED, [&](wxCommandEvent& event) {
        ++loads;
        event.Skip();
    });
    for (const auto& [name, width] : {std::pair{injecting, 7}, std::pair{misleading, 9}}) {
        const int loadsBefore = loads;
        viewer.ClickItem(name.substr(0, name.size() - 4));
        ASSERT_TRUE(navigations.WaitFor(Uri(page)));
        ASSERT_TRUE(RunEventLoopUntil([&] { return loads > loadsBefore; }));
        const std::string naturalWidth =
            WaitForScript(form, "document.images[0].naturalWidth",
                          [](const std::string& width) { return width != "0"; });
        const std::string title = RunScript(form, "document.title").value_or("");
        const std::string images = RunScript(form, "document.images.length").value_or("");
        EXPECT_NE(title, "owned") << name;
        EXPECT_EQ(images, "1") << name << ": no markup came out of the name";
        EXPECT_EQ(naturalWidth, std::to_string(width)) << name << ": the picture itself was loaded";
    }
    const std::string bytes = ReadBytes(page);
    EXPECT_NE(
        bytes.find("src=\"" + viewer.Folder().Path() + "%231 %3Fx %2541 &amp;amp; &lt;b&gt;.bmp\""),
        std::string::npos)
        << bytes;
}

TEST(TreeClick, CaptionsTooWideForThePaneShowWholeAsToolTips) {
    const std::string longTitle =
        "A very long page title that cannot possibly fit into the catalogue pane";
    OpenViewer viewer([&](const TempFolder& folder) {
        folder.Write("long.htm", "<title>" + longTitle + "</title>");
        folder.Write("short.htm", "<title>Short</title>");
    });
    wxTreeCtrl& tree = *viewer.Form().TV;
    MovePointerTo(viewer.ItemOnScreen(viewer.Item(" " + longTitle)));
    EXPECT_TRUE(RunEventLoopUntil([&] { return tree.GetToolTipText() == " " + longTitle; }));
    MovePointerTo(viewer.ItemOnScreen(viewer.Item(" Short")));
    EXPECT_TRUE(RunEventLoopUntil([&] { return tree.GetToolTipText().empty(); }));
}
