#pragma once
// The search field on the skin's top bar: a one-line text field drawn to fit
// the skin, pink with the tree's red Arial, hidden until it is asked for.

#include <wx/textctrl.h>

namespace courseview {

class SearchField : public wxTextCtrl {
public:
    SearchField(wxWindow* parent, const wxPoint& position, const wxSize& size);
};

}  // namespace courseview
