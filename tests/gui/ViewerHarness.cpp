#include "ViewerHarness.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/treectrl.h>

#include <algorithm>

#include "CourseAddress.h"
#include "CourseBrowser.h"
#include "ErrorBox.h"
#include "ProgramFolder.h"

// Last: X11's macros (None, Bool, Status) collide with names in the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

extern char** environ;

namespace courseview::testing {

namespace {

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

wxTreeItemId FindCaption(const wxTreeCtrl& tree, const wxTreeItemId& parent,
                         const wxString& caption) {
    wxTreeItemIdValue cookie;
    for (wxTreeItemId child = tree.GetFirstChild(parent, cookie); child.IsOk();
         child = tree.GetNextChild(parent, cookie)) {
        if (tree.GetItemText(child) == caption) return child;
        if (const wxTreeItemId found = FindCaption(tree, child, caption); found.IsOk())
            return found;
    }
    return {};
}

std::vector<std::string>& ErrorBoxes() {
    static std::vector<std::string> boxes;
    return boxes;
}

// While it stands, an error about a window that no longer exists is counted
// and passed over instead of ending the program; other errors go on to the
// handler that stood before.
class VanishedWindowsPassedOver {
public:
    VanishedWindowsPassedOver(Display* display, int& vanished) {
        s_display = display;
        s_vanished = &vanished;
        s_previous = XSetErrorHandler(&Handle);
    }
    ~VanishedWindowsPassedOver() {
        // Errors for the requests made meanwhile arrive by this sync, still here.
        XSync(s_display, False);
        XSetErrorHandler(s_previous);
        s_display = nullptr;
    }
    VanishedWindowsPassedOver(const VanishedWindowsPassedOver&) = delete;
    VanishedWindowsPassedOver& operator=(const VanishedWindowsPassedOver&) = delete;

private:
    static int Handle(Display* display, XErrorEvent* error) {
        if (display == s_display && error->error_code == BadWindow) {
            ++*s_vanished;
            return 0;
        }
        return s_previous != nullptr ? s_previous(display, error) : 0;
    }

    static inline Display* s_display = nullptr;
    static inline int* s_vanished = nullptr;
    static inline XErrorHandler s_previous = nullptr;
};

std::vector<Window> Children(Display* display, Window window) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) return {};
    std::vector<Window> list(children, children + count);
    if (children != nullptr) XFree(children);
    return list;
}

// A property's 32-bit items; empty when the window has no such property or is gone.
std::vector<unsigned long> Property(Display* display, Window window, const char* name, Atom type) {
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const Atom property = XInternAtom(display, name, False);
    if (XGetWindowProperty(display, window, property, 0, 4096, False, type, &actualType, &format,
                           &count, &after, &data) != Success ||
        data == nullptr) {
        return {};
    }
    std::vector<unsigned long> items;
    if (format == 32)
        items.assign(reinterpret_cast<unsigned long*>(data),
                     reinterpret_cast<unsigned long*>(data) + count);
    XFree(data);
    return items;
}

// The client window at or below a top-level window: a window manager that
// reparents keeps it, marked by WM_STATE, inside its frame.
Window ClientAt(Display* display, Window topLevel) {
    std::vector<Window> level{topLevel};
    for (int depth = 0; depth < 3 && !level.empty(); ++depth) {
        std::vector<Window> below;
        for (const Window window : level) {
            if (!Property(display, window, "WM_STATE", AnyPropertyType).empty()) return window;
            for (const Window child : Children(display, window)) below.push_back(child);
        }
        level = std::move(below);
    }
    return topLevel;
}

std::vector<Window> TopLevelClients(Display* display) {
    const Window root = DefaultRootWindow(display);
    std::vector<Window> clients;
    for (const unsigned long window : Property(display, root, "_NET_CLIENT_LIST", XA_WINDOW))
        clients.push_back(window);
    if (!clients.empty()) return clients;
    for (const Window child : Children(display, root)) clients.push_back(ClientAt(display, child));
    return clients;
}

bool IsViewerWindow(Display* display, Window window, pid_t pid) {
    const std::vector<unsigned long> owner = Property(display, window, "_NET_WM_PID", XA_CARDINAL);
    if (owner.size() != 1 || owner[0] != static_cast<unsigned long>(pid)) return false;
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0 ||
        attributes.map_state != IsViewable) {
        return false;
    }
    int x = 0, y = 0;
    Window child = 0;
    return XTranslateCoordinates(display, window, attributes.root, 0, 0, &x, &y, &child) != 0 &&
           wxRect(x, y, attributes.width, attributes.height) == DesignedPlace;
}

// Whether the child `pid` has ended, without reaping it.
bool HasEnded(pid_t pid) {
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return ::kill(pid, 0) != 0;
    return info.si_pid == pid;
}

// The colours of the close button's cross, at its middle.
bool IsRed(std::uint32_t colour) {
    return (colour >> 16) >= 0xC0 && (colour >> 8 & 0xFF) < 0x40 && (colour & 0xFF) < 0x50;
}
bool IsGrey(std::uint32_t colour) {
    return (colour >> 16) == (colour & 0xFF) && (colour >> 8 & 0xFF) == (colour & 0xFF) &&
           (colour & 0xFF) < 0xC0;
}

}  // namespace

