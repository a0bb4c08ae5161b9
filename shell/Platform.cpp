#include "Platform.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <fontconfig/fontconfig.h>
#include <gdk/gdk.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "ExitCleanup.h"

namespace courseview {

void PreferX11Backend() { gdk_set_allowed_backends("x11"); }

// Where Debian 12's fonts-wine keeps Wine's Tahoma-compatible faces. For another
// distribution, change this to the folder its Wine package puts tahoma.ttf in.
constexpr std::string_view WineFontFolder = "/usr/share/wine/fonts/";

void RegisterWindowFonts() {
    // fonts-wine keeps its faces out of fontconfig's search path; adding the
    // file to the application's own font set is enough for Pango to find it.
    for (const char* face : {"tahoma.ttf", "tahomabd.ttf"}) {
        const std::string file = std::string(WineFontFolder) + face;
        FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(file.c_str()));
    }
}

bool CanOpenDisplay(std::string& whyNot) {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == 0) {
        whyNot = "no X display: DISPLAY is not set (the viewer needs X11, or XWayland on Wayland)";
        return false;
    }
    // Xlib writes its own lines ("Authorization required...") to stderr.
    const int savedError = ::dup(2);
    const int quiet = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (quiet >= 0) ::dup2(quiet, 2);
    Display* display = XOpenDisplay(nullptr);
    if (savedError >= 0) {
        ::dup2(savedError, 2);
        ::close(savedError);
    }
    if (quiet >= 0) ::close(quiet);
    if (display == nullptr) {
        whyNot = std::string("cannot open the X display \"") + name + "\"";
        return false;
    }
    XCloseDisplay(display);
    return true;
}

namespace {

XIOErrorHandler g_gtkDisplayLost = nullptr;

int RemoveFilesThenEnd(Display* display) {
    RemoveFilesLeftToClean();
    if (g_gtkDisplayLost != nullptr) return g_gtkDisplayLost(display);
    std::_Exit(1);
}

}  // namespace

void CleanUpWhenTheDisplayIsLost() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    g_gtkDisplayLost = XSetIOErrorHandler(RemoveFilesThenEnd);
}

}  // namespace courseview
