// The viewer's entry point: its command line, the platform set-up that must
// precede GTK, then the application's message loop until the window is closed.
//
//   courseview [--help] [--version] [--] [FOLDER]

#include <unistd.h>
#include <wx/app.h>

#include <cerrno>
#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "CodePage.h"
#include "CommandLine.h"
#include "CourseFolder.h"
#include "ExitCleanup.h"
#include "FolderListing.h"
#include "MainForm.h"
#include "Platform.h"
#include "ViewerApp.h"

namespace {

constexpr char Help[] =
    "Usage: courseview [FOLDER]\n"
    "Shows a course: the catalogue of FOLDER on the left, the entry clicked in it\n"
    "on the right. FOLDER is a path or a file:// URI; without it the course is the\n"
    "folder the program itself is in.\n"
    "\n"
    "A course named on the command line is only read. The page the viewer makes\n"
    "for pictures goes to $XDG_RUNTIME_DIR, else $TMPDIR, else /tmp, and is\n"
    "deleted when the viewer ends.\n"
    "\n"
    "  --help     print this help and exit\n"
    "  --version  print the version and exit\n"
    "  --         end of the options: a FOLDER after it may begin with \"-\"\n"
    "\n"
    "Exit status: 0 once the window is closed; 1 when there is no X display;\n"
    "2 for bad usage or a FOLDER that cannot be read as a course.\n";

std::string WorkingFolder() {
    std::string folder(4096, '\0');
    while (::getcwd(folder.data(), folder.size()) == nullptr) {
        if (errno != ERANGE) return {};
        folder.resize(folder.size() * 2);
    }
    folder.resize(folder.find('\0'));
    return folder;
}

// A folder as a message names it: without the "/" every course folder ends in.
std::string FolderForMessage(std::string folder) {
    if (folder.size() > 1) folder.pop_back();
    return courseview::QuotedForMessage(folder);
}

int Misuse(const std::string& problem) {
    std::cerr << "courseview: " << problem << " (see courseview --help)\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace courseview;
    // Pages without a byte-order mark are read in the locale's code page.
    std::setlocale(LC_ALL, "");
    const CommandLine line =
        ParseViewerCommandLine(std::vector<std::string>(argv + 1, argv + argc), WorkingFolder());
    switch (line.request) {
        case CommandLine::Request::Help:
            std::cout << Help;
            return std::cout.flush() ? 0 : 2;
        case CommandLine::Request::Version:
            std::cout << "courseview " << COURSEVIEW_VERSION << "\n";
            return std::cout.flush() ? 0 : 2;
        case CommandLine::Request::Misuse:
            return Misuse(line.problem);
        case CommandLine::Request::Run:
            break;
    }
    if (line.folder) {
        const std::string problem = FolderProblem(*line.folder);
        if (!problem.empty()) {
            std::cerr << "courseview: " << FolderForMessage(*line.folder) << " " << problem << "\n";
            return 2;
        }
    }
    // A misspelt COURSEVIEW_CODEPAGE must not go unnoticed: old pages would
    // quietly read in another code page than the one asked for.
    if (const std::string& warning = SystemCodePageWarning(); !warning.empty())
        std::cerr << "courseview: " << warning << "\n";
    std::string noDisplay;
    if (!CanOpenDisplay(noDisplay)) {
        std::cerr << "courseview: " << noDisplay << "\n";
        return 1;
    }

    AllowDeepFolderListings();
    PreferX11Backend();
    RegisterWindowFonts();
    CleanUpWhenTheProcessEnds();
    wxApp::SetInstance(new ViewerApp(FormPlaces::ForRunningProgram(line.folder)));
    // The arguments are read already: GTK must not take a folder named like
    // one of its own options.
    int toolkitArgc = 1;
    char* toolkitArgv[] = {argv[0], nullptr};
    return wxEntry(toolkitArgc, toolkitArgv);
}
