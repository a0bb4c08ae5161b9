#include "MemoryTree.h"

namespace courseview {

void MemoryTree::RemoveAllNodes() {
    m_nodes.clear();
    m_topLevel.clear();
    m_selected.reset();
}

NodeHandle MemoryTree::Append(std::u16string_view caption) {
    m_nodes.push_back(Node{std::u16string(caption), std::nullopt, {}});
    // Handles count from 1 so that no node is ever nullptr.
    return reinterpret_cast<NodeHandle>(m_nodes.size());
}

NodeHandle MemoryTree::AddLastChild(NodeHandle parent, std::u16string_view caption) {
    const std::size_t parentPosition = PositionOf(parent);
    const NodeHandle node = Append(caption);
    m_nodes[parentPosition].children.push_back(PositionOf(node));
    return node;
}

NodeHandle MemoryTree::AddLastTopLevel(std::u16string_view caption) {
    const NodeHandle node = Append(caption);
    m_topLevel.push_back(PositionOf(node));
    return node;
}

void MemoryTree::SetEntryIndex(NodeHandle node, std::int32_t entryIndex) {
    m_nodes[PositionOf(node)].entryIndex = entryIndex;
}

std::optional<std::int32_t> MemoryTree::SelectedEntryIndex() const {
    if (!m_selected || *m_selected >= m_nodes.size()) return std::nullopt;
    return m_nodes[*m_selected].entryIndex;
}

}  // namespace courseview
