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

TEST(CloseButton, RedCrossShowsOnTheButtonAndInTheSquareNearTheTopLeft) {
    OpenViewer viewer;
    courseview::TForm1& form = viewer.Form();
    struct Step {
        wxPoint at;
        bool hovered;
    };
    for (const Step& step : {Step{{500, 570}, false}, Step{{767, 35}, true},
                             Step{{770, 40}, true},  // now over the red cross itself
                             Step{{600, 40}, false}, Step{{40, 40}, true}, Step{{50, 40}, false}}) {
        SCOPED_TRACE(std::to_string(step.at.x) + "," + std::to_string(step.at.y));
        MovePointerTo(DesignedPlace.GetTopLeft() + step.at);
        ExpectHovered(form, step.hovered);
    }
}

TEST(CloseButton, ClickOnTheRedCrossClosesTheWindowAndRemovesTheWrapperPage) {
    auto viewer = std::make_unique<OpenViewer>();
    wxWeakRef<courseview::TForm1> form = &viewer->Form();
    const std::filesystem::path page = form->WrapperPagePath();
    ASSERT_TRUE(std::filesystem::exists(page));
    ClickAt(DesignedPlace.GetTopLeft() + wxPoint(767, 35));
    EXPECT_TRUE(WaitUntilGone(form));
    EXPECT_FALSE(std::filesystem::exists(page));
    viewer.reset();
}
