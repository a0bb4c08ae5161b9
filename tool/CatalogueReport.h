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

// Text on its way out: gathered in a buffer and handed to `deliver` a large
// piece at a time, since a catalogue's report runs to tens of megabytes.
class ReportOutput {
public:
    explicit ReportOutput(std::function<void(std::string_view)> deliver);
    ~ReportOutput() { Flush(); }
    ReportOutput(const ReportOutput&) = delete;
    ReportOutput& operator=(const ReportOutput&) = delete;

    // Append here; call Written() after each piece of the report.
    std::string& Text() { return m_text; }
    void Written() {
        if (m_text.size() >= PieceSize) Flush();
    }
    void Flush();

private:
    static constexpr std::size_t PieceSize = 1 << 20;
    std::function<void(std::string_view)> m_deliver;
    std::string m_text;
};

// {"nodes": [NODE...], "paths": [STRING...], "uris": [STRING...],
//  "notes": [NOTE...], "codePage": STRING} with
// NODE = {"caption": STRING, "entry": INT or null, "children": [NODE...]}.
// `uris` holds each path as an absolute file:// URI, its bytes
// percent-encoded, so even a name that is not UTF-8 can be found from it.
// Always valid JSON in UTF-8: text that is not UTF-8 shows as U+FFFD.
void WriteCatalogueJson(ReportOutput& out, const CatalogueReport& report);
void WriteCatalogueJson(std::ostream& out, const CatalogueReport& report);

// One line per node, indented by depth, with the entry index of each openable
// node, then the notes, then the code page.
void WriteCatalogueText(ReportOutput& out, const CatalogueReport& report);
void WriteCatalogueText(std::ostream& out, const CatalogueReport& report);

// A JSON string literal for UTF-8 text.
std::string JsonString(std::string_view utf8);

}  // namespace courseview
