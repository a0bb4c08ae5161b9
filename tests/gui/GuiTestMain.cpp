// The GUI tests run inside a real wx application on the test's X display,
// with the viewer's own platform set-up and error handling.

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>

#include <clocale>

#include "Platform.h"
#include "ViewerApp.h"
#include "ViewerHarness.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();

    courseview::PreferX11Backend();
    courseview::RegisterWindowFonts();
    wxApp::SetInstance(new courseview::ErrorReportingApp());
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "cannot start the GUI: is there an X display?\n");
        return 1;
    }
    courseview::testing::InterceptErrorBoxes();
    const int result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
