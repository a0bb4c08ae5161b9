#include "WindowMove.h"

#include <gtk/gtk.h>
#include <wx/event.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

namespace courseview {

namespace {

int GdkButton(const wxMouseEvent& press) {
    switch (press.GetButton()) {
        case wxMOUSE_BTN_MIDDLE:
            return 2;
        case wxMOUSE_BTN_RIGHT:
            return 3;
        case wxMOUSE_BTN_AUX1:
            return 8;
        case wxMOUSE_BTN_AUX2:
            return 9;
        default:
            return 1;
    }
}

}  // namespace

void StartWindowMove(wxTopLevelWindow& window, const wxMouseEvent& press) {
    // The press's own grab would keep the pointer from the window manager.
    if (wxWindow* captured = wxWindow::GetCapture()) captured->ReleaseMouse();
    const auto* pressed = static_cast<const wxWindow*>(press.GetEventObject());
    const wxPoint screen =
        pressed != nullptr ? pressed->ClientToScreen(press.GetPosition()) : wxGetMousePosition();
    gtk_window_begin_move_drag(GTK_WINDOW(window.GetHandle()), GdkButton(press), screen.x, screen.y,
                               static_cast<guint32>(press.GetTimestamp()));
}

}  // namespace courseview
