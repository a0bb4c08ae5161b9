#include "PictureControl.h"

#include <wx/dcclient.h>
#include <wx/image.h>
#include <wx/mstream.h>

#include <stdexcept>

namespace courseview {

wxBitmap BitmapFromBmpFile(std::span<const unsigned char> file) {
    wxMemoryInputStream stream(file.data(), file.size());
    wxImage image;
    if (!image.LoadFile(stream, wxBITMAP_TYPE_BMP))
        throw std::runtime_error("A built-in picture is damaged");
    return wxBitmap(image);
}

PictureControl::PictureControl(wxWindow* parent, const wxPoint& position, const wxBitmap& picture)
    : wxWindow(parent, wxID_ANY, position, picture.GetSize(), wxBORDER_NONE), m_picture(picture) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &PictureControl::OnPaint, this);
    Bind(wxEVT_LEFT_DOWN, &PictureControl::OnLeftDown, this);
    Bind(wxEVT_LEFT_UP, &PictureControl::OnLeftUp, this);
}

void PictureControl::BindClick(std::function<void()> handler) { m_click = std::move(handler); }

void PictureControl::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    dc.DrawBitmap(m_picture, 0, 0);
}

void PictureControl::OnLeftDown(wxMouseEvent& event) {
    m_pressed = true;
    event.Skip();
}

void PictureControl::OnLeftUp(wxMouseEvent& event) {
    event.Skip();
    const bool click = m_pressed && GetClientRect().Contains(event.GetPosition());
    m_pressed = false;
    if (click && m_click) m_click();
}

}  // namespace courseview
