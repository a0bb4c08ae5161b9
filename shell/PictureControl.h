#pragma once
// A picture with a window of its own, so it receives the mouse and can be
// shown, hidden and raised like any control. Sizes itself to its picture.

#include <wx/bitmap.h>
#include <wx/window.h>

#include <functional>
#include <span>

namespace courseview {

// Decodes a complete BMP file held in memory.
wxBitmap BitmapFromBmpFile(std::span<const unsigned char> file);

class PictureControl : public wxWindow {
public:
    PictureControl(wxWindow* parent, const wxPoint& position, const wxBitmap& picture);

    // Fires `handler` for a left press and release both inside the picture.
    void BindClick(std::function<void()> handler);

private:
    void OnPaint(wxPaintEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);

    wxBitmap m_picture;
    std::function<void()> m_click;
    bool m_pressed = false;
};

}  // namespace courseview