void InterceptErrorBoxes() {
    SetErrorBoxInterceptor([](const std::string& caption, const std::string& text) {
        ErrorBoxes().push_back(caption + "|" + text);
    });
}

std::vector<std::string> TakeErrorBoxes() {
    std::vector<std::string> boxes;
    boxes.swap(ErrorBoxes());
    return boxes;
}

std::string BmpFile(int width, int height) {
    const int rowBytes = (width * 3 + 3) / 4 * 4;
    const std::uint32_t pixelBytes = static_cast<std::uint32_t>(rowBytes * height);
    std::string file = "BM";
    for (const auto& [value, bytes] : {std::pair{54 + pixelBytes, 4},
                                       {0u, 4},
                                       {54u, 4},
                                       {40u, 4},
                                       {static_cast<std::uint32_t>(width), 4},
                                       {static_cast<std::uint32_t>(height), 4},
                                       {1u, 2},
                                       {24u, 2},
                                       {0u, 4},
                                       {pixelBytes, 4},
                                       {0u, 16}})
        PutLittleEndian(file, value, bytes);
    std::string row;
    for (int x = 0; x < width; ++x) row += std::string("\x20\x40\xE0", 3);  // blue, green, red
    row.resize(static_cast<std::size_t>(rowBytes), '\0');
    for (int y = 0; y < height; ++y) file += row;
    return file;
}

NavigationRecorder::NavigationRecorder(TForm1& form) {
    form.WB->Bind(EVT_BROWSER_NAVIGATING, [seen = m_seen](wxCommandEvent& event) {
        seen->asked.push_back(event.GetString().utf8_string());
        event.Skip();
    });
    form.WB->Bind(EVT_BROWSER_LOADED, [seen = m_seen](wxCommandEvent& event) {
        seen->ended.push_back(event.GetString().utf8_string());
        event.Skip();
    });
}

bool NavigationRecorder::WaitFor(const std::string& url, int timeoutMs) const {
    return RunEventLoopUntil([&] { return !Urls().empty() && Urls().back() == url; }, timeoutMs);
}

bool NavigationRecorder::WaitForLoadEnd(const std::string& url, int timeoutMs) const {
    const std::vector<std::string>& ended = m_seen->ended;
    return RunEventLoopUntil(
        [&] { return std::find(ended.begin(), ended.end(), url) != ended.end(); }, timeoutMs);
}

OpenViewer::OpenViewer(const std::function<void(const TempFolder&)>& prepare, bool waitForCatalogue,
                       const std::string& developerRoot) {
    if (prepare) prepare(m_folder);
    // Nothing may land outside the test's folder, not even the wrapper page.
    m_form = new TForm1(FormPlaces::InProgramFolder(
        m_folder.Path(), {},
        developerRoot.empty() ? m_folder.Path() + "no-developer-root" : developerRoot));
    // The blank page's load finishes first, so a test sees only the navigations it causes.
    NavigationRecorder blank(*m_form);
    m_form->ShowAtDesignedPlace();
    if (!waitForCatalogue) return;
    const std::string blankPage = CourseUri(m_folder.Path() + "temp.htm");
    if (FileExists(m_folder.Path() + "temp.htm")) {
        EXPECT_TRUE(blank.WaitForLoadEnd(blankPage)) << "the blank page never loaded";
    }
    EXPECT_TRUE(RunEventLoopUntil([this] {
        return m_form && m_form->IsShown() && m_form->FirstActivationDone() && !m_form->Scanning();
    })) << "the window never became active and built its catalogue";
}

OpenViewer::~OpenViewer() {
    if (m_form) m_form->Destroy();
    EXPECT_TRUE(WaitUntilGone(m_form));
}

wxTreeItemId OpenViewer::Item(const std::string& caption) const {
    const wxTreeItemId item =
        FindCaption(*m_form->TV, m_form->TV->GetRootItem(), wxString::FromUTF8(caption));
    EXPECT_TRUE(item.IsOk()) << "no node captioned \"" << caption << "\"";
    if (item.IsOk()) {
        EXPECT_TRUE(BringIntoView(*m_form->TV, item)) << caption;
    }
    return item;
}

wxPoint OpenViewer::ItemOnScreen(const wxTreeItemId& item) const {
    wxRect label;
    m_form->TV->GetBoundingRect(item, label, true);
    return m_form->TV->ClientToScreen(
        wxPoint(label.x + label.width / 2, label.y + label.height / 2));
}

void OpenViewer::ClickItem(const std::string& caption) const {
    const wxTreeItemId item = Item(caption);
    if (item.IsOk()) ClickAt(ItemOnScreen(item));
}

