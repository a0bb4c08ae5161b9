#pragma once
// The keys the window takes before whatever control has the focus, the
// browser's page included: Ctrl+F in any keyboard layout, F3 and Shift+F3,
// and Escape.

#include <functional>

class wxWindow;

namespace courseview {

enum class WindowKey { Find, FindNext, FindPrevious, Escape };

// Calls `handler` for each of these keys pressed anywhere in the top-level
// window `window`; a key the handler returns false for goes on to the
// control with the focus. Stays for the window's life.
void TakeWindowKeys(wxWindow& window, std::function<bool(WindowKey)> handler);

}  // namespace courseview
