#include "FindCommand.h"

#include <string>

#include "CatalogueReport.h"
#include "FolderScan.h"
#include "MemoryTree.h"
#include "ScannedCourse.h"
#include "SearchCatalogue.h"
#include "Searcher.h"
#include "StandardOutput.h"
#include "Utf.h"

namespace courseview {

namespace {

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

int PrintFindings(const std::string& folder, const std::string& words, bool json) {
    const ScannedCourse course(folder);
    const SearchCatalogue& entries = course.Catalogue();

    StandardOutput out;
    std::uint64_t found = 0;
    if (json) out.Write("[");
    Searcher searcher;
    searcher.Start(entries, LocaleCodePage().ToUtf16(words), [&](SearchResult result) {
        if (json) {
            out.Write((found > 0 ? ",\n {\"entry\": " : "{\"entry\": ") +
                      std::to_string(result.entry) +
                      ", \"caption\": " + JsonString(Utf16ToUtf8(result.caption)) +
                      ", \"hits\": " + std::to_string(result.hits) +
                      ", \"line\": " + JsonString(Utf16ToUtf8(result.line.text)) + "}");
        } else {
            out.Write("[" + std::to_string(result.entry) + "] " + OneLine(result.caption) + " — " +
                      std::to_string(result.hits) + " — " + OneLine(result.line.text) + "\n");
        }
        ++found;
    });
    searcher.Wait();
    if (json) out.Write("]\n");
    return out.Finish(found > 0 ? ExitDone : ExitProblemsFound);
}

}  // namespace courseview
