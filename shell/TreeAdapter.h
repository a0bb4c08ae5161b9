#pragma once
// The catalogue's tree on the window's tree control, so the scan fills what
// the user sees. The control's root is hidden: top-level entries are its children.

#include "CatalogueTree.h"

class wxTreeCtrl;

namespace courseview {

class TreeAdapter final : public CatalogueTree {
public:
    explicit TreeAdapter(wxTreeCtrl& tree);

    void RemoveAllNodes() override;
    // Drawing is frozen while any bracket is open.
    void BeginUpdate() override;
    void EndUpdate() override;
    NodeHandle AddLastChild(NodeHandle parent, std::u16string_view caption) override;
    NodeHandle AddLastTopLevel(std::u16string_view caption) override;
    void SetEntryIndex(NodeHandle node, std::int32_t entryIndex) override;
    std::optional<std::int32_t> SelectedEntryIndex() const override;

private:
    wxTreeCtrl& m_tree;
    int m_updateDepth = 0;
};

}  // namespace courseview
