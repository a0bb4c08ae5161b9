#pragma once
// Opens the viewer window in the test's own process, or starts the real
// program and waits for its window, and drives either like a person.

#include <gtest/gtest.h>
#include <sys/types.h>
#include <wx/gdicmn.h>
#include <wx/treebase.h>
#include <wx/weakref.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MainForm.h"
#include "ScreenDriver.h"
#include "TempFolder.h"

class wxTreeCtrl;

namespace courseview::testing {

// Every error box shown since the last call of this function, as "caption|text";
// the boxes never block, so a test can look at them.
std::vector<std::string> TakeErrorBoxes();
void InterceptErrorBoxes();

// A complete small 24-bit picture file.
std::string BmpFile(int width = 4, int height = 4);

// The addresses the viewer asked its browser to open, in order.
class NavigationRecorder {
public:
    explicit NavigationRecorder(TForm1& form);
    const std::vector<std::string>& Urls() const { return m_seen->asked; }
    // Waits until `url` is the last one asked for.
    bool WaitFor(const std::string& url, int timeoutMs = 30000) const;
    // Waits until the load of `url` has ended, shown or failed.
    bool WaitForLoadEnd(const std::string& url, int timeoutMs = 30000) const;

private:
    struct Seen {
        std::vector<std::string> asked, ended;
    };
    // Shared with the browser's handlers, which may outlive the recorder.
    std::shared_ptr<Seen> m_seen = std::make_shared<Seen>();
};

// Runs `script` in the page the browser shows and returns its value as text;
// nothing when it failed or gave no answer in time.
std::optional<std::string> RunScript(TForm1& form, const std::string& script,
                                     int timeoutMs = 10000);
// Runs `script` again and again until its value satisfies `done` or the time
// is up; returns the last value ("" for none).
std::string WaitForScript(TForm1& form, const std::string& script,
                          const std::function<bool(const std::string&)>& done,
                          int timeoutMs = 30000);

// A viewer window over a program folder of its own, activated and with its
// catalogue built; closed and gone when the fixture ends.
class OpenViewer {
public:
    // `prepare` lays out the program folder before the window opens.
    explicit OpenViewer(const std::function<void(const TempFolder&)>& prepare = {},
                        bool waitForCatalogue = true, const std::string& developerRoot = {});
    ~OpenViewer();

    TForm1& Form() const { return *m_form; }
    const TempFolder& Folder() const { return m_folder; }

    // The node with this caption, expanded into view; fails the test when missing.
    wxTreeItemId Item(const std::string& caption) const;
    // The middle of a node's label on the screen.
    wxPoint ItemOnScreen(const wxTreeItemId& item) const;
    void ClickItem(const std::string& caption) const;

private:
    TempFolder m_folder;
    wxWeakRef<TForm1> m_form;
};

// Expands and scrolls the tree until `item` stands still in view: a tree of
// many nodes may lay itself out and size its scroll range only when idle.
bool BringIntoView(wxTreeCtrl& tree, const wxTreeItemId& item);

// Waits until `form` has been destroyed.
bool WaitUntilGone(const wxWeakRef<TForm1>& form, int timeoutMs = 30000);

// The viewer program, run as a student runs it: `./courseview` in `folder`,
// through `sh -c 'exec PREFIX ./courseview'` (PREFIX: variables, a wrapper
// such as setpriv), keeping its process id. Killed and reaped when the
// object ends, whatever became of the test.
class ViewerProcess {
public:
    explicit ViewerProcess(const std::string& folder, const std::string& prefix = {});
    ~ViewerProcess();
    ViewerProcess(const ViewerProcess&) = delete;
    ViewerProcess& operator=(const ViewerProcess&) = delete;

    pid_t Pid() const { return m_pid; }
    // Its wait status once it has ended within `timeoutMs`.
    std::optional<int> WaitForExit(int timeoutMs);

private:
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

// The viewer's window as the X server lists it, or why it was not found.
struct ViewerWindow {
    unsigned long id = 0;  // the X window
    std::string failure;
    int vanished = 0;  // windows that were gone by the time they were looked at
    explicit operator bool() const { return id != 0; }
};

// Waits, polling from the event loop, for the window of process `pid`: a
// top-level client window (below its frame under a window manager) with that
// _NET_WM_PID, viewable, 800 x 600 at 274, 100. Windows that vanish while
// they are looked at are passed over. At the deadline, or when the process
// has ended first, the process is killed.
ViewerWindow WaitForViewerWindow(pid_t pid, std::chrono::steady_clock::time_point deadline);

// Closes the program's window as a person does: onto its close button until
// the red cross shows, then a click. Succeeds when the program then ends
// within `timeoutMs` with status 0.
::testing::AssertionResult CloseWithItsButton(ViewerProcess& viewer, int timeoutMs);

std::chrono::steady_clock::time_point DeadlineIn(int milliseconds);

}  // namespace courseview::testing
