#pragma once
// What the catalogue needs of a tree control, and nothing more, so that the
// same scan fills the window's tree, the author's tool and the tests.

#include <cstdint>
#include <optional>
#include <string_view>

namespace courseview {

// A node of the tree; nullptr stands for "no node" (the top level).
using NodeHandle = void*;

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

}  // namespace courseview
