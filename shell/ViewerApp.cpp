#include "ViewerApp.h"

#include "ErrorBox.h"
#include "MainForm.h"
#include "Platform.h"

namespace courseview {

bool ErrorReportingApp::OnExceptionInMainLoop() {
    ShowCurrentException();
    return true;
}

void ErrorReportingApp::OnUnhandledException() { ShowCurrentException(); }

bool ViewerApp::OnInit() {
    CleanUpWhenTheDisplayIsLost();
    auto* form = new TForm1(m_places);
    SetTopWindow(form);
    form->ShowAtDesignedPlace();
    return true;
}

}  // namespace courseview
