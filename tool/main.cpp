// courseview-catalogue [--json] FOLDER: prints the catalogue the viewer would
// build from FOLDER, with the very same scan, and what it left out.

#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "CatalogueReport.h"
#include "CommandLine.h"
#include "CourseFolder.h"
#include "FileError.h"
#include "FolderListing.h"
#include "FolderScan.h"
#include "MemoryTree.h"

using namespace courseview;

namespace {

// The exit statuses, as --help and the manual page list them.
constexpr int Done = 0;
// 1 is kept for a check that finds problems in a package.
constexpr int Trouble = 2;

constexpr char Usage[] = "courseview-catalogue [--json] FOLDER";

constexpr char Help[] =
    "Usage: courseview-catalogue [--json] FOLDER\n"
    "Prints the catalogue the viewer builds from FOLDER, with the viewer's own\n"
    "scan, and what the scan left out and why.\n"
    "\n"
    "  --json     print one JSON object instead of the readable tree\n"
    "  --help     print this help and exit\n"
    "  --version  print the version and exit\n"
    "  --         end of the options: a FOLDER after it may begin with \"-\"\n"
    "\n"
    "Exit status: 0 when the catalogue was printed; 1 is kept for problems a\n"
    "future check finds in a package; 2 for bad usage, a FOLDER that cannot be\n"
    "read, or output that cannot be written.\n";

int Misuse(const std::string& problem) {
    std::cerr << "courseview-catalogue: " << problem << " (usage: " << Usage << ")\n";
    return Trouble;
}

// Standard output written directly, keeping the first error: the report's
// pieces are large, and a full disk or a closed output must not pass quietly.
class StandardOutput {
public:
    void Write(std::string_view piece) {
        while (!piece.empty() && m_error == 0) {
            const ssize_t count = ::write(1, piece.data(), piece.size());
            if (count < 0 && errno == EINTR) continue;
            if (count <= 0) {
                m_error = count < 0 ? errno : EIO;
            } else {
                piece.remove_prefix(static_cast<std::size_t>(count));
            }
        }
    }
    int Error() const { return m_error; }

private:
    int m_error = 0;
};

int Finish(const StandardOutput& out) {
    if (out.Error() == 0) return Done;
    std::cerr << "courseview-catalogue: cannot write the output: " << SystemErrorText(out.Error())
              << "\n";
    return Trouble;
}

int Print(std::string_view text) {
    StandardOutput out;
    out.Write(text);
    return Finish(out);
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    const CommandLine line =
        ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), {"--json"});
    switch (line.request) {
        case CommandLine::Request::Help:
            return Print(Help);
        case CommandLine::Request::Version:
            return Print(std::string("courseview-catalogue ") + COURSEVIEW_VERSION + "\n");
        case CommandLine::Request::Misuse:
            return Misuse(line.problem);
        case CommandLine::Request::Run:
            break;
    }
    if (!line.folder || line.folder->empty()) return Misuse("no folder given");
    const std::string& folder = *line.folder;
    if (const std::string problem = FolderProblem(folder); !problem.empty())
        return Misuse(QuotedForMessage(folder) + " " + problem);
    const bool json = !line.options.empty();

    AllowDeepFolderListings();
    MemoryTree tree;
    WindowlessHost host;
    const ExtensionTables tables = MakeExtensionTables();
    Catalogue catalogue(tree, host, tables);
    NoteCollector collector;
    catalogue.SetObserver(&collector);
    catalogue.LoadContents(folder, u"");

    StandardOutput standardOutput;
    {
        const ReportSink output = [&standardOutput](std::string_view piece) {
            standardOutput.Write(piece);
        };
        const CatalogueReport report{tree, catalogue.PagePaths, collector.notes};
        if (json) {
            WriteCatalogueJson(output, report);
        } else {
            WriteCatalogueText(output, report);
        }
    }
    const int status = Finish(standardOutput);
#ifndef __SANITIZE_ADDRESS__
    // The catalogue's memory goes back with the process: freeing its hundreds
    // of thousands of pieces one by one would only keep the tool from ending.
    // Sanitizer builds free it all, so their leak check still sees everything.
    std::_Exit(status);
#endif
    return status;
}
