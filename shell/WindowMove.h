#pragma once
// Dragging the borderless window by its skin.

class wxTopLevelWindow;
class wxMouseEvent;

namespace courseview {

// Asks the window manager to move `window` with the pointer, as a press on a
// title bar would, for the button pressed in `press` (a button-down event).
// Without a window manager GTK moves the window itself.
void StartWindowMove(wxTopLevelWindow& window, const wxMouseEvent& press);

}  // namespace courseview
