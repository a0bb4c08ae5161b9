#pragma once
// The test's X server, seen from the window's own process: the event loop
// run until something has happened, the pointer and keyboard driven through
// the X test extension, and what the server shows.

#include <wx/gdicmn.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class wxWindow;

namespace courseview::testing {

// Where the window opens on the screen, and its size.
inline const wxRect DesignedPlace(274, 100, 800, 600);

// Runs the event loop until `done` holds or `timeoutMs` has passed; returns
// `done()`. The deadlines are generous: the machine may be busy with others.
bool RunEventLoopUntil(const std::function<bool()>& done, int timeoutMs = 30000);
// Runs the event loop until the window has handled every event the X server
// has sent it so far, and whatever those queued in turn.
bool DrainEvents();
// A fixed wait. Nothing in the window's tests needs it: wait for a condition.
void RunEventLoopFor(int milliseconds);

// The real pointer and keyboard, through the X test extension. Each returns
// once the server has done it and the window has handled what it caused.
// SendPointerTo moves in one step; MovePointerTo arrives from a pixel away,
// as a hand does, so the control under it sees a move and not only an entry.
void SendPointerTo(wxPoint screen);
void MovePointerTo(wxPoint screen);
void PressButton(int button, bool down);
void ClickAt(wxPoint screen, int button = 1);
void DoubleClickAt(wxPoint screen);
void PressKey(const std::string& keySymbolName);
// Keys held together, pressed in order and let go in reverse: {"Control_L", "f"}.
void PressKeys(const std::vector<std::string>& keySymbolNames);
// Types `text` key by key, Shift where a character needs it; a character the
// keyboard has no key for (Cyrillic on the server's US keyboard) is given a
// spare key for as long as it is typed, as a second layout would.
void TypeText(std::u16string_view text);

// What the X server holds: a screen pixel as 0xRRGGBB, and a top-level
// window's place on the screen and size.
std::uint32_t ScreenPixel(wxPoint screen);
bool WaitForPixel(wxPoint screen, std::uint32_t colour, int timeoutMs = 30000);
wxRect ServerGeometry(const wxWindow& topLevel);

}  // namespace courseview::testing
