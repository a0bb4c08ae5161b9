// What a click in the catalogue opens. A click that must open nothing is
// followed by one that opens something: the navigations must then follow one
// another with nothing in between.

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

}  // namespace

TEST(TreeClick, EachKindOfEntryOpensWhatItShould) {
    OpenViewer viewer(LayOutCourse);
    NavigationRecorder navigations(viewer.Form());
    const std::string& folder = viewer.Folder().Path();
    const std::string wrapper = folder + "temp.htm";
    struct Click {
        const char* caption;
        std::string opens;  // "" for nothing
    };
    std::vector<std::string> expected;
    for (const Click& click :
         {Click{"Plain", ""}, Click{" Course intro", folder + "Intro.htm"}, Click{"Pictures", ""},
          Click{"Clip", folder + "Clip.avi"}, Click{"Appendix", folder + "Appendix^"},
          Click{"Photo", wrapper}, Click{" Other page", folder + "Plain/Other.htm"}}) {
        viewer.ClickItem(click.caption);
        if (click.opens.empty()) continue;
        expected.push_back(CourseUri(click.opens));
        EXPECT_TRUE(navigations.WaitFor(expected.back())) << click.caption;
        // A clip's player is no error: wait for its load to end.
        EXPECT_TRUE(navigations.WaitForLoadEnd(expected.back())) << click.caption;
    }
    EXPECT_EQ(navigations.Urls(), expected);
    EXPECT_TRUE(DrainEvents());
    EXPECT_EQ(TakeErrorBoxes(), std::vector<std::string>{});
    // The picture fills the browser's area, less the page's margins.
    EXPECT_NE(ReadFileBytes(wrapper).find("<img src=\"" + folder +
                                          "Pictures/Photo.bmp\" height=\"461\" width=\"503\">"),
              std::string::npos)
        << ReadFileBytes(wrapper);
}

TEST(TreeClick, KeyboardAndSecondPressOfADoubleClickOpenNothing) {
    OpenViewer viewer([](const TempFolder& folder) {
        folder.Write("One.htm", "<title>Page one</title>");
        folder.Write("Two.htm", "<title>Page two</title>");
    });
    TForm1& form = viewer.Form();
    NavigationRecorder navigations(form);
    wxTreeItemIdValue cookie;
    const wxTreeItemId first = form.TV->GetFirstChild(form.TV->GetRootItem(), cookie);
    DoubleClickAt(viewer.ItemOnScreen(first));
    PressKey("Down");
    ASSERT_EQ(form.TV->GetSelection(), form.TV->GetNextSibling(first))
        << "the keyboard did move the selection";
    // A click on empty space changes nothing but opens what is selected now.
    ClickAt(form.TV->ClientToScreen(wxPoint(200, 460)));
    ASSERT_TRUE(RunEventLoopUntil([&] { return navigations.Urls().size() >= 2; }));
    EXPECT_EQ(navigations.Urls(), (std::vector<std::string>{CourseUri(form.PagePaths().at(0)),
                                                            CourseUri(form.PagePaths().at(1))}));
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
    for (const auto& [name, width] : {std::pair{injecting, 7}, std::pair{misleading, 9}}) {
        viewer.ClickItem(name.substr(0, name.size() - 4));
        ASSERT_TRUE(navigations.WaitFor(CourseUri(page)));
        EXPECT_EQ(
            WaitForScript(form, "document.images.length ? document.images[0].naturalWidth : 0",
                          [&](const std::string& w) { return w == std::to_string(width); }),
            std::to_string(width))
            << name << ": the picture itself was loaded";
        const std::string title = RunScript(form, "document.title").value_or("");
        const std::string images = RunScript(form, "document.images.length").value_or("");
        EXPECT_NE(title, "owned") << name;
        EXPECT_EQ(images, "1") << name << ": no markup came out of the name";
    }
    EXPECT_NE(ReadFileBytes(page).find("src=\"" + viewer.Folder().Path() +
                                       "%231 %3Fx %2541 &amp;amp; &lt;b&gt;.bmp\""),
              std::string::npos)
        << ReadFileBytes(page);
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
    EXPECT_EQ(tree.GetToolTipText(), " " + longTitle);
    MovePointerTo(viewer.ItemOnScreen(viewer.Item(" Short")));
    EXPECT_EQ(tree.GetToolTipText(), "");
}
