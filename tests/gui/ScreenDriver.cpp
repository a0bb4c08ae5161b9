#include "ScreenDriver.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/timer.h>
#include <wx/toplevel.h>

#include <chrono>

// Last: X11's macros (None, Bool, Status) collide with names in the headers above.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

namespace courseview::testing {

namespace {

class LoopWatch : public wxTimer {
public:
    LoopWatch(wxEventLoopBase& loop, const std::function<bool()>& done, int timeoutMs)
        : m_loop(loop),
          m_done(done),
          m_deadline(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs)) {}

    void Notify() override {
        if ((m_done && m_done()) || std::chrono::steady_clock::now() >= m_deadline) m_loop.Exit();
    }

private:
    wxEventLoopBase& m_loop;
    const std::function<bool()>& m_done;
    std::chrono::steady_clock::time_point m_deadline;
};

// The window's own connection to the X server: input sent and synced on it
// has reached the window's event queue when the sync returns.
Display* WindowDisplay() { return GDK_DISPLAY_XDISPLAY(gdk_display_get_default()); }

// A window of the harness's own, never shown. A property changed on it comes
// back as an event behind everything the server sent before; GDK holds a
// pointer move back until a later event or the next frame, so the marker's
// arrival is what shows those handled.
class QueueMarker {
public:
    QueueMarker() : m_window(gtk_window_new(GTK_WINDOW_TOPLEVEL)) {
        gtk_widget_add_events(m_window, GDK_PROPERTY_CHANGE_MASK);
        gtk_widget_realize(m_window);
        m_atom = gdk_atom_intern_static_string("COURSEVIEW_TEST_MARKER");
        g_signal_connect(m_window, "property-notify-event", G_CALLBACK(&QueueMarker::OnProperty),
                         this);
    }

    void Send() {
        const long value = ++m_sent;
        GdkWindow* window = gtk_widget_get_window(m_window);
        XChangeProperty(GDK_WINDOW_XDISPLAY(window), GDK_WINDOW_XID(window),
                        gdk_x11_atom_to_xatom(m_atom), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&value), 1);
        XFlush(GDK_WINDOW_XDISPLAY(window));
    }
    bool Arrived() const { return m_arrived == m_sent; }

private:
    static gboolean OnProperty(GtkWidget*, GdkEventProperty* event, QueueMarker* marker) {
        if (event->atom == marker->m_atom) ++marker->m_arrived;
        return FALSE;
    }

    GtkWidget* m_window;
    GdkAtom m_atom;
    long m_sent = 0;
    long m_arrived = 0;
};

// Counts the frames still to be drawn: GTK maps a control shown in a handler,
// and lays it out, only in the window's next frame.
class FrameWait {
public:
    static void Request(GdkFrameClock* clock, int& pending) {
        ++pending;
        auto* wait = new FrameWait{clock, pending};
        wait->m_handler = g_signal_connect(clock, "after-paint", G_CALLBACK(&Drawn), wait);
        g_object_weak_ref(G_OBJECT(clock), &Gone, wait);
        gdk_frame_clock_request_phase(clock, GDK_FRAME_CLOCK_PHASE_AFTER_PAINT);
    }

private:
    FrameWait(GdkFrameClock* clock, int& pending) : m_clock(clock), m_pending(pending) {}
    static void Drawn(GdkFrameClock*, FrameWait* wait) {
        g_signal_handler_disconnect(wait->m_clock, wait->m_handler);
        g_object_weak_unref(G_OBJECT(wait->m_clock), &Gone, wait);
        Gone(wait, nullptr);
    }
    // The window went before its frame: nothing more will be drawn.
    static void Gone(gpointer data, GObject*) {
        auto* wait = static_cast<FrameWait*>(data);
        --wait->m_pending;
        delete wait;
    }

    GdkFrameClock* m_clock;
    int& m_pending;
    gulong m_handler = 0;
};

}  // namespace

bool RunEventLoopUntil(const std::function<bool()>& done, int timeoutMs) {
    if (done && done()) return true;
    wxGUIEventLoop loop;
    LoopWatch watch(loop, done, timeoutMs);
    watch.Start(10);
    loop.Run();
    watch.Stop();
    return done && done();
}

bool DrainEvents() {
    static QueueMarker marker;
    marker.Send();
    if (!RunEventLoopUntil([] { return marker.Arrived() && !wxTheApp->HasPendingEvents(); }))
        return false;
    int frames = 0;
    for (wxWindow* window : wxTopLevelWindows) {
        auto* widget = static_cast<GtkWidget*>(window->GetHandle());
        if (widget == nullptr || !gtk_widget_get_mapped(widget)) continue;
        if (GdkFrameClock* clock = gtk_widget_get_frame_clock(widget))
            FrameWait::Request(clock, frames);
    }
    return RunEventLoopUntil([&] { return frames == 0 && !wxTheApp->HasPendingEvents(); });
}

void RunEventLoopFor(int milliseconds) { RunEventLoopUntil({}, milliseconds); }

void SendPointerTo(wxPoint at) {
    Display* display = WindowDisplay();
    XTestFakeMotionEvent(display, -1, at.x, at.y, CurrentTime);
    Window root = 0, child = 0;
    int x = 0, y = 0, windowX = 0, windowY = 0;
    unsigned buttons = 0;
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, &x, &y, &windowX, &windowY,
                  &buttons);
    EXPECT_EQ(wxPoint(x, y), at) << "the pointer did not arrive";
    EXPECT_TRUE(DrainEvents());
}

