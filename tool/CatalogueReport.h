#pragma once
// How the author's tool prints a catalogue: a tree a person can read, or one
// JSON object for other programs.

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "MemoryTree.h"
#include "ScanNotes.h"

namespace courseview {

struct CatalogueReport {
    const MemoryTree& tree;
    const std::vector<std::string>& pagePaths;
    const std::vector<ScanNote>& notes;
};

// {"nodes": [NODE...], "paths": [STRING...], "notes": [NOTE...]} with
// NODE = {"caption": STRING, "entry": INT or null, "children": [NODE...]}.
// Always valid JSON in UTF-8: text that is not UTF-8 shows as U+FFFD.
void WriteCatalogueJson(std::ostream& out, const CatalogueReport& report);

// One line per node, indented by depth, with the entry index of each openable
// node, then the notes.
void WriteCatalogueText(std::ostream& out, const CatalogueReport& report);

// A JSON string literal for UTF-8 text.
std::string JsonString(std::string_view utf8);

}  // namespace courseview
