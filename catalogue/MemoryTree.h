#pragma once
// A catalogue tree held in memory: what the author's tool prints and what the
// tests look at.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "CatalogueTree.h"

namespace courseview {

class MemoryTree final : public CatalogueTree {
public:
    struct Node {
        std::u16string_view caption;  // held by the tree until RemoveAllNodes()
        std::optional<std::int32_t> entryIndex;
        std::vector<std::size_t> children;  // positions in Nodes()
    };

    void RemoveAllNodes() override;
    void BeginUpdate() override { ++m_updateDepth; }
    void EndUpdate() override { --m_updateDepth; }
    NodeHandle AddLastChild(NodeHandle parent, std::u16string_view caption) override;
    NodeHandle AddLastTopLevel(std::u16string_view caption) override;
    void SetEntryIndex(NodeHandle node, std::int32_t entryIndex) override;
    std::optional<std::int32_t> SelectedEntryIndex() const override;

    const std::vector<Node>& Nodes() const { return m_nodes; }
    const std::vector<std::size_t>& TopLevel() const { return m_topLevel; }
    int UpdateDepth() const { return m_updateDepth; }

    // Selects the node at a position in Nodes(), or nothing.
    void Select(std::optional<std::size_t> position) { m_selected = position; }

    // The position in Nodes() of a node this tree handed out.
    static std::size_t PositionOf(NodeHandle node) {
        return reinterpret_cast<std::size_t>(node) - 1;
    }

private:
    NodeHandle Append(std::u16string_view caption);
    std::u16string_view Keep(std::u16string_view caption);

    // Captions stand end to end in blocks that never move: a node costs no
    // allocation of its own, and its caption's view stays valid.
    std::vector<std::unique_ptr<char16_t[]>> m_captionBlocks;
    std::size_t m_blockUsed = 0;
    std::size_t m_blockSize = 0;
    std::vector<Node> m_nodes;
    std::vector<std::size_t> m_topLevel;
    std::optional<std::size_t> m_selected;
    int m_updateDepth = 0;
};

}  // namespace courseview
