// Where the window and its controls are, as the X server shows them.

#include <gtest/gtest.h>

#include "CourseBrowser.h"
#include "ViewerHarness.h"

// Last: X11's macros collide with names in the headers above.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

using namespace courseview;
using namespace courseview::testing;

namespace {

std::string ServerTitle(const wxWindow& topLevel) {
    GdkWindow* window = gtk_widget_get_window(static_cast<GtkWidget*>(topLevel.GetHandle()));
    char* name = nullptr;
    XFetchName(GDK_WINDOW_XDISPLAY(window), GDK_WINDOW_XID(window), &name);
    const std::string title = name != nullptr ? name : "";
    if (name != nullptr) XFree(name);
    return title;
}

constexpr std::uint32_t Pink = 0xFFAED0, Lavender = 0xD0AEFF, Blue = 0x0000FF, Green = 0x7EFF00;

}  // namespace

TEST(WindowLayout, WindowComesUpBorderlessAt800x600InItsPlace) {
    OpenViewer viewer;
    EXPECT_EQ(ServerGeometry(viewer.Form()), DesignedPlace) << "no frame around the client area";
    EXPECT_EQ(ServerTitle(viewer.Form()), "Zuzuva Vuzerarezora Vodazevu");
}

TEST(WindowLayout, ScreenShowsSkinTreeAndBrowserInTheirPlaces) {
    OpenViewer viewer([](const TempFolder& folder) {
        folder.Write("Blue.htm", "<body style=\"margin:0;background:#00F\">");
    });
    const wxPoint origin = DesignedPlace.GetTopLeft();
    EXPECT_TRUE(WaitForPixel(origin + wxPoint(500, 300), Pink))
        << "the blank wrapper page blends in";
    viewer.Form().WB->Open(viewer.Folder().Path() + "Blue.htm");
    struct Pixel {
        wxPoint at;
        std::uint32_t colour;
        const char* what;
    };
    for (const Pixel& pixel : {Pixel{{400, 560}, Pink, "the skin's body"},
                               Pixel{{18, 64}, Lavender, "the tree's top left"},
                               Pixel{{248, 536}, Lavender, "the tree's bottom right"},
                               Pixel{{255, 64}, Blue, "the browser's top left"},
                               Pixel{{769, 536}, Blue, "the browser's bottom right"}}) {
        EXPECT_TRUE(WaitForPixel(origin + pixel.at, pixel.colour))
            << pixel.what << ": " << std::hex << ScreenPixel(origin + pixel.at);
    }
    // Now that all is drawn, what lies just outside.
    for (const Pixel& pixel : {Pixel{{17, 64}, Lavender, "left of the tree"},
                               Pixel{{18, 63}, Lavender, "above the tree"},
                               Pixel{{249, 536}, Lavender, "right of the tree"},
                               Pixel{{248, 537}, Lavender, "below the tree"},
                               Pixel{{254, 64}, Blue, "left of the browser"},
                               Pixel{{255, 63}, Blue, "above the browser"},
                               Pixel{{770, 536}, Blue, "right of the browser"},
                               Pixel{{769, 537}, Blue, "below the browser"},
                               Pixel{{3, 3}, Green, "the skin's green corner lies outside"},
                               Pixel{{3, 3}, Pink, "the corner is outside the window"}}) {
        EXPECT_NE(ScreenPixel(origin + pixel.at), pixel.colour) << pixel.what;
    }
}
