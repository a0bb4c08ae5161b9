#include "SearchCatalogue.h"

#include <algorithm>

#include "Utf.h"

namespace courseview {

MemoryTreeCatalogue::MemoryTreeCatalogue(const MemoryTree& tree,
                                         const std::vector<std::string>& pagePaths,
                                         const ExtensionTables& tables)
    : m_tree(tree),
      m_pagePaths(pagePaths),
      m_tables(tables),
      m_nodeOfEntry(pagePaths.size(), NoNode),
      m_parent(tree.Nodes().size(), NoNode) {
    const auto& nodes = tree.Nodes();
    for (std::size_t node = 0; node < nodes.size(); ++node) {
        for (std::size_t child : nodes[node].children) {
            m_parent[child] = static_cast<std::uint32_t>(node);
        }
        const auto& entry = nodes[node].entryIndex;
        if (entry && *entry >= 0 && static_cast<std::size_t>(*entry) < m_nodeOfEntry.size()) {
            m_nodeOfEntry[*entry] = static_cast<std::uint32_t>(node);
        }
    }
}

std::u16string_view MemoryTreeCatalogue::Caption(std::size_t entry) const {
    const std::uint32_t node = m_nodeOfEntry[entry];
    return node == NoNode ? std::u16string_view() : m_tree.Nodes()[node].caption;
}

bool IsSearchedPage(std::string_view path, const ExtensionTables& tables) {
    // Only the extension matters, so only it is converted.
    if (const std::size_t dot = path.rfind('.'); dot != std::string_view::npos) {
        path.remove_prefix(dot);
    }
    return IsPageKind(ExtensionIndex(tables.ViewableExtensions, Utf8ToUtf16(path)));
}

bool MemoryTreeCatalogue::IsPage(std::size_t entry) const {
    return IsSearchedPage(m_pagePaths[entry], m_tables);
}

std::vector<std::u16string> MemoryTreeCatalogue::FolderPath(std::size_t entry) const {
    std::vector<std::u16string> path;
    std::uint32_t node = m_nodeOfEntry[entry];
    if (node == NoNode) return path;
    for (node = m_parent[node]; node != NoNode; node = m_parent[node]) {
        path.emplace_back(m_tree.Nodes()[node].caption);
    }
    std::reverse(path.begin(), path.end());
    return path;
}

}  // namespace courseview
