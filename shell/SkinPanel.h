#pragma once
// The skin picture control: it fills the client area and is the parent of
// every other control, so the skin is their background whatever their order.
// Where the 799 x 598 picture does not reach, the window's colour shows.

#include <wx/bitmap.h>
#include <wx/panel.h>

namespace courseview {

class SkinPanel : public wxPanel {
public:
    SkinPanel(wxWindow* parent, const wxBitmap& skin);

private:
    void OnPaint(wxPaintEvent& event);

    wxBitmap m_skin;
};

}  // namespace courseview
