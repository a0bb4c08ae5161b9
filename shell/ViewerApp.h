#pragma once
// The application object.

#include <wx/app.h>

#include "MainForm.h"

namespace courseview {

// Turns an error that escapes an event handler into the error box and goes on
// with the next window message.
class ErrorReportingApp : public wxApp {
public:
    bool OnExceptionInMainLoop() override;
    void OnUnhandledException() override;
};

// The viewer: one window over `places`, created at start, alive until the
// program ends.
class ViewerApp : public ErrorReportingApp {
public:
    explicit ViewerApp(FormPlaces places) : m_places(std::move(places)) {}
    bool OnInit() override;

private:
    FormPlaces m_places;
};

}  // namespace courseview
