// The wait for the real program's window holds while other windows come and
// go as fast as the X server makes them, as the viewer's own short-lived
// windows do at start-up, and ends a program that never shows one.

#include <signal.h>
#include <sys/wait.h>

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

// Makes and destroys top-level windows from a connection of its own until it
// ends, all carrying `pid` but at the wrong size or place, a few dozen alive
// at a time, each gone moments after it was made.
class WindowChurn {
public:
    explicit WindowChurn(pid_t pid) : m_thread([this, pid] { Run(pid); }) {}
    ~WindowChurn() {
        m_stop = true;
        m_thread.join();
    }
    bool Made(unsigned long window) {
        const std::lock_guard lock(m_mutex);
        return m_made.count(window) != 0;
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
            XSetWindowAttributes attributes{};
            attributes.override_redirect = n % 2;
            const Window window = XCreateWindow(
                display, DefaultRootWindow(display), n % 2 ? 300 : 274, 100, n % 2 ? 800 : 799, 600,
                0, CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect, &attributes);
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
