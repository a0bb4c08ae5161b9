#include "ScannedCourse.h"

#include "FolderScan.h"

namespace courseview {

namespace {

std::vector<std::string> Scan(const std::string& folder, MemoryTree& tree,
                              const ExtensionTables& tables) {
    WindowlessHost host;
    courseview::Catalogue scan(tree, host, tables);
    scan.LoadContents(folder, u"");
    return std::move(scan.PagePaths);
}

}  // namespace

ScannedCourse::ScannedCourse(const std::string& folder)
    : m_tables(MakeExtensionTables()),
      m_paths(Scan(folder, m_tree, m_tables)),
      m_catalogue(m_tree, m_paths, m_tables) {}

std::vector<std::string> ScannedCourse::PagePaths() const {
    std::vector<std::string> pages;
    for (std::size_t entry = 0; entry < m_catalogue.EntryCount(); ++entry) {
        if (m_catalogue.IsPage(entry)) pages.push_back(m_catalogue.Path(entry));
    }
    return pages;
}

}  // namespace courseview
