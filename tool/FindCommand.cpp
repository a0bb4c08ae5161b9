#include "FindCommand.h"

#include <string>

#include "CatalogueReport.h"
#include "ReportText.h"
#include "ScannedCourse.h"
#include "SearchCatalogue.h"
#include "Searcher.h"
#include "StandardOutput.h"
#include "Utf.h"

namespace courseview {

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
            out.Write("[" + std::to_string(result.entry) + "] " + DisplayCaption(result.caption) +
                      " — " + std::to_string(result.hits) + " — " +
                      DisplayCaption(result.line.text) + "\n");
        }
        ++found;
    });
    searcher.Wait();
    if (json) out.Write("]\n");
    return out.Finish(found > 0 ? ExitDone : ExitProblemsFound);
}

}  // namespace courseview
