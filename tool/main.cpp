// courseview-catalogue [--json] FOLDER: prints the catalogue the viewer would
// build from FOLDER, with the very same scan, and what it left out.

#include <sys/stat.h>

#include <clocale>
#include <cstring>
#include <iostream>
#include <string>

#include "CatalogueReport.h"
#include "FindCommand.h"
#include "FolderListing.h"
#include "FolderScan.h"
#include "MemoryTree.h"

using namespace courseview;

namespace {

int Usage(const std::string& problem) {
    std::cerr << "courseview-catalogue: " << problem
              << " (usage: courseview-catalogue [--json] FOLDER)\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    AllowDeepFolderListings();
    if (IsFindCommand(argc, argv)) return RunFindCommand(argc, argv);
    bool json = false;
    std::string folder;
    bool haveFolder = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--json") {
            json = true;
        } else if (argument.size() > 1 && argument[0] == '-' && argument != "-") {
            return Usage("unknown option " + argument);
        } else if (haveFolder) {
            return Usage("more than one folder given");
        } else {
            folder = argument;
            haveFolder = true;
        }
    }
    if (!haveFolder || folder.empty()) return Usage("no folder given");
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) {
        return Usage("cannot use " + folder + ": " + std::strerror(errno));
    }
    if (!S_ISDIR(status.st_mode)) return Usage(folder + " is not a folder");

    MemoryTree tree;
    WindowlessHost host;
    const ExtensionTables tables = MakeExtensionTables();
    Catalogue catalogue(tree, host, tables);
    NoteCollector collector;
    catalogue.SetObserver(&collector);
    catalogue.LoadContents(folder, u"");

    const CatalogueReport report{tree, catalogue.PagePaths, collector.notes};
    if (json) {
        WriteCatalogueJson(std::cout, report);
    } else {
        WriteCatalogueText(std::cout, report);
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
}
