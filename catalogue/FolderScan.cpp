#include "FolderScan.h"

#include <exception>

#include "EntryKind.h"
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

// The name cut before its last "."; the whole name when it has none.
std::u16string_view WithoutExtension(std::u16string_view name) {
    const auto dot = name.rfind(u'.');
    return dot == std::u16string_view::npos ? name : name.substr(0, dot);
}

}  // namespace

Catalogue::Catalogue(CatalogueTree& tree, ScanHost& host, const ExtensionTables& tables,
                     const CodePage& systemCodePage)
    : m_tree(tree),
      m_host(host),
      m_tables(tables),
      m_codePage(systemCodePage),
      m_titles(systemCodePage),
      m_readAhead(tables, systemCodePage) {}

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
        m_visits.Clear(folderPath);
        m_readAhead.ScanBegins(folderPath);
    }
    m_readAhead.ScanEnters(m_scanDepth);
    ++m_scanDepth;
    try {
        UpdateBracket bracket(m_tree);
        FolderListing listing(folderPath);
        const FolderVisit visit(m_visits, listing.Identity());
        std::string folder = folderPath;
        ScanEntries(listing, folder, parentNode);
    } catch (const std::exception& error) {
        // Ends this folder's listing only; the caller goes on with its next entry.
        if (m_observer != nullptr) {
            m_observer->Note(ScanNote{OmissionReason::ListingEnded, folderPath, error.what(), {}});
        }
    }
    --m_scanDepth;
    if (m_scanDepth == 0) m_readAhead.ScanEnds();
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
        DecodeEntryName(entry, m_codePage, m_name);
        // A recursion below reuses m_name, so the entry's name is read from it
        // only before that.
        const std::u16string_view name = m_name;
        switch (ClassifyEntry(entry.isFolder, name, m_tables)) {
            case EntryKind::TreeFolder:
            case EntryKind::PageFolder:
                ScanBranch(entry, fullPath, name, parentNode);
                break;
            case EntryKind::Page:
                if (!AddPage(listing, entry, fullPath, folderPath, name, parentNode)) return;
                break;
            case EntryKind::Picture:
            case EntryKind::Clip:
                AddEntry(AddNode(parentNode, WithoutExtension(name)), fullPath);
                break;
            case EntryKind::WrapperPage:
                Note(OmissionReason::WrapperPageName, fullPath);
                break;
            case EntryKind::HiddenFolder:
                Note(OmissionReason::Hidden, fullPath);
                break;
            case EntryKind::SkippedFolder:
                Note(OmissionReason::SkippedFolder, fullPath);
                break;
            case EntryKind::NotViewable:
                Note(OmissionReason::NotViewable, fullPath);
                break;
            case EntryKind::Dot:
                break;
        }
    }
}

void Catalogue::ScanBranch(const FolderEntry& entry, const std::string& fullPath,
                           std::u16string_view name, NodeHandle parentNode) {
    const bool pageFolder = name.back() == u'^';
    const NodeHandle node =
        AddNode(parentNode, pageFolder ? name.substr(0, name.size() - 1) : name);
    if (pageFolder) AddEntry(node, fullPath);
    if (m_observer != nullptr) m_observer->BranchAdded(node, fullPath);
    switch (m_visits.Judge(entry, fullPath)) {
        case FolderVisits::Verdict::Enter:
            ScanFolder(fullPath, node);
            break;
        case FolderVisits::Verdict::LoopsBack:
            Note(OmissionReason::FolderLoop, fullPath);
            break;
        case FolderVisits::Verdict::ListedAlready:
            Note(OmissionReason::LinkToListedFolder, fullPath);
            break;
        case FolderVisits::Verdict::OutsideCourse:
            Note(OmissionReason::LinkOutsideCourse, fullPath);
            break;
    }
}

bool Catalogue::AddPage(FolderListing& listing, const FolderEntry& entry,
                        const std::string& fullPath, const std::string& folderPath,
                        std::u16string_view name, NodeHandle parentNode) {
    std::u16string_view caption;
    try {
        m_titles.WatchForColdPages(m_readAhead.PageComing());
        caption = m_titles.Read(
            ListedFile{listing.Descriptor(), entry.name.c_str(), &fullPath, entry.isPlainFile});
        m_readAhead.PageRead(m_titles.LastPageWasCold(), m_scanDepth);
    } catch (const std::exception& error) {
        if (m_observer != nullptr) {
            ScanNote note{OmissionReason::ListingEnded, fullPath, error.what(), {}};
            // Name what the error costs the author: the rest of this folder.
            FolderEntry lost;
            std::string lostPath;
            try {
                while (listing.Next(lost, lostPath, folderPath)) {
                    if (lost.name != "." && lost.name != "..")
                        note.lostEntries.push_back(lost.name);
                }
            } catch (const std::exception&) {
                // The listing broke off as well: the note names what it gave.
            }
            m_observer->Note(std::move(note));
        }
        return false;
    }
    if (caption.size() < 3) caption = WithoutExtension(name);
    AddEntry(AddNode(parentNode, caption), fullPath);
    return true;
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
        case OmissionReason::LinkOutsideCourse:
            return "link to a folder outside the course: shown, not entered";
        case OmissionReason::ListingEnded:
            return "error ended the folder's listing";
    }
    return "";
}

}  // namespace courseview