std::optional<std::string> RunScript(TForm1& form, const std::string& script, int timeoutMs) {
    auto outcome = std::make_shared<std::optional<std::optional<std::string>>>();
    form.WB->RunScript(script, [outcome](std::optional<std::string> value) { *outcome = value; });
    if (!RunEventLoopUntil([&] { return outcome->has_value(); }, timeoutMs)) return std::nullopt;
    return **outcome;
}

std::string WaitForScript(TForm1& form, const std::string& script,
                          const std::function<bool(const std::string&)>& done, int timeoutMs) {
    const auto deadline = DeadlineIn(timeoutMs);
    std::string value;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return value;
        const std::optional<std::string> now =
            RunScript(form, script, static_cast<int>(std::min<long>(left.count(), 2000)));
        value = now.value_or("");
        if (now && done(*now)) return value;
        RunEventLoopFor(20);  // polling: the page changes as its own scripts run
    }
}

bool BringIntoView(wxTreeCtrl& tree, const wxTreeItemId& item) {
    wxRect label, previous;
    return RunEventLoopUntil([&] {
               if (!tree.IsVisible(item)) {
                   tree.EnsureVisible(item);
                   return false;
               }
               previous = label;
               tree.GetBoundingRect(item, label, true);
               return label == previous;
           }) &&
           DrainEvents();
}

bool WaitUntilGone(const wxWeakRef<TForm1>& form, int timeoutMs) {
    return RunEventLoopUntil([&] { return !form; }, timeoutMs);
}

ViewerProcess::ViewerProcess(const std::string& folder, const std::string& prefix) {
    // Everything the child needs is made here: after fork only async-signal-safe calls.
    const std::string script = "exec " + prefix + " ./courseview";
    const char* const arguments[] = {"/bin/sh", "-c", script.c_str(), nullptr};
    const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(nowhere, STDOUT_FILENO);
        ::dup2(nowhere, STDERR_FILENO);
        if (::chdir(folder.c_str()) != 0) ::_exit(126);
        ::execve(arguments[0], const_cast<char* const*>(arguments), environ);
        ::_exit(127);
    }
    ::close(nowhere);
    EXPECT_GT(m_pid, 0) << "cannot start the viewer";
}

ViewerProcess::~ViewerProcess() {
    if (m_pid <= 0 || m_status) return;
    ::kill(m_pid, SIGKILL);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
}

std::optional<int> ViewerProcess::WaitForExit(int timeoutMs) {
    RunEventLoopUntil(
        [this] {
            int status = 0;
            if (!m_status && ::waitpid(m_pid, &status, WNOHANG) == m_pid) m_status = status;
            return m_status.has_value();
        },
        timeoutMs);
    return m_status;
}

std::chrono::steady_clock::time_point DeadlineIn(int milliseconds) {
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
}

ViewerWindow WaitForViewerWindow(pid_t pid, std::chrono::steady_clock::time_point deadline) {
    ViewerWindow found;
    // A connection of its own, so the window's connection never sees these errors.
    Display* display = XOpenDisplay(nullptr);
    bool ended = false;
    if (display != nullptr) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        RunEventLoopUntil(
            [&] {
                if (found || (ended = HasEnded(pid))) return true;
                VanishedWindowsPassedOver guard(display, found.vanished);
                for (const Window window : TopLevelClients(display)) {
                    if (IsViewerWindow(display, window, pid)) found.id = window;
                }
                return static_cast<bool>(found);
            },
            static_cast<int>(std::max<long long>(left.count(), 0)));
        XCloseDisplay(display);
    }
    if (found) return found;
    ::kill(pid, SIGKILL);
    found.failure = display == nullptr ? "cannot open the display"
                    : ended            ? "the viewer ended before its window showed"
                                       : "the viewer's window did not show in time";
    return found;
}

::testing::AssertionResult CloseWithItsButton(ViewerProcess& viewer, int timeoutMs) {
    const wxPoint cross = DesignedPlace.GetTopLeft() + wxPoint(767, 35);
    if (!RunEventLoopUntil([&] { return IsGrey(ScreenPixel(cross)); }, timeoutMs))
        return ::testing::AssertionFailure() << "the grey cross never showed";
    // The move that enters the button shows nothing yet, and one that comes
    // before the red cross is drawn is taken for a move over the skin: move
    // within the button, each move given time to show, until the cross is red.
    const auto deadline = DeadlineIn(timeoutMs);
    bool red = false;
    for (int move = 0; !red && std::chrono::steady_clock::now() < deadline; ++move) {
        SendPointerTo(cross - wxPoint(move % 2, move % 2));
        red = RunEventLoopUntil([&] { return IsRed(ScreenPixel(cross)); }, 500);
    }
    if (!red)
        return ::testing::AssertionFailure() << "the red cross never showed under the pointer";
    PressButton(1, true);
    PressButton(1, false);
    const std::optional<int> status = viewer.WaitForExit(timeoutMs);
    if (!status) return ::testing::AssertionFailure() << "the viewer did not end";
    if (!WIFEXITED(*status) || WEXITSTATUS(*status) != 0)
        return ::testing::AssertionFailure() << "the viewer ended with wait status " << *status;
    return ::testing::AssertionSuccess();
}

}  // namespace courseview::testing
