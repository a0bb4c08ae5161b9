#pragma once
// The pump long work calls between steps so the window stays alive.

namespace courseview {

// Dispatches every pending window message, user input included, and returns
// when none is left. Unlike wxYield it also works inside another yield and
// never deletes windows that asked to be destroyed: a window closing meanwhile
// stays alive until control is back in the main event loop.
void PumpPendingMessages();

}  // namespace courseview
