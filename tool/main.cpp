// courseview-catalogue [--json] FOLDER: prints the catalogue the viewer would
// build from FOLDER, with the very same scan, and what it left out; with
// --find, what the viewer's search finds in it; with --check, what is wrong
// with it.

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "CatalogueReport.h"
#include "CheckCommand.h"
#include "CodePage.h"
#include "CommandLine.h"
#include "CourseFolder.h"
#include "FileError.h"
#include "FindCommand.h"
#include "FolderListing.h"
#include "FolderScan.h"
#include "MemoryTree.h"
#include "StandardOutput.h"

using namespace courseview;

namespace {

constexpr char Usage[] = "courseview-catalogue [--json] [--find WORDS | --check] FOLDER";

constexpr char Help[] =
    "Usage: courseview-catalogue [--json] FOLDER\n"
    "       courseview-catalogue --find WORDS [--json] FOLDER\n"
    "       courseview-catalogue --check [--json] FOLDER\n"
    "Prints the catalogue the viewer builds from FOLDER, with the viewer's own\n"
    "scan, and what the scan left out and why; with --find, what the viewer's\n"
    "search finds there; with --check, what a student would meet that the\n"
    "author never sees.\n"
    "\n"
    "  --json        print JSON instead of readable lines\n"
    "  --find WORDS  the entries whose caption or text has every word of WORDS\n"
    "                at the start of one of its words, letter case ignored:\n"
    "                \"[ENTRY] CAPTION \u2014 HITS \u2014 LINE\" a line each\n"
    "  --check       read every page of the catalogue and report, page by page:\n"
    "                broken links, links that work only with letter case\n"
    "                ignored, links outside the course, pages that read right\n"
    "                only in the author's code page, captions shared within a\n"
    "                folder, titles too short to be captions, and unreadable\n"
    "                pages that ended their folder's listing\n"
    "  --help        print this help and exit\n"
    "  --version     print the version and exit\n"
    "  --            end of the options: a FOLDER after it may begin with \"-\"\n"
    "\n"
    "Exit status: 0 when the catalogue was printed, the search found something\n"
    "or the check found nothing; 1 when the search found nothing or the check\n"
    "found problems; 2 for bad usage, a FOLDER that cannot be read, or output\n"
    "that cannot be written.\n";

int Misuse(const std::string& problem) {
    std::cerr << "courseview-catalogue: " << problem << " (usage: " << Usage << ")\n";
    return ExitTrouble;
}

int Print(std::string_view text) {
    StandardOutput out;
    out.Write(text);
    return out.Finish(ExitDone);
}

int PrintCatalogue(const std::string& folder, bool json) {
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
    const int status = standardOutput.Finish(ExitDone);
#ifndef __SANITIZE_ADDRESS__
    // The catalogue's memory goes back with the process: freeing its hundreds
    // of thousands of pieces one by one would only keep the tool from ending.
    // Sanitizer builds free it all, so their leak check still sees everything.
    std::_Exit(status);
#endif
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    const CommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc),
                                              {"--json", "--check"}, {"--find"});
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
    auto given = [&line](std::string_view option) {
        return std::find(line.options.begin(), line.options.end(), option) != line.options.end();
    };
    const bool json = given("--json");
    const auto words = line.values.find("--find");
    if (given("--check") && words != line.values.end())
        return Misuse("--check and --find cannot be given together");
    if (!line.folder || line.folder->empty()) return Misuse("no folder given");
    const std::string& folder = *line.folder;
    if (const std::string problem = FolderProblem(folder); !problem.empty())
        return Misuse(QuotedForMessage(folder) + " " + problem);
    if (const std::string& warning = SystemCodePageWarning(); !warning.empty())
        std::cerr << "courseview-catalogue: " << warning << "\n";

    AllowDeepFolderListings();
    if (given("--check")) return PrintCheck(folder, json);
    if (words != line.values.end()) return PrintFindings(folder, words->second, json);
    return PrintCatalogue(folder, json);
}
