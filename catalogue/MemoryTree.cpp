#include "MemoryTree.h"

#include <algorithm>

namespace courseview {

namespace {

constexpr std::size_t CaptionBlockUnits = 32768;

}  // namespace

void MemoryTree::RemoveAllNodes() {
    m_nodes.clear();
    m_topLevel.clear();
    m_selected.reset();
    m_captionBlocks.clear();
    m_blockUsed = 0;
    m_blockSize = 0;
}

std::u16string_view MemoryTree::Keep(std::u16string_view caption) {
    if (caption.empty()) return {};
    if (m_blockSize - m_blockUsed < caption.size()) {
        // A caption longer than a block gets a block of its own.
        m_blockSize = std::max(CaptionBlockUnits, caption.size());
        m_captionBlocks.push_back(std::make_unique_for_overwrite<char16_t[]>(m_blockSize));
        m_blockUsed = 0;
    }
    char16_t* const kept = m_captionBlocks.back().get() + m_blockUsed;
    std::copy(caption.begin(), caption.end(), kept);
    m_blockUsed += caption.size();
    return {kept, caption.size()};
}

NodeHandle MemoryTree::Append(std::u16string_view caption) {
    m_nodes.push_back(Node{Keep(caption), std::nullopt, {}});
    // Handles count from 1 so that no node is ever nullptr.
    return reinterpret_cast<NodeHandle>(static_cast<std::uintptr_t>(m_nodes.size()));
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
