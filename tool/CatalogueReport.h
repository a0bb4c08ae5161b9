#pragma once
// How the author's tool prints a catalogue: a tree a person can read, or one
// JSON object for other programs.

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "CodePage.h"
#include "MemoryTree.h"
#include "ScanNotes.h"

namespace courseview {

struct CatalogueReport {
    const MemoryTree& tree;
    const std::vector<std::string>& pagePaths;
    const std::vector<ScanNote>& notes;
    // The code page pages without a byte-order mark were read in.
    std::string codePage = SystemCodePage().Name();
};

// Where a report goes, a large piece at a time: a catalogue's report runs to
// tens of megabytes.
using ReportSink = std::function<void(std::string_view piece)>;

// {"nodes": [NODE...], "paths": [STRING...], "uris": [STRING...],
//  "notes": [NOTE...], "codePage": STRING} with
// NODE = {"caption": STRING, "entry": INT or null, "children": [NODE...]}.
// `uris` holds each path as an absolute file:// URI, its bytes
// percent-encoded, so even a name that is not UTF-8 can be found from it.
// Always valid JSON in UTF-8: text that is not UTF-8 shows as U+FFFD. Pieces
// are formatted on a second thread where there is a second core.
void WriteCatalogueJson(const ReportSink& sink, const CatalogueReport& report);
void WriteCatalogueJson(std::ostream& out, const CatalogueReport& report);

// One line per node, indented by depth, with the entry index of each openable
// node, then the notes, then the code page.
void WriteCatalogueText(const ReportSink& sink, const CatalogueReport& report);
void WriteCatalogueText(std::ostream& out, const CatalogueReport& report);

// A JSON string literal for UTF-8 text.
std::string JsonString(std::string_view utf8);

}  // namespace courseview
