// The wait for the real program's window holds while other windows come and
// go as fast as the X server makes them, as the viewer's own short-lived
// windows do at start-up, and ends a program that never shows one.

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "ViewerHarness.h"

// Last: X11's macros collide with names in the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

using namespace courseview::testing;

namespace {

// The windows a window manager lists as its clients; none without one.
std::vector<unsigned long> ClientList(Display* display) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, DefaultRootWindow(display),
                           XInternAtom(display, "_NET_CLIENT_LIST", False), 0, 65536, False,
                           XA_WINDOW, &type, &format, &count, &after, &data) != Success ||
        data == nullptr) {
        return {};
    }
    const auto* windows = reinterpret_cast<const unsigned long*>(data);
    std::vector<unsigned long> list(windows, windows + count);
    XFree(data);
    return list;
}

// Makes and destroys top-level windows from a connection of its own until it
// stops, all carrying `pid` but at the wrong size or place, a few dozen alive
// at a time, each gone moments after it was made. One in eight is left to the
// window manager, if there is one; more would keep it busy long after.
class WindowChurn {
public:
    explicit WindowChurn(pid_t pid) : m_thread([this, pid] { Run(pid); }) {}
    ~WindowChurn() { Stop(); }
    void Stop() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
    }
    bool Made(unsigned long window) {
        const std::lock_guard lock(m_mutex);
        return m_made.count(window) != 0;
    }
    // Waits until the window manager lists none of them any more, so that
    // the next window does not queue behind them.
    bool Forgotten() {
        Display* display = XOpenDisplay(nullptr);
        if (display == nullptr) return false;
        const auto anyListed = [&] {
            const std::vector<unsigned long> clients = ClientList(display);
            return std::any_of(clients.begin(), clients.end(), [&](auto w) { return Made(w); });
        };
        const bool forgotten = RunEventLoopUntil([&] { return !anyListed(); }, 60000);
        XCloseDisplay(display);
        return forgotten;
    }

private:
    void Run(pid_t pid) {
        Display* display = XOpenDisplay(nullptr);
        if (display == nullptr) return;
        const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
        std::vector<Window> alive;
        for (unsigned long n = 0; !m_stop; ++n) {
            // A window manager places the windows it manages where it likes:
            // those are a pixel too narrow; the others are a little aside.
            const bool managed = n % 8 == 0;
            XSetWindowAttributes attributes{};
            attributes.override_redirect = !managed;
            const Window window =
                XCreateWindow(display, DefaultRootWindow(display), managed ? 274 : 300, 100,
                              managed ? 799 : 800, 600, 0, CopyFromParent, InputOutput,
                              CopyFromParent, CWOverrideRedirect, &attributes);
            const unsigned long owner = static_cast<unsigned long>(pid);
            XChangeProperty(display, window, pidAtom, XA_CARDINAL, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&owner), 1);
            XMapWindow(display, window);
            {
                const std::lock_guard lock(m_mutex);
                m_made.insert(window);
            }
            alive.push_back(window);
            if (alive.size() > 40) {
                XDestroyWindow(display, alive.front());
                alive.erase(alive.begin());
            }
            if (n % 16 == 0) XSync(display, False);
        }
        XCloseDisplay(display);
    }

    std::atomic<bool> m_stop = false;
    std::mutex m_mutex;
    std::set<unsigned long> m_made;
    std::thread m_thread;
};

void ExpectFoundAmidChurn() {
    TempFolder course;
    course.Write("Intro.htm", "<title>Intro</title>");
    std::filesystem::copy_file(VIEWER_EXECUTABLE, course.Path() + "courseview");
    ViewerProcess viewer(course.Path());
    WindowChurn churn(viewer.Pid());
    const ViewerWindow window = WaitForViewerWindow(viewer.Pid(), DeadlineIn(60000));
    churn.Stop();
    EXPECT_TRUE(churn.Forgotten()) << "the window manager still lists windows long gone";
    ASSERT_TRUE(window) << window.failure;
    EXPECT_FALSE(churn.Made(window.id)) << "a look-alike was taken for the viewer";
    EXPECT_GT(window.vanished, 0) << "no window vanished under the search: nothing was shown";
}

}  // namespace

TEST(ViewerWindowWait, FindsTheViewerWhileWindowsComeAndGo) { ExpectFoundAmidChurn(); }

TEST(WindowManager, ViewerWindowIsFoundWhileWindowsComeAndGo) { ExpectFoundAmidChurn(); }

TEST(ViewerWindowWait, ProgramThatShowsNoWindowIsKilledAtTheDeadline) {
    TempFolder course;
    course.Write("courseview", "#!/bin/sh\nexec sleep 600\n");
    std::filesystem::permissions(course.Path() + "courseview", std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    ViewerProcess viewer(course.Path());
    const ViewerWindow window = WaitForViewerWindow(viewer.Pid(), DeadlineIn(300));
    EXPECT_FALSE(window);
    EXPECT_EQ(window.failure, "the viewer's window did not show in time");
    const std::optional<int> status = viewer.WaitForExit(5000);
    ASSERT_TRUE(status) << "still running after the deadline";
    EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == SIGKILL);
}
