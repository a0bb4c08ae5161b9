// The window is moved by dragging its skin: under a real window manager
// (openbox) by the window manager, on a bare X server by GTK itself.

#include <gtest/gtest.h>

#include "ViewerHarness.h"

// Last: X11's macros collide with names in the headers above.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

using namespace courseview::testing;

namespace {

// Where the X server has the window now, whatever GTK last heard of it.
wxPoint ServerPosition(const courseview::TForm1& form) {
    GdkWindow* window = gtk_widget_get_window(static_cast<GtkWidget*>(form.GetHandle()));
    Display* display = GDK_WINDOW_XDISPLAY(window);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display, GDK_WINDOW_XID(window), DefaultRootWindow(display), 0, 0, &x, &y,
                          &child);
    return wxPoint(x, y);
}

void DragSkin(courseview::TForm1& form, wxPoint grip, wxPoint by, int button) {
    const wxPoint start = ServerPosition(form) + grip;
    MovePointerTo(start);
    RunCommand("xdotool mousedown " + std::to_string(button));
    RunEventLoopFor(300);
    for (int step = 1; step <= 5; ++step) {
        const wxPoint at = start + wxPoint(by.x * step / 5, by.y * step / 5);
        RunCommand("xdotool mousemove " + std::to_string(at.x) + " " + std::to_string(at.y));
        RunEventLoopFor(60);
    }
    RunCommand("xdotool mouseup " + std::to_string(button));
    RunEventLoopFor(300);
}

void ExpectDragsWithEitherButton() {
    OpenViewer viewer;
    courseview::TForm1& form = viewer.Form();
    for (const int button : {1, 3}) {
        SCOPED_TRACE(button == 1 ? "left button" : "right button");
        const wxPoint before = ServerPosition(form);
        DragSkin(form, wxPoint(400, 20), wxPoint(-120, 60), button);
        EXPECT_TRUE(RunEventLoopUntil(
            [&] { return ServerPosition(form) == before + wxPoint(-120, 60); }, 3000))
            << "from " << before.x << "," << before.y << " to " << ServerPosition(form).x << ","
            << ServerPosition(form).y;
    }
}

}  // namespace

TEST(WindowManager, WindowKeepsItsDesignedSize) {
    OpenViewer viewer;
    EXPECT_EQ(viewer.Form().GetSize(), wxSize(800, 600));
}

TEST(WindowManager, DraggingTheSkinWithEitherButtonMovesTheWindow) {
    ExpectDragsWithEitherButton();
}

// Without a window manager GTK runs the move itself.
TEST(WindowDrag, DraggingTheSkinMovesTheWindowOnABareXServer) { ExpectDragsWithEitherButton(); }
