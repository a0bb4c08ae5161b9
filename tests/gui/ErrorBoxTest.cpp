// Errors that leave a handler reach the person as the error box, and the
// program goes on.

#include <gtest/gtest.h>
#include <wx/webview.h>

#include "ErrorBox.h"
#include "NodeActivation.h"
#include "ProgramFolder.h"
#include "ViewerHarness.h"

using namespace courseview;
using namespace courseview::testing;

namespace {

std::string CannotCreateBox(const std::string& page) {
    return ApplicationTitle(ExecutablePath()) + "|Cannot create file \"" + page +
           "\". Is a directory.";
}

}  // namespace

TEST(ErrorBox, UnwritableWrapperPageAtStartIsShownAndTheWindowStillOpens) {
    TakeErrorBoxes();
    OpenViewer viewer([](const TempFolder& folder) {
        folder.MakeFolder("temp.htm");  // stands in the page's way, even for root
        folder.Write("Page.htm", "<title>A page</title>");
    });
    EXPECT_EQ(TakeErrorBoxes(),
              std::vector<std::string>{CannotCreateBox(viewer.Folder().Path() + "temp.htm")});
    EXPECT_TRUE(viewer.Form().IsShown());
    EXPECT_EQ(viewer.Form().PagePaths().size(), 1u)
        << "the lists were made before the failing step";
}

TEST(ErrorBox, PictureClickThatCannotWriteThePageKeepsThePreviousOne) {
    OpenViewer viewer([](const TempFolder& folder) {
        folder.Write("Photo.bmp", BmpFile());
        folder.Write("Page.htm", "<title>A page</title>");
    });
    NavigationRecorder navigations(viewer.Form());
    viewer.ClickItem(" A page");
    ASSERT_TRUE(navigations.WaitFor(FileUri(viewer.Folder().Path() + "Page.htm")));
    TakeErrorBoxes();

    const std::string page = viewer.Folder().Path() + "temp.htm";
    std::filesystem::remove(page);
    std::filesystem::create_directory(page);
    viewer.ClickItem("Photo");
    EXPECT_EQ(TakeErrorBoxes(), std::vector<std::string>{CannotCreateBox(page)});
    EXPECT_TRUE(viewer.Form().IsShown());
    // The next click's navigation follows the first with nothing in between.
    viewer.ClickItem(" A page");
    ASSERT_TRUE(RunEventLoopUntil([&] { return navigations.Urls().size() >= 2; }));
    EXPECT_EQ(navigations.Urls(),
              std::vector<std::string>(2, FileUri(viewer.Folder().Path() + "Page.htm")))
        << "no navigation after the failed write";
}

TEST(ErrorBox, RealRefusalByTheBrowserIsShown) {
    OpenViewer viewer;
    TakeErrorBoxes();
    viewer.Form().WB->LoadURL("unknownscheme://nowhere");
    std::vector<std::string> boxes;
    RunEventLoopUntil([&] {
        for (std::string& box : TakeErrorBoxes()) boxes.push_back(std::move(box));
        return !boxes.empty();
    });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("unknownscheme://nowhere"), std::string::npos) << boxes[0];
}
