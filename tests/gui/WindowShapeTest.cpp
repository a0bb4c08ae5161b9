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
    struct Point {
        int x, y;
        bool inside;
    };
    for (const int kind : {ShapeBounding, ShapeInput}) {
        const std::vector<XRectangle> shape = ServerShape(viewer.Form(), kind);
        SCOPED_TRACE(kind == ShapeBounding ? "painted shape" : "input shape");
        ASSERT_FALSE(shape.empty());
        // Each row from its first key pixel up to its last, which stays outside.
        for (const Point& p :
             {Point{77, 0, true}, Point{777, 0, true}, Point{76, 0, false}, Point{778, 0, false},
              Point{61, 3, true}, Point{786, 3, false}, Point{22, 24, true}, Point{797, 24, true},
              Point{798, 24, false}, Point{77, 597, true}, Point{720, 597, true},
              Point{721, 597, false}, Point{400, 598, false}, Point{799, 300, false},
              Point{767, 35, true}}) {
            EXPECT_EQ(Inside(shape, p.x, p.y), p.inside) << p.x << "," << p.y;
        }
        for (int y = 0; y < 598; ++y) ASSERT_TRUE(Inside(shape, 400, y)) << "row " << y;
    }
}
