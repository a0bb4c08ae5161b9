#pragma once
// The catalogue the window shows, recorded as the scan fills the window's
// tree, so that searches can read it from their worker threads: each search
// gets a snapshot that stays as it was whatever the next scan does to the
// tree.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "CatalogueTree.h"
#include "NameMatching.h"
#include "SearchCatalogue.h"

namespace courseview {

class CatalogueRecorder final : public CatalogueTree {
public:
    // Everything goes on to `shown`, the window's tree; its handles are the
    // ones handed out.
    explicit CatalogueRecorder(CatalogueTree& shown);

    void RemoveAllNodes() override;
    void BeginUpdate() override { m_shown.BeginUpdate(); }
    void EndUpdate() override { m_shown.EndUpdate(); }
    NodeHandle AddLastChild(NodeHandle parent, std::u16string_view caption) override;
    NodeHandle AddLastTopLevel(std::u16string_view caption) override;
    void SetEntryIndex(NodeHandle node, std::int32_t entryIndex) override;
    std::optional<std::int32_t> SelectedEntryIndex() const override {
        return m_shown.SelectedEntryIndex();
    }

    // The catalogue as it stands, its entries' paths being `pagePaths` (the
    // scan's). The same object again while nothing has changed; a snapshot
    // taken during a scan holds the entries added so far.
    std::shared_ptr<const SearchCatalogue> Snapshot(const std::vector<std::string>& pagePaths,
                                                    const ExtensionTables& tables);

    // The node of the shown tree that holds the entry; nullptr when none does.
    NodeHandle ShownNodeOf(std::int32_t entry) const;

    struct Node {
        std::u16string caption;
        std::uint32_t parent;  // NoNode at the top level
        NodeHandle shown;
    };
    static constexpr std::uint32_t NoNode = UINT32_MAX;
    struct Records {
        std::vector<Node> nodes;
        std::vector<std::uint32_t> nodeOfEntry;  // NoNode for an entry without a node
    };

private:
    NodeHandle Add(std::uint32_t parent, NodeHandle shown, std::u16string_view caption);
    // The records, copied first when a snapshot still shares them.
    Records& Changing();

    CatalogueTree& m_shown;
    std::shared_ptr<Records> m_records = std::make_shared<Records>();
    std::unordered_map<NodeHandle, std::uint32_t> m_positionOf;
    std::shared_ptr<const SearchCatalogue> m_snapshot;  // while nothing has changed
};

}  // namespace courseview
