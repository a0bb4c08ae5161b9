#include "ViewerApp.h"

#include "ErrorBox.h"
#include "MainForm.h"

namespace courseview {

bool ErrorReportingApp::OnExceptionInMainLoop() {
    ShowCurrentException();
    return true;
}

void ErrorReportingApp::OnUnhandledException() { ShowCurrentException(); }

bool ViewerApp::OnInit() {
    auto* form = new TForm1();
    SetTopWindow(form);
    form->ShowAtDesignedPlace();
    return true;
}

}  // namespace courseview
