#pragma once
// The catalogue as a search reads it: the openable entries in catalogue
// order (the order of their entry indices, which is the tree's order), each
// with its caption, its path and the branches above it.
//
// A search reads it from its worker threads while it runs: it must not
// change until that search has ended or been cancelled.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "MemoryTree.h"
#include "NameMatching.h"

namespace courseview {

class SearchCatalogue {
public:
    virtual ~SearchCatalogue() = default;
    virtual std::size_t EntryCount() const = 0;
    virtual std::u16string_view Caption(std::size_t entry) const = 0;
    // The full path, as PagePaths holds it.
    virtual const std::string& Path(std::size_t entry) const = 0;
    // A page (htm, html), whose text is searched; other entries are found by
    // their captions only.
    virtual bool IsPage(std::size_t entry) const = 0;
    // The captions of the branches above the entry, the top one first.
    virtual std::vector<std::u16string> FolderPath(std::size_t entry) const = 0;
};

// Whether the entry at `path` is a page (htm, html), as the display opens it.
bool IsSearchedPage(std::string_view path, const ExtensionTables& tables);

// A catalogue scanned into a MemoryTree with its PagePaths (the author's
// tool, the tests, the benchmark), made once the scan has ended; a new scan
// needs a new one. Both are read where they are, not copied.
class MemoryTreeCatalogue final : public SearchCatalogue {
public:
    MemoryTreeCatalogue(const MemoryTree& tree, const std::vector<std::string>& pagePaths,
                        const ExtensionTables& tables);

    std::size_t EntryCount() const override { return m_pagePaths.size(); }
    std::u16string_view Caption(std::size_t entry) const override;
    const std::string& Path(std::size_t entry) const override { return m_pagePaths[entry]; }
    bool IsPage(std::size_t entry) const override;
    std::vector<std::u16string> FolderPath(std::size_t entry) const override;

private:
    static constexpr std::uint32_t NoNode = UINT32_MAX;
    const MemoryTree& m_tree;
    const std::vector<std::string>& m_pagePaths;
    const ExtensionTables& m_tables;
    std::vector<std::uint32_t> m_nodeOfEntry;
    std::vector<std::uint32_t> m_parent;  // of each node; NoNode at the top level
};

}  // namespace courseview