void MovePointerTo(wxPoint screen) {
    SendPointerTo(screen - wxPoint(1, 1));
    SendPointerTo(screen);
}

void PressButton(int button, bool down) {
    XTestFakeButtonEvent(WindowDisplay(), static_cast<unsigned>(button), down, CurrentTime);
    EXPECT_TRUE(DrainEvents());
}

void ClickAt(wxPoint screen, int button) {
    MovePointerTo(screen);
    PressButton(button, true);
    PressButton(button, false);
}

void DoubleClickAt(wxPoint screen) {
    MovePointerTo(screen);
    for (int press = 0; press < 4; ++press) PressButton(1, press % 2 == 0);
}

void PressKey(const std::string& keySymbolName) {
    Display* display = WindowDisplay();
    const KeyCode key = XKeysymToKeycode(display, XStringToKeysym(keySymbolName.c_str()));
    ASSERT_NE(key, 0) << "no key for " << keySymbolName;
    for (const bool down : {true, false}) {
        XTestFakeKeyEvent(display, key, down, CurrentTime);
        EXPECT_TRUE(DrainEvents());
    }
}

void PressKeys(const std::vector<std::string>& keySymbolNames) {
    Display* display = WindowDisplay();
    std::vector<KeyCode> keys;
    for (const std::string& name : keySymbolNames) {
        keys.push_back(XKeysymToKeycode(display, XStringToKeysym(name.c_str())));
        ASSERT_NE(keys.back(), 0) << "no key for " << name;
    }
    for (const KeyCode key : keys) XTestFakeKeyEvent(display, key, True, CurrentTime);
    for (auto key = keys.rbegin(); key != keys.rend(); ++key)
        XTestFakeKeyEvent(display, *key, False, CurrentTime);
    EXPECT_TRUE(DrainEvents());
}

namespace {

// A key without any symbol, to lend to a character the keyboard lacks.
KeyCode SpareKey(Display* display) {
    int lowest = 0, highest = 0, perKey = 0;
    XDisplayKeycodes(display, &lowest, &highest);
    KeySym* symbols =
        XGetKeyboardMapping(display, static_cast<KeyCode>(lowest), highest - lowest + 1, &perKey);
    KeyCode spare = 0;
    for (int key = highest; key >= lowest && spare == 0; --key) {
        bool empty = true;
        for (int i = 0; i < perKey; ++i) empty = empty && symbols[(key - lowest) * perKey + i] == 0;
        if (empty) spare = static_cast<KeyCode>(key);
    }
    XFree(symbols);
    return spare;
}

void SetKeySymbol(Display* display, KeyCode key, KeySym symbol) {
    KeySym both[2] = {symbol, symbol};
    XChangeKeyboardMapping(display, key, 2, both, 1);
    XSync(display, False);
}

}  // namespace

void TypeText(std::u16string_view text) {
    Display* display = WindowDisplay();
    const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    for (const char16_t character : text) {
        // Latin-1 characters are their own key symbols; the rest are Unicode's.
        const KeySym symbol = character < 0x100 ? character : 0x01000000 | character;
        KeyCode key = XKeysymToKeycode(display, symbol);
        const bool lent = key == 0;
        if (lent) {
            key = SpareKey(display);
            ASSERT_NE(key, 0) << "no spare key";
            SetKeySymbol(display, key, symbol);
        }
        const bool shifted = !lent && XkbKeycodeToKeysym(display, key, 0, 0) != symbol;
        if (shifted) XTestFakeKeyEvent(display, shift, True, CurrentTime);
        XTestFakeKeyEvent(display, key, True, CurrentTime);
        XTestFakeKeyEvent(display, key, False, CurrentTime);
        if (shifted) XTestFakeKeyEvent(display, shift, False, CurrentTime);
        EXPECT_TRUE(DrainEvents());
        if (lent) SetKeySymbol(display, key, NoSymbol);
    }
}

std::uint32_t ScreenPixel(wxPoint screen) {
    Display* display = WindowDisplay();
    XImage* image = XGetImage(display, DefaultRootWindow(display), screen.x, screen.y, 1, 1,
                              AllPlanes, ZPixmap);
    if (image == nullptr) return 0xFFFFFFFF;
    const unsigned long pixel = XGetPixel(image, 0, 0);
    std::uint32_t colour = 0;
    for (const unsigned long mask : {image->red_mask, image->green_mask, image->blue_mask}) {
        int shift = 0;
        while (shift < 32 && (mask >> shift & 1) == 0) ++shift;
        const unsigned long maximum = mask >> shift;
        colour = colour << 8 | static_cast<std::uint32_t>(
                                   maximum == 0 ? 0 : ((pixel & mask) >> shift) * 255 / maximum);
    }
    XDestroyImage(image);
    return colour;
}

bool WaitForPixel(wxPoint screen, std::uint32_t colour, int timeoutMs) {
    return RunEventLoopUntil([&] { return ScreenPixel(screen) == colour; }, timeoutMs);
}

wxRect ServerGeometry(const wxWindow& topLevel) {
    GdkWindow* window = gtk_widget_get_window(static_cast<GtkWidget*>(topLevel.GetHandle()));
    Display* display = GDK_WINDOW_XDISPLAY(window);
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, GDK_WINDOW_XID(window), &attributes);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display, GDK_WINDOW_XID(window), attributes.root, 0, 0, &x, &y, &child);
    return wxRect(x, y, attributes.width, attributes.height);
}

}  // namespace courseview::testing
