// The outline as the X server holds it: nothing is drawn or clickable outside.

#include <gtest/gtest.h>

#include "ViewerHarness.h"

// Last: X11's macros (None, Bool) collide with names in the headers above.
#include <X11/extensions/shape.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

using namespace courseview::testing;

namespace {

std::vector<XRectangle> ServerShape(const courseview::TForm1& form, int kind) {
    GdkWindow* window = gtk_widget_get_window(static_cast<GtkWidget*>(form.GetHandle()));
    Display* display = GDK_WINDOW_XDISPLAY(window);
    int count = 0, ordering = 0;
    XRectangle* rectangles =
        XShapeGetRectangles(display, GDK_WINDOW_XID(window), kind, &count, &ordering);
    std::vector<XRectangle> shape(rectangles, rectangles + count);
    XFree(rectangles);
    return shape;
}

bool Inside(const std::vector<XRectangle>& shape, int x, int y) {
    for (const XRectangle& r : shape) {
        if (x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height) return true;
    }
    return false;
}

}  // namespace

TEST(WindowShape, XServerCutsTheWindowToTheSkinOutline) {
    OpenViewer viewer;
    for (const int kind : {ShapeBounding, ShapeInput}) {
        const std::vector<XRectangle> shape = ServerShape(viewer.Form(), kind);
        SCOPED_TRACE(kind == ShapeBounding ? "painted shape" : "input shape");
        ASSERT_FALSE(shape.empty());
        EXPECT_TRUE(Inside(shape, 77, 0));
        EXPECT_TRUE(Inside(shape, 777, 0));
        EXPECT_FALSE(Inside(shape, 76, 0));
        EXPECT_FALSE(Inside(shape, 778, 0)) << "the row's last key pixel stays outside";
        EXPECT_TRUE(Inside(shape, 61, 3));
        EXPECT_FALSE(Inside(shape, 786, 3));
        EXPECT_TRUE(Inside(shape, 22, 24));
        EXPECT_TRUE(Inside(shape, 797, 24));
        EXPECT_FALSE(Inside(shape, 798, 24));
        EXPECT_TRUE(Inside(shape, 77, 597));
        EXPECT_TRUE(Inside(shape, 720, 597));
        EXPECT_FALSE(Inside(shape, 721, 597));
        EXPECT_FALSE(Inside(shape, 400, 598)) << "the rows the skin leaves uncovered";
        EXPECT_FALSE(Inside(shape, 799, 300)) << "the column the skin leaves uncovered";
        EXPECT_TRUE(Inside(shape, 400, 300));
        EXPECT_TRUE(Inside(shape, 767, 35)) << "the close button";
    }
}
