// The close button's two pictures and what a click on it does.

#include <gtest/gtest.h>

#include "PictureControl.h"
#include "ViewerHarness.h"

using namespace courseview::testing;

namespace {

void ExpectHovered(const courseview::TForm1& form, bool hovered) {
    EXPECT_EQ(form.CloseButtonHovered(), hovered);
    EXPECT_EQ(form.btnOff->IsShown(), hovered) << "the red cross";
    EXPECT_EQ(form.BtnOn->IsShown(), !hovered) << "the grey cross";
}

}  // namespace

TEST(CloseButton, RedCrossShowsWhileThePointerIsOnTheButton) {
    OpenViewer viewer;
    courseview::TForm1& form = viewer.Form();
    const wxPoint origin = form.GetScreenPosition();
    MovePointerTo(origin + wxPoint(500, 570));
    ExpectHovered(form, false);
    MovePointerTo(origin + wxPoint(767, 35));
    ExpectHovered(form, true);
    MovePointerTo(origin + wxPoint(770, 40));
    ExpectHovered(form, true);  // still on the button, now over the red cross itself
    MovePointerTo(origin + wxPoint(600, 40));
    ExpectHovered(form, false);
}

TEST(CloseButton, SquareNearTheTopLeftCornerAlsoShowsTheRedCross) {
    OpenViewer viewer;
    courseview::TForm1& form = viewer.Form();
    const wxPoint origin = form.GetScreenPosition();
    MovePointerTo(origin + wxPoint(40, 40));
    ExpectHovered(form, true);
    MovePointerTo(origin + wxPoint(50, 40));
    ExpectHovered(form, false);
}

TEST(CloseButton, ClickOnTheRedCrossClosesTheWindowAndRemovesTheWrapperPage) {
    auto viewer = std::make_unique<OpenViewer>();
    wxWeakRef<courseview::TForm1> form = &viewer->Form();
    const std::filesystem::path page = form->WrapperPagePath();
    ASSERT_TRUE(std::filesystem::exists(page));
    ClickAt(form->GetScreenPosition() + wxPoint(767, 35));
    EXPECT_TRUE(WaitUntilGone(form));
    EXPECT_FALSE(std::filesystem::exists(page));
    viewer.reset();
}
