#include "OutsideView.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <thread>

#include "ShellCommand.h"

namespace courseview::testing {

bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

std::string Command(const std::string& command) {
    CommandRun run = RunShellCommand(command);
    EXPECT_EQ(run.exitCode, 0) << command << "\n" << run.output;
    return std::move(run.output);
}

Child::Child(const std::vector<std::string>& arguments,
             const std::map<std::string, std::string>& env, int keepDescriptor) {
    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    m_pid = ::fork();
    if (m_pid == 0) {
        const rlimit noCore{0, 0};  // SIGQUIT is among the endings tried
        ::setrlimit(RLIMIT_CORE, &noCore);
        for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
        for (int fd = 3; fd < 256; ++fd)
            if (fd != keepDescriptor) ::close(fd);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
}

Child::~Child() {
    if (!m_status && m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
}

void Child::Signal(int signalNumber) const { ::kill(m_pid, signalNumber); }

std::optional<int> Child::WaitForEnd(std::chrono::seconds deadline) {
    WaitUntil(
        [this] {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) m_status = status;
            return m_status.has_value();
        },
        deadline);
    return m_status;
}

namespace {

int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

struct Rgb {
    int red;
    int green;
    int blue;
};

// The screen's pixels in `area`, row by row.
std::vector<Rgb> Pixels(Display* display, XRectangle area) {
    std::vector<Rgb> pixels;
    XImage* image = XGetImage(display, DefaultRootWindow(display), area.x, area.y, area.width,
                              area.height, AllPlanes, ZPixmap);
    if (image == nullptr) return pixels;
    for (int y = 0; y < area.height; ++y) {
        for (int x = 0; x < area.width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            pixels.push_back({static_cast<int>((pixel >> 16) & 0xFF),
                              static_cast<int>((pixel >> 8) & 0xFF),
                              static_cast<int>(pixel & 0xFF)});
        }
    }
    XDestroyImage(image);
    return pixels;
}

bool CaptionRed(Rgb c) { return c.red > 200 && c.green < 110 && c.blue < 130; }

}  // namespace

XServer::XServer() {
    int ends[2];
    EXPECT_EQ(::pipe(ends), 0);
    m_server = std::make_unique<Child>(
        std::vector<std::string>{"/usr/bin/Xvfb", "-displayfd", std::to_string(ends[1]), "-screen",
                                 "0", "1280x1024x24", "-nolisten", "tcp"},
        std::map<std::string, std::string>{}, ends[1]);
    ::close(ends[1]);
    // The number, then a line break: the server ends if it cannot write both.
    std::string number;
    char c = 0;
    while (::read(ends[0], &c, 1) == 1 && c != '\n') number.push_back(c);
    ::close(ends[0]);
    if (number.empty()) {
        ADD_FAILURE() << "the X server named no display";
        return;
    }
    m_name = ":" + number;
    m_display = XOpenDisplay(m_name.c_str());
    // Windows come and go under the test's questions.
    XSetErrorHandler(IgnoreXErrors);
}

XServer::~XServer() {
    if (m_display != nullptr) Kill();
}

void XServer::Kill() {
    XCloseDisplay(m_display);
    m_display = nullptr;
    m_server->Signal(SIGTERM);
    m_server->WaitForEnd();
}

std::optional<XRectangle> MappedWindowOf(Display* display, pid_t pid) {
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    Window root = DefaultRootWindow(display);
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, root, &root, &parent, &children, &count)) return std::nullopt;
    std::optional<XRectangle> found;
    for (unsigned i = 0; i < count && !found; ++i) {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0;
        unsigned long left = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type,
                               &format, &items, &left, &data) == Success &&
            data != nullptr && items == 1 &&
            static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data)) == pid) {
            XWindowAttributes attributes{};
            int x = 0;
            int y = 0;
            Window ignored = 0;
            if (XGetWindowAttributes(display, children[i], &attributes) &&
                attributes.map_state == IsViewable &&
                XTranslateCoordinates(display, children[i], root, 0, 0, &x, &y, &ignored)) {
                found = XRectangle{static_cast<short>(x), static_cast<short>(y),
                                   static_cast<unsigned short>(attributes.width),
                                   static_cast<unsigned short>(attributes.height)};
            }
        }
        if (data != nullptr) XFree(data);
    }
    if (children != nullptr) XFree(children);
    return found;
}

std::vector<Band> CaptionBands(Display* display, XRectangle area) {
    const std::vector<Rgb> pixels = Pixels(display, area);
    std::vector<Band> bands;
    for (int y = 0; y < area.height && !pixels.empty(); ++y) {
        int left = -1;
        int right = -1;
        for (int x = 0; x < area.width; ++x) {
            if (!CaptionRed(pixels[static_cast<std::size_t>(y) * area.width + x])) continue;
            if (left < 0) left = x;
            right = x;
        }
        // A descender a blank row below its caption belongs to it.
        const bool near = !bands.empty() && y - bands.back().bottom <= 3;
        if (left >= 0 && !near) bands.push_back({y, y, left, right});
        if (left >= 0) {
            bands.back().bottom = y;
            bands.back().left = std::min(bands.back().left, left);
            bands.back().right = std::max(bands.back().right, right);
        }
    }
    return bands;
}

std::size_t PixelsOtherThanPink(Display* display, XRectangle area) {
    std::size_t count = 0;
    for (const Rgb c : Pixels(display, area))
        if (c.red != 0xFF || c.green != 0xAE || c.blue != 0xD0) ++count;
    return count;
}

void ClickAt(const XServer& server, int x, int y, int clicks) {
    Command("DISPLAY=" + server.Name() + " xdotool mousemove --sync " + std::to_string(x) + " " +
            std::to_string(y) + " click --repeat " + std::to_string(clicks) + " --delay 80 1");
}

}  // namespace courseview::testing
