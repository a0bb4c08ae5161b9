#pragma once
// What the catalogue needs of a tree control, and nothing more, so that the
// same scan fills the window's tree, the author's tool and the tests.

#include <cstdint>
#include <optional>
#include <string_view>

namespace courseview {

// A node of a tree, as the tree hands it out: the catalogue never looks
// inside, it only gives the handle back to the tree that made it. Each tree
// decides what its handles stand for; nullptr stands for "no node" (the top
// level).
class CatalogueNode;
using NodeHandle = CatalogueNode*;

class CatalogueTree {
public:
    virtual ~CatalogueTree() = default;

    virtual void RemoveAllNodes() = 0;

    // Update brackets nest; drawing resumes when the outermost one closes.
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;

    virtual NodeHandle AddLastChild(NodeHandle parent, std::u16string_view caption) = 0;
    virtual NodeHandle AddLastTopLevel(std::u16string_view caption) = 0;

    // Makes the node openable: `entryIndex` is the position of its path in PagePaths.
    virtual void SetEntryIndex(NodeHandle node, std::int32_t entryIndex) = 0;

    // The entry index of the selected node; empty when no node is selected or
    // the selected one cannot be opened.
    virtual std::optional<std::int32_t> SelectedEntryIndex() const = 0;
};

// The rest of the window a scan talks to.
class ScanHost {
public:
    virtual ~ScanHost() = default;
    virtual void SetStatusText(std::u16string_view text) = 0;
    // Runs every pending window message, user input included, so the window
    // stays alive while the catalogue is built.
    virtual void LetPendingMessagesRun() = 0;
};

// The host of a scan without a window (the author's tool, the benchmark):
// nothing to show, no messages to run.
class WindowlessHost final : public ScanHost {
public:
    void SetStatusText(std::u16string_view) override {}
    void LetPendingMessagesRun() override {}
};

}  // namespace courseview
