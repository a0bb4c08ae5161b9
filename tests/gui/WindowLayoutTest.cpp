// Where the window and its controls are, and what a person sees there.

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/stattext.h>
#include <wx/treectrl.h>

#include "CourseBrowser.h"
#include "PictureControl.h"
#include "SkinPanel.h"
#include "ViewerHarness.h"

using namespace courseview;
using namespace courseview::testing;

namespace {

// The colour of one screen pixel, as "#RRGGBB".
std::string ScreenPixel(wxPoint screen) {
    const std::string output =
        RunCommand("import -window root -crop 1x1+" + std::to_string(screen.x) + "+" +
                   std::to_string(screen.y) + " -depth 8 txt:- | tail -n 1");
    const auto hash = output.find('#');
    return hash == std::string::npos ? output : output.substr(hash, 7);
}

wxRect ParentRect(const wxWindow* control) {
    return wxRect(control->GetPosition(), control->GetSize());
}

}  // namespace

TEST(WindowLayout, WindowComesUpBorderlessAt800x600InItsPlace) {
    OpenViewer viewer;
    TForm1& form = viewer.Form();
    EXPECT_EQ(form.GetTitle(), "Zuzuva Vuzerarezora Vodazevu");
    EXPECT_EQ(form.GetClientSize(), wxSize(800, 600));
    EXPECT_EQ(form.GetSize(), wxSize(800, 600)) << "no frame around the client area";
    EXPECT_EQ(form.GetScreenPosition(), wxPoint(274, 100));
}

TEST(WindowLayout, ControlsSitWhereTheSkinLeavesRoomForThem) {
    OpenViewer viewer;
    TForm1& form = viewer.Form();
    EXPECT_EQ(ParentRect(form.Image1), wxRect(0, 0, 800, 600));
    EXPECT_EQ(ParentRect(form.TV), wxRect(18, 64, 231, 473));
    EXPECT_EQ(ParentRect(form.WB), wxRect(255, 64, 515, 473));
    EXPECT_EQ(ParentRect(form.BtnOn), wxRect(756, 24, 23, 23));
    EXPECT_EQ(ParentRect(form.btnOff), wxRect(756, 24, 23, 23));
    EXPECT_EQ(form.Label1->GetPosition(), wxPoint(415, 552));
    EXPECT_TRUE(form.BtnOn->IsShown());
    EXPECT_FALSE(form.btnOff->IsShown()) << "the red cross waits for the pointer";
}

TEST(WindowLayout, TreeAndLabelUseTheirDesignedFontsAndColours) {
    OpenViewer viewer;
    TForm1& form = viewer.Form();
    EXPECT_EQ(form.TV->GetBackgroundColour(), wxColour(0xD0, 0xAE, 0xFF));
    EXPECT_EQ(form.TV->GetForegroundColour(), *wxRED);
    EXPECT_EQ(form.TV->GetIndent(), 19u);
    EXPECT_TRUE(form.TV->HasFlag(wxTR_HIDE_ROOT));
    EXPECT_FALSE(form.TV->HasFlag(wxTR_EDIT_LABELS));
    EXPECT_EQ(form.Label1->GetForegroundColour(), *wxRED);
    EXPECT_EQ(form.Label1->GetFont().GetPixelSize().GetHeight(), 13);
    EXPECT_EQ(form.TV->GetFont().GetPixelSize().GetHeight(), 11);
}

TEST(WindowLayout, ScreenShowsSkinTreeAndNothingOutsideTheOutline) {
    OpenViewer viewer(
        [](const TempFolder& folder) { folder.Write("Page.htm", "<title>Page</title>"); });
    const wxPoint origin = viewer.Form().GetScreenPosition();
    RunEventLoopFor(500);
    EXPECT_EQ(ScreenPixel(origin + wxPoint(400, 560)), "#FFAED0") << "the skin's body";
    EXPECT_EQ(ScreenPixel(origin + wxPoint(120, 400)), "#D0AEFF")
        << "the tree's lavender, not pink";
    EXPECT_EQ(ScreenPixel(origin + wxPoint(500, 300)), "#FFAED0")
        << "the blank wrapper page blends in";
    const std::string corner = ScreenPixel(origin + wxPoint(3, 3));
    EXPECT_NE(corner, "#7EFF00") << "the skin's green corner lies outside the window";
    EXPECT_NE(corner, "#FFAED0");
}
