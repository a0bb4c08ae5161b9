#include "TreeAdapter.h"

#include <wx/treectrl.h>

#include "Utf.h"

namespace courseview {

namespace {

// The entry index lives in storage the node owns and frees with it.
class EntryIndexData : public wxTreeItemData {
public:
    explicit EntryIndexData(std::int32_t entryIndex) : EntryIndex(entryIndex) {}
    const std::int32_t EntryIndex;
};

wxString Caption(std::u16string_view caption) { return wxString::FromUTF8(Utf16ToUtf8(caption)); }

}  // namespace

TreeAdapter::TreeAdapter(wxTreeCtrl& tree) : m_tree(tree) {
    if (!m_tree.GetRootItem().IsOk()) m_tree.AddRoot(wxString());
}

void TreeAdapter::RemoveAllNodes() { m_tree.DeleteChildren(m_tree.GetRootItem()); }

void TreeAdapter::BeginUpdate() {
    if (m_updateDepth++ == 0) m_tree.Freeze();
}

void TreeAdapter::EndUpdate() {
    if (m_updateDepth > 0 && --m_updateDepth == 0) m_tree.Thaw();
}

NodeHandle TreeAdapter::AddLastChild(NodeHandle parent, std::u16string_view caption) {
    return static_cast<NodeHandle>(
        m_tree.AppendItem(wxTreeItemId(parent), Caption(caption)).GetID());
}

NodeHandle TreeAdapter::AddLastTopLevel(std::u16string_view caption) {
    return static_cast<NodeHandle>(
        m_tree.AppendItem(m_tree.GetRootItem(), Caption(caption)).GetID());
}

void TreeAdapter::SetEntryIndex(NodeHandle node, std::int32_t entryIndex) {
    m_tree.SetItemData(wxTreeItemId(node), new EntryIndexData(entryIndex));
}

std::optional<std::int32_t> TreeAdapter::SelectedEntryIndex() const {
    const wxTreeItemId selected = m_tree.GetSelection();
    if (!selected.IsOk() || selected == m_tree.GetRootItem()) return std::nullopt;
    const auto* data = dynamic_cast<const EntryIndexData*>(m_tree.GetItemData(selected));
    if (data == nullptr) return std::nullopt;
    return data->EntryIndex;
}

}  // namespace courseview
