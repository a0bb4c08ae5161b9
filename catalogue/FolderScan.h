#pragma once
// The catalogue: a depth-first walk of a content folder that turns folders
// into branches and pages, pictures and clips into leaves, and remembers every
// openable entry's full path in PagePaths.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "CatalogueTree.h"
#include "CodePage.h"
#include "FolderListing.h"
#include "FolderVisits.h"
#include "NameMatching.h"
#include "PageTitle.h"
#include "ReadAhead.h"
#include "ScanNotes.h"

namespace courseview {

class Catalogue {
public:
    Catalogue(CatalogueTree& tree, ScanHost& host, const ExtensionTables& tables,
              const CodePage& systemCodePage = SystemCodePage());

    // Full paths of the openable entries, as the file system spells them; a
    // node's entry index is a position here. Plain strings: a path object
    // would keep every path a second time, cut into its components.
    std::vector<std::string> PagePaths;

    // The rebuild: clears PagePaths and the tree, shows `statusText`, scans
    // `folderPath` as the top level, clears the status text. A rebuild asked
    // for while a scan runs (a click served by the message pump) is deferred
    // until that scan has ended, so the two never mix; of several such
    // requests the last one wins.
    void LoadContents(const std::string& folderPath, std::u16string_view statusText);

    // Adds one folder's contents under `parentNode` (nullptr: the top level)
    // and recurses into tree folders. An error ends this folder's listing
    // quietly: what was added stays, the caller goes on.
    void ScanFolder(const std::string& folderPath, NodeHandle parentNode);

    bool Scanning() const { return m_scanDepth > 0; }

    // Receives a note for every entry left out; nullptr for none.
    void SetObserver(ScanObserver* observer) { m_observer = observer; }

    // When pages' heads are read ahead of the scan, in parallel.
    using ReadAheadMode = ReadAhead::Mode;
    void SetReadAhead(ReadAheadMode mode) { m_readAhead.SetMode(mode); }
    // The last scan's read-ahead, for tests and the benchmark.
    const ReadAhead& PageReadAhead() const { return m_readAhead; }

private:
    struct RebuildRequest {
        std::string folderPath;
        std::u16string statusText;
    };

    void RunRebuild(const RebuildRequest& request);
    void ScanEntries(FolderListing& listing, std::string& folderPath, NodeHandle parentNode);
    void ScanBranch(const FolderEntry& entry, const std::string& fullPath, std::u16string_view name,
                    NodeHandle parentNode);
    // False when the page could not be read: its folder's listing ends.
    bool AddPage(FolderListing& listing, const FolderEntry& entry, const std::string& fullPath,
                 const std::string& folderPath, std::u16string_view name, NodeHandle parentNode);
    NodeHandle AddNode(NodeHandle parentNode, std::u16string_view caption);
    void AddEntry(NodeHandle node, const std::string& fullPath);
    void Note(OmissionReason reason, const std::string& fullPath);

    CatalogueTree& m_tree;
    ScanHost& m_host;
    const ExtensionTables& m_tables;
    const CodePage& m_codePage;
    ScanObserver* m_observer = nullptr;
    int m_scanDepth = 0;
    std::optional<RebuildRequest> m_deferredRebuild;
    FolderVisits m_visits;  // this rebuild's
    PageTitleReader m_titles;
    std::u16string m_name;  // the entry in hand, as UTF-16; reused entry after entry
    ReadAhead m_readAhead;
};

}  // namespace courseview
