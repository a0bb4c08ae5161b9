#include "SkinPanel.h"

#include <wx/dcclient.h>

#include "WindowShape.h"

namespace courseview {

SkinPanel::SkinPanel(wxWindow* parent, const wxBitmap& skin)
    : wxPanel(parent, wxID_ANY, wxPoint(0, 0), wxSize(SkinControlWidth, SkinControlHeight),
              wxTAB_TRAVERSAL | wxBORDER_NONE),
      m_skin(skin) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &SkinPanel::OnPaint, this);
}

void SkinPanel::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
    dc.Clear();
    dc.DrawBitmap(m_skin, 0, 0);
}

}  // namespace courseview
