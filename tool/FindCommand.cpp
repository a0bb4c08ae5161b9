#include "FindCommand.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>

#include "CatalogueReport.h"
#include "FolderScan.h"
#include "MemoryTree.h"
#include "SearchCatalogue.h"
#include "Searcher.h"
#include "Utf.h"

namespace courseview {

namespace {

int Usage(const std::string& problem) {
    std::cerr << "courseview-catalogue: " << problem
              << " (usage: courseview-catalogue --find WORDS [--json] FOLDER)\n";
    return 2;
}

// One line stays one line.
std::string OneLine(std::u16string_view text) {
    std::string line;
    for (char c : Utf16ToUtf8(text)) {
        if (c == '\n') {
            line += "\\n";
        } else if (c == '\r') {
            line += "\\r";
        } else if (c == '\t') {
            line += "\\t";
        } else {
            line.push_back(c);
        }
    }
    return line;
}

}  // namespace

bool IsFindCommand(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--find") == 0) return true;
    }
    return false;
}

int RunFindCommand(int argc, char** argv) {
    bool json = false;
    bool haveWords = false;
    bool haveFolder = false;
    std::string words;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--find") {
            if (haveWords) return Usage("--find given twice");
            if (i + 1 == argc) return Usage("--find needs the words to look for");
            words = argv[++i];
            haveWords = true;
        } else if (argument == "--json") {
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
    catalogue.LoadContents(folder, u"");
    const MemoryTreeCatalogue entries(tree, catalogue.PagePaths, tables);

    std::uint64_t found = 0;
    if (json) std::cout << "[";
    Searcher searcher;
    searcher.Start(entries, LocaleCodePage().ToUtf16(words), [&](SearchResult result) {
        if (json) {
            std::cout << (found > 0 ? ",\n " : "") << "{\"entry\": " << result.entry
                      << ", \"caption\": " << JsonString(Utf16ToUtf8(result.caption))
                      << ", \"hits\": " << result.hits
                      << ", \"line\": " << JsonString(Utf16ToUtf8(result.line.text)) << "}";
        } else {
            std::cout << "[" << result.entry << "] " << OneLine(result.caption) << " — "
                      << result.hits << " — " << OneLine(result.line.text) << "\n";
        }
        ++found;
    });
    searcher.Wait();
    if (json) std::cout << "]\n";
    std::cout.flush();
    if (!std::cout) return 2;
    return found > 0 ? 0 : 1;
}

}  // namespace courseview
