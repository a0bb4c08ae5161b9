#include "SearchField.h"

#include <gtk/gtk.h>

namespace courseview {

namespace {

// GTK's own entry is 34 pixels high at least and themed: this one keeps to
// the 24 pixels of the bar, the skin's colours and the tree's face.
constexpr char FieldStyle[] = R"(
entry {
  min-height: 0; margin: 0; padding: 0 5px;
  border: 1px solid #A3DAFF; border-radius: 4px; box-shadow: none;
  background: #FFAED0; color: #FF0000; caret-color: #FF0000;
  font-family: Arial; font-size: 13px;
}
entry:focus { border-color: #FF0000 }
entry selection { background: #FF0000; color: #FFFFFF }
)";

}  // namespace

SearchField::SearchField(wxWindow* parent, const wxPoint& position, const wxSize& size)
    : wxTextCtrl(parent, wxID_ANY, wxString(), position, size, wxTE_PROCESS_ENTER | wxBORDER_NONE) {
    GtkCssProvider* style = gtk_css_provider_new();
    gtk_css_provider_load_from_data(style, FieldStyle, -1, nullptr);
    gtk_style_context_add_provider(gtk_widget_get_style_context(GTK_WIDGET(GetHandle())),
                                   GTK_STYLE_PROVIDER(style),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + 1);
    g_object_unref(style);
    SetHint(wxString::FromUTF8("Поиск по курсу"));
    SetSize(wxRect(position, size));
}

}  // namespace courseview
