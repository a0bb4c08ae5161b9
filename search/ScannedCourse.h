#pragma once
// A course scanned into memory without a window, as the author's tool, the
// benchmark and the tests search it: the tree, its paths and the catalogue a
// search reads, made in one go and kept together.

#include <string>
#include <vector>

#include "MemoryTree.h"
#include "NameMatching.h"
#include "SearchCatalogue.h"

namespace courseview {

class ScannedCourse {
public:
    explicit ScannedCourse(const std::string& folder);
    ScannedCourse(const ScannedCourse&) = delete;
    ScannedCourse& operator=(const ScannedCourse&) = delete;

    const SearchCatalogue& Catalogue() const { return m_catalogue; }

    // The entries that are pages, in catalogue order.
    std::vector<std::string> PagePaths() const;

private:
    ExtensionTables m_tables;
    MemoryTree m_tree;
    std::vector<std::string> m_paths;
    MemoryTreeCatalogue m_catalogue;
};

}  // namespace courseview
