#pragma once
// What the window system must be told before the first window exists.

#include <string>

namespace courseview {

// The window places and shapes itself, which Wayland forbids: ask GDK for its
// X11 backend (XWayland on a Wayland session). Call before GTK starts.
void PreferX11Backend();

// Makes the Tahoma-compatible face Debian ships with Wine visible to this
// process, so the window's default font keeps its designed metrics.
void RegisterWindowFonts();

// Whether an X display can be opened (with $DISPLAY as it is), and a line
// saying why not; the X library's own complaints are kept off the terminal.
bool CanOpenDisplay(std::string& whyNot);

// When the X server goes away, GTK ends the program at once, past every
// clean-up: remove the files left to clean (ExitCleanup) first. Call once
// GTK has opened the display.
void CleanUpWhenTheDisplayIsLost();

}  // namespace courseview
