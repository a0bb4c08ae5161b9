#include "CatalogueRecorder.h"

#include <algorithm>

namespace courseview {

namespace {

class RecordedCatalogue final : public SearchCatalogue {
public:
    RecordedCatalogue(std::shared_ptr<const CatalogueRecorder::Records> records,
                      std::vector<std::string> pagePaths, const ExtensionTables& tables)
        : m_records(std::move(records)), m_pagePaths(std::move(pagePaths)), m_tables(tables) {}

    std::size_t EntryCount() const override { return m_pagePaths.size(); }
    std::u16string_view Caption(std::size_t entry) const override {
        const std::uint32_t node = NodeOf(entry);
        return node == CatalogueRecorder::NoNode ? std::u16string_view()
                                                 : m_records->nodes[node].caption;
    }
    const std::string& Path(std::size_t entry) const override { return m_pagePaths[entry]; }
    bool IsPage(std::size_t entry) const override {
        return IsSearchedPage(m_pagePaths[entry], m_tables);
    }
    std::vector<std::u16string> FolderPath(std::size_t entry) const override {
        std::vector<std::u16string> path;
        std::uint32_t node = NodeOf(entry);
        if (node == CatalogueRecorder::NoNode) return path;
        for (node = m_records->nodes[node].parent; node != CatalogueRecorder::NoNode;
             node = m_records->nodes[node].parent) {
            path.push_back(m_records->nodes[node].caption);
        }
        std::reverse(path.begin(), path.end());
        return path;
    }

private:
    std::uint32_t NodeOf(std::size_t entry) const {
        return entry < m_records->nodeOfEntry.size() ? m_records->nodeOfEntry[entry]
                                                     : CatalogueRecorder::NoNode;
    }

    const std::shared_ptr<const CatalogueRecorder::Records> m_records;
    const std::vector<std::string> m_pagePaths;
    // The window's tables, made once and kept until the window goes, after its searches.
    const ExtensionTables& m_tables;
};

}  // namespace

CatalogueRecorder::CatalogueRecorder(CatalogueTree& shown) : m_shown(shown) {}

void CatalogueRecorder::RemoveAllNodes() {
    m_shown.RemoveAllNodes();
    m_snapshot.reset();
    m_records = std::make_shared<Records>();
    m_positionOf.clear();
}

NodeHandle CatalogueRecorder::AddLastChild(NodeHandle parent, std::u16string_view caption) {
    const auto found = m_positionOf.find(parent);
    return Add(found != m_positionOf.end() ? found->second : NoNode,
               m_shown.AddLastChild(parent, caption), caption);
}

NodeHandle CatalogueRecorder::AddLastTopLevel(std::u16string_view caption) {
    return Add(NoNode, m_shown.AddLastTopLevel(caption), caption);
}

NodeHandle CatalogueRecorder::Add(std::uint32_t parent, NodeHandle shown,
                                  std::u16string_view caption) {
    Records& records = Changing();
    m_positionOf[shown] = static_cast<std::uint32_t>(records.nodes.size());
    records.nodes.push_back(Node{std::u16string(caption), parent, shown});
    return shown;
}

void CatalogueRecorder::SetEntryIndex(NodeHandle node, std::int32_t entryIndex) {
    m_shown.SetEntryIndex(node, entryIndex);
    const auto found = m_positionOf.find(node);
    if (found == m_positionOf.end() || entryIndex < 0) return;
    Records& records = Changing();
    const auto entry = static_cast<std::size_t>(entryIndex);
    if (records.nodeOfEntry.size() <= entry) records.nodeOfEntry.resize(entry + 1, NoNode);
    records.nodeOfEntry[entry] = found->second;
}

CatalogueRecorder::Records& CatalogueRecorder::Changing() {
    m_snapshot.reset();
    // Only this thread makes copies, so a count of one cannot grow under us.
    if (m_records.use_count() > 1) m_records = std::make_shared<Records>(*m_records);
    return *m_records;
}

std::shared_ptr<const SearchCatalogue> CatalogueRecorder::Snapshot(
    const std::vector<std::string>& pagePaths, const ExtensionTables& tables) {
    if (!m_snapshot || m_snapshot->EntryCount() != pagePaths.size())
        m_snapshot = std::make_shared<RecordedCatalogue>(m_records, pagePaths, tables);
    return m_snapshot;
}

NodeHandle CatalogueRecorder::ShownNodeOf(std::int32_t entry) const {
    if (entry < 0 || static_cast<std::size_t>(entry) >= m_records->nodeOfEntry.size())
        return nullptr;
    const std::uint32_t node = m_records->nodeOfEntry[static_cast<std::size_t>(entry)];
    return node == NoNode ? nullptr : m_records->nodes[node].shown;
}

}  // namespace courseview
