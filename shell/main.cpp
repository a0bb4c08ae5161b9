// The viewer's entry point: the platform set-up that must precede GTK, then
// the application's message loop until the window is closed.

#include <wx/app.h>

#include <clocale>

#include "FolderListing.h"
#include "Platform.h"
#include "ViewerApp.h"

wxIMPLEMENT_APP_NO_MAIN(courseview::ViewerApp);

int main(int argc, char** argv) {
    // Pages without a byte-order mark are read in the locale's code page.
    std::setlocale(LC_ALL, "");
    courseview::AllowDeepFolderListings();
    courseview::PreferX11Backend();
    courseview::RegisterWindowFonts();
    return wxEntry(argc, argv);
}
