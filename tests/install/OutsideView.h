#pragma once
// The viewer watched from outside, as a person sees it: its own X server, the
// viewer as a process of its own, its window found by its process id, the
// screen's pixels, and the rows of captions in its tree.

// GoogleTest first: Xlib defines macros such as None that GoogleTest uses as names.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
// clang-format on
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace courseview::testing {

inline constexpr auto Deadline = std::chrono::seconds(60);

// Polls `done` every 50 ms until it holds or `deadline` passes.
bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds deadline = Deadline);

// Runs a shell command, fails the test when it fails; returns its output.
std::string Command(const std::string& command);

// A process of the test's own, started with `env` added to the test's
// environment and no core dump, and killed by its id if still running when
// the test is done with it.
class Child {
public:
    Child(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& env,
          int keepDescriptor = -1);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t Pid() const { return m_pid; }
    void Signal(int signalNumber) const;

    // The wait status once the process has ended, or nothing by the deadline.
    std::optional<int> WaitForEnd(std::chrono::seconds deadline = Deadline);

private:
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

// An X server of the test's own on a free display, and a connection to it
// on which an error about a window that just went is no failure.
class XServer {
public:
    XServer();
    ~XServer();

    bool Ready() const { return m_display != nullptr; }
    const std::string& Name() const { return m_name; }
    Display* Connection() const { return m_display; }

    // Ends the server under its clients.
    void Kill();

private:
    std::unique_ptr<Child> m_server;
    std::string m_name;
    Display* m_display = nullptr;
};

// The top-level window `pid` has mapped, with its place on the screen.
std::optional<XRectangle> MappedWindowOf(Display* display, pid_t pid);

// The rows of captions in a tree: runs of screen rows holding the captions'
// red, within `area`.
struct Band {
    int top;
    int bottom;
    int left;
    int right;
    int Middle() const { return (top + bottom) / 2; }
};
std::vector<Band> CaptionBands(Display* display, XRectangle area);

// How many pixels in `area` differ from the skin's pink.
std::size_t PixelsOtherThanPink(Display* display, XRectangle area);

// A press of the first button at a place on the screen, `clicks` times.
void ClickAt(const XServer& server, int x, int y, int clicks = 1);

}  // namespace courseview::testing
