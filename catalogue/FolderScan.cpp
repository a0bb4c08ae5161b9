#include "FolderScan.h"

#include <bit>
#include <exception>

#include "FileError.h"
#include "PageTitle.h"
#include "Utf.h"

namespace courseview {

namespace {

// Closes the update bracket on every path out of a folder, errors included.
class UpdateBracket {
public:
    explicit UpdateBracket(CatalogueTree& tree) : m_tree(tree) { m_tree.BeginUpdate(); }
    ~UpdateBracket() { m_tree.EndUpdate(); }
    UpdateBracket(const UpdateBracket&) = delete;
    UpdateBracket& operator=(const UpdateBracket&) = delete;

private:
    CatalogueTree& m_tree;
};

template <typename Value>
class ScopedPush {
public:
    ScopedPush(std::vector<Value>& stack, Value value) : m_stack(stack) {
        m_stack.push_back(value);
    }
    ~ScopedPush() { m_stack.pop_back(); }
    ScopedPush(const ScopedPush&) = delete;
    ScopedPush& operator=(const ScopedPush&) = delete;

private:
    std::vector<Value>& m_stack;
};

// The name cut before its last "."; the whole name when it has none.
std::u16string_view WithoutExtension(std::u16string_view name) {
    const auto dot = name.rfind(u'.');
    return dot == std::u16string_view::npos ? name : name.substr(0, dot);
}

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

}  // namespace

Catalogue::Catalogue(CatalogueTree& tree, ScanHost& host, const ExtensionTables& tables,
                     const CodePage& systemCodePage)
    : m_tree(tree),
      m_host(host),
      m_tables(tables),
      m_codePage(systemCodePage),
      m_titles(systemCodePage),
      m_readAhead(tables) {}

void Catalogue::LoadContents(const std::string& folderPath, std::u16string_view statusText) {
    RebuildRequest request{folderPath, std::u16string(statusText)};
    if (Scanning()) {
        m_deferredRebuild = std::move(request);
        return;
    }
    RunRebuild(request);
    while (m_deferredRebuild) {
        const RebuildRequest next = std::move(*m_deferredRebuild);
        m_deferredRebuild.reset();
        RunRebuild(next);
    }
}

void Catalogue::RunRebuild(const RebuildRequest& request) {
    PagePaths.clear();
    m_tree.RemoveAllNodes();
    m_host.SetStatusText(request.statusText);
    ScanFolder(request.folderPath, nullptr);
    m_host.SetStatusText(u"");
}

void Catalogue::ScanFolder(const std::string& folderPath, NodeHandle parentNode) {
    if (m_scanDepth == 0) {
        m_listedFolders.clear();
        m_scanRoot = folderPath;
        m_pagesTaken = 0;
        m_coldPageBits = 0;
        if (m_readAheadMode == ReadAheadMode::Always) m_readAhead.Start(folderPath, 0);
    }
    // So deep, every descriptor may count: the read-ahead's few must not
    // decide where the scan's own listings run out.
    if (m_scanDepth == ReadAhead::DeepestFolder) m_readAhead.Stop();
    ++m_scanDepth;
    try {
        UpdateBracket bracket(m_tree);
        FolderListing listing(folderPath);
        ScopedPush onPath(m_scanPath, listing.Identity());
        m_listedFolders.emplace(listing.Identity().device, listing.Identity().inode);
        std::string folder = folderPath;
        ScanEntries(listing, folder, parentNode);
    } catch (const std::exception& error) {
        // Ends this folder's listing only; the caller goes on with its next entry.
        if (m_observer != nullptr) {
            ScanNote note{OmissionReason::ListingEnded, folderPath, error.what(), {}};
            m_observer->Note(std::move(note));
        }
    }
    --m_scanDepth;
    if (m_scanDepth == 0) m_readAhead.Stop();
}

void Catalogue::ScanEntries(FolderListing& listing, std::string& folderPath,
                            NodeHandle parentNode) {
    FolderEntry entry;
    std::string fullPath;
    for (;;) {
        m_host.LetPendingMessagesRun();
        if (folderPath.empty() || folderPath.back() != '/') folderPath.push_back('/');
        if (!listing.Next(entry, fullPath, folderPath)) return;

        m_name.clear();
        DecodeUtf8Prefix(entry.name, true, m_name);
        // A recursion below reuses m_name, so the entry's name is read from it
        // only before that.
        const std::u16string_view name = m_name;
        if (IsTreeFolder(entry, name)) {
            const bool pageFolder = !name.empty() && name.back() == u'^';
            const std::u16string_view caption =
                pageFolder ? std::u16string_view(name).substr(0, name.size() - 1) : name;
            const NodeHandle node = AddNode(parentNode, caption);
            if (pageFolder) AddEntry(node, fullPath);
            // A link leads into a folder only the first time this rebuild
            // meets that folder: a link back into the path would never end,
            // and folders linked to one another would multiply the work past
            // any bound.
            FolderIdentity target;
            if (entry.isLink && IdentifyFolder(fullPath, target)) {
                if (OnScanPath(target)) {
                    Note(OmissionReason::FolderLoop, fullPath);
                    continue;
                }
                if (m_listedFolders.contains({target.device, target.inode})) {
                    Note(OmissionReason::LinkToListedFolder, fullPath);
                    continue;
                }
            }
            ScanFolder(fullPath, node);
            continue;
        }

        const int kind = ExtensionIndex(m_tables.ViewableExtensions, name);
        if (IsPageKind(kind)) {
            if (SameTextAscii(name, WrapperPageName)) {
                Note(OmissionReason::WrapperPageName, fullPath);
                continue;
            }
            std::u16string_view caption;
            try {
                ComingToPage();
                caption = m_titles.Read(ListedFile{listing.Descriptor(), entry.name.c_str(),
                                                   &fullPath, entry.isPlainFile});
                PageRead();
            } catch (const std::exception& error) {
                if (m_observer != nullptr) {
                    ScanNote note{OmissionReason::ListingEnded, fullPath, error.what(), {}};
                    // Name what the error costs the author: the rest of this folder.
                    FolderEntry lost;
                    std::string lostPath;
                    try {
                        while (listing.Next(lost, lostPath, folderPath)) {
                            if (!IsDotEntry(lost.name)) note.lostEntries.push_back(lost.name);
                        }
                    } catch (const std::exception&) {
                    }
                    m_observer->Note(std::move(note));
                }
                return;
            }
            if (caption.size() < 3) caption = WithoutExtension(name);
            AddEntry(AddNode(parentNode, caption), fullPath);
        } else if (IsPictureKind(kind) || kind == KindClip) {
            AddEntry(AddNode(parentNode, WithoutExtension(name)), fullPath);
        } else if (!IsDotEntry(entry.name)) {
            if (entry.isFolder) {
                const bool hidden = name.front() == u'.' || name.front() == u'_';
                Note(hidden ? OmissionReason::Hidden : OmissionReason::SkippedFolder, fullPath);
            } else {
                Note(OmissionReason::NotViewable, fullPath);
            }
        }
    }
}

bool Catalogue::IsTreeFolder(const FolderEntry& entry, std::u16string_view name) const {
    return courseview::IsTreeFolder(entry.isFolder, name, m_tables);
}

bool Catalogue::OnScanPath(const FolderIdentity& folder) const {
    for (const auto& onPath : m_scanPath) {
        if (onPath == folder) return true;
    }
    return false;
}

void Catalogue::ComingToPage() {
    ++m_pagesTaken;
    if (m_readAhead.Running()) m_readAhead.PageTaken();
    // Whether pages come from the disk matters while no read-ahead runs, or
    // while it pauses because its pages were all in memory.
    m_titles.WatchForColdPages(m_readAheadMode != ReadAheadMode::Off &&
                               (!m_readAhead.Running() || m_readAhead.Paused()));
}

void Catalogue::PageRead() {
    constexpr int ColdPagesToReadAhead = 8;  // of the last 64 watched
    if (!m_titles.WatchingForColdPages()) return;
    m_coldPageBits = m_coldPageBits << 1 | (m_titles.LastPageWasCold() ? 1 : 0);
    if (std::popcount(m_coldPageBits) < ColdPagesToReadAhead) return;
    m_coldPageBits = 0;
    if (!m_readAhead.Running()) {
        if (m_scanDepth > ReadAhead::DeepestFolder) return;
        m_readAhead.Start(m_scanRoot, m_pagesTaken);
    } else {
        m_readAhead.Resume();
    }
}

NodeHandle Catalogue::AddNode(NodeHandle parentNode, std::u16string_view caption) {
    return parentNode != nullptr ? m_tree.AddLastChild(parentNode, caption)
                                 : m_tree.AddLastTopLevel(caption);
}

void Catalogue::AddEntry(NodeHandle node, const std::string& fullPath) {
    PagePaths.emplace_back(fullPath);
    m_tree.SetEntryIndex(node, static_cast<std::int32_t>(PagePaths.size() - 1));
}

void Catalogue::Note(OmissionReason reason, const std::string& fullPath) {
    if (m_observer != nullptr) m_observer->Note(ScanNote{reason, fullPath, {}, {}});
}

const char* OmissionReasonName(OmissionReason reason) {
    switch (reason) {
        case OmissionReason::Hidden:
            return "hidden";
        case OmissionReason::SkippedFolder:
            return "skipped folder";
        case OmissionReason::NotViewable:
            return "not a viewable kind";
        case OmissionReason::WrapperPageName:
            return "the wrapper page name";
        case OmissionReason::FolderLoop:
            return "link back into its own path: shown, not entered";
        case OmissionReason::LinkToListedFolder:
            return "link to a folder listed already: shown, not entered";
        case OmissionReason::ListingEnded:
            return "error ended the folder's listing";
    }
    return "";
}

}  // namespace courseview
