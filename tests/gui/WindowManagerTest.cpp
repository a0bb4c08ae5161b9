// The window is moved by dragging its skin: under a real window manager
// (openbox) by the window manager, on a bare X server by GTK itself.

#include <gtest/gtest.h>

#include "ViewerHarness.h"

using namespace courseview::testing;

namespace {

// Drags the skin by `by` in five steps, each waited for until the window has
// followed. The mover may take the pointer only after the first steps: a
// step it has not followed is sent again.
void ExpectDragsWithEitherButton() {
    OpenViewer viewer;
    const courseview::TForm1& form = viewer.Form();
    for (const int button : {1, 3}) {
        SCOPED_TRACE(button == 1 ? "left button" : "right button");
        const wxPoint before = ServerGeometry(form).GetTopLeft();
        const wxPoint start = before + wxPoint(400, 20);
        const wxPoint by(-120, 60);
        MovePointerTo(start);
        PressButton(button, true);
        for (int step = 1; step <= 5; ++step) {
            const wxPoint shift(by.x * step / 5, by.y * step / 5);
            bool followed = false;
            for (int attempt = 0; attempt < 10 && !followed; ++attempt) {
                MovePointerTo(start + shift);
                followed = RunEventLoopUntil(
                    [&] { return ServerGeometry(form).GetTopLeft() == before + shift; }, 1000);
            }
            EXPECT_TRUE(followed) << "step " << step;
        }
        PressButton(button, false);
        EXPECT_EQ(ServerGeometry(form).GetTopLeft(), before + by);
    }
}

}  // namespace

TEST(WindowManager, WindowKeepsItsDesignedSize) {
    OpenViewer viewer;
    EXPECT_EQ(ServerGeometry(viewer.Form()).GetSize(), DesignedPlace.GetSize());
}

TEST(WindowManager, DraggingTheSkinWithEitherButtonMovesTheWindow) {
    ExpectDragsWithEitherButton();
}

// Without a window manager GTK runs the move itself.
TEST(WindowDrag, DraggingTheSkinMovesTheWindowOnABareXServer) { ExpectDragsWithEitherButton(); }
