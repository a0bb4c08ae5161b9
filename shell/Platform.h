#pragma once
// What the window system must be told before the first window exists.

namespace courseview {

// The window places and shapes itself, which Wayland forbids: ask GDK for its
// X11 backend (XWayland on a Wayland session). Call before GTK starts.
void PreferX11Backend();

// Makes the Tahoma-compatible face Debian ships with Wine visible to this
// process, so the window's default font keeps its designed metrics.
void RegisterWindowFonts();

}  // namespace courseview
