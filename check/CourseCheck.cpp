#include "CourseCheck.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "DuplicateCaptions.h"
#include "EntryKind.h"
#include "FolderScan.h"
#include "MemoryTree.h"
#include "PageCheck.h"
#include "PageTitle.h"
#include "ShortTitle.h"
#include "Utf.h"

namespace courseview {

namespace {

// What the scan tells beside its tree: where its branches lie, and the
// listings that ended early, each with the number of nodes made before it,
// which places it in catalogue order.
class ScanRecord final : public ScanObserver {
public:
    explicit ScanRecord(const MemoryTree& tree) : m_tree(tree) {}

    void Note(ScanNote note) override {
        if (note.reason == OmissionReason::ListingEnded)
            ended.push_back({m_tree.Nodes().size(), std::move(note)});
    }
    void BranchAdded(NodeHandle node, const std::string& fullPath) override {
        branchPaths.emplace(MemoryTree::PositionOf(node), fullPath);
    }

    struct Ended {
        std::size_t nodesBefore;
        ScanNote note;
    };
    std::vector<Ended> ended;
    std::unordered_map<std::size_t, std::string> branchPaths;

private:
    const MemoryTree& m_tree;
};

std::string_view NameOf(std::string_view path) { return path.substr(path.rfind('/') + 1); }

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string QuotedList(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + Quoted(name);
    return list;
}

// The name cut before its last "."; the whole name when it has none.
std::u16string_view WithoutExtension(std::u16string_view name) {
    return name.substr(0, name.rfind(u'.'));
}

class Checker {
public:
    Checker(const std::string& folder, const CodePage& systemCodePage, bool usePageFilter,
            const ProblemSink& sink)
        : m_folder(folder),
          m_prefix(folder.ends_with('/') ? folder : folder + "/"),
          m_systemCodePage(systemCodePage),
          m_catalogue(m_tree, m_host, m_tables, systemCodePage),
          m_record(m_tree),
          m_links(m_prefix),
          m_pages(m_links, systemCodePage),
          m_titles(systemCodePage),
          m_sink(sink) {
        m_pages.UseFilter(usePageFilter);
    }

    void Run() {
        m_catalogue.SetObserver(&m_record);
        m_catalogue.LoadContents(m_folder, u"");
        const auto groups = DuplicateCaptionGroups(m_tree);
        auto group = groups.begin();
        auto ended = m_record.ended.begin();
        for (std::size_t node = 0; node < m_tree.Nodes().size(); ++node) {
            for (; ended != m_record.ended.end() && ended->nodesBefore <= node; ++ended)
                ReportEnded(ended->note);
            if (group != groups.end() && group->front() == node) ReportDuplicates(*group++);
            CheckEntry(node);
        }
        for (; ended != m_record.ended.end(); ++ended) ReportEnded(ended->note);
    }

private:
    void Report(Problem problem) { m_sink(problem); }

    const std::string& PathOf(std::size_t node) const {
        const auto& entry = m_tree.Nodes()[node].entryIndex;
        if (entry) return m_catalogue.PagePaths[static_cast<std::size_t>(*entry)];
        return m_record.branchPaths.at(node);
    }

    void ReportDuplicates(const std::vector<std::size_t>& group) {
        std::vector<std::string> names;
        for (const std::size_t node : group) names.emplace_back(NameOf(PathOf(node)));
        Report({ProblemKind::DuplicateCaption, PathOf(group.front()), std::nullopt, std::nullopt,
                std::nullopt,
                std::to_string(group.size()) + " entries of this folder are captioned " +
                    Quoted(Utf16ToUtf8(m_tree.Nodes()[group.front()].caption)) +
                    ", and a student cannot tell them apart: " + QuotedList(names) + "."});
    }

    void ReportEnded(const ScanNote& note) {
        if (m_branchPathSet.empty()) {
            for (const auto& branch : m_record.branchPaths) m_branchPathSet.insert(branch.second);
        }
        std::string message;
        if (note.path == m_folder || m_branchPathSet.contains(note.path)) {
            message = "The folder could not be read to its end (" + note.error +
                      "): what it holds past that point is missing from the catalogue.";
        } else if (note.lostEntries.empty()) {
            message = "The page could not be read (" + note.error +
                      "), so its folder's listing ended there; it was the folder's last entry.";
        } else {
            message = "The page could not be read (" + note.error +
                      "), so its folder's listing ended there, and these entries after it are "
                      "missing from the catalogue: " +
                      QuotedList(note.lostEntries) + ".";
        }
        Report({ProblemKind::ListingEnded, note.path, std::nullopt, std::nullopt, std::nullopt,
                std::move(message)});
    }

    void CheckEntry(std::size_t node) {
        const auto& entry = m_tree.Nodes()[node].entryIndex;
        if (!entry || m_record.branchPaths.contains(node)) return;
        const std::string& path = m_catalogue.PagePaths[static_cast<std::size_t>(*entry)];
        m_name.clear();
        DecodeEntryName(NameOf(path), m_systemCodePage, m_name);
        if (!IsPageKind(ExtensionIndex(m_tables.ViewableExtensions, m_name))) return;
        CheckTitle(node, path);
        m_pages.Check(path, m_sink);
    }

    // Only a page captioned by its file name can have a title too short.
    void CheckTitle(std::size_t node, const std::string& path) {
        const std::u16string_view caption = m_tree.Nodes()[node].caption;
        if (caption != WithoutExtension(m_name)) return;
        std::u16string title;
        std::string page;
        try {
            title = m_titles.Read(path);
            if (!m_titles.LastPageHadTitle() || !TitleTooShort(title)) return;
            InputFile file(path);
            char chunk[65536];
            while (page.size() < PageCheck::MaximumPageBytes) {
                const std::size_t count = file.Read(chunk, sizeof chunk);
                if (count == 0) break;
                page.append(chunk, count);
            }
        } catch (const std::runtime_error&) {
            return;  // gone or unreadable since the scan read it
        }
        Report({ProblemKind::ShortTitle, path, TitleLine(page, m_systemCodePage), std::nullopt,
                std::nullopt, ShortTitleMessage(title, caption)});
    }

    const std::string m_folder;
    const std::string m_prefix;
    const CodePage& m_systemCodePage;
    const ExtensionTables m_tables = MakeExtensionTables();
    MemoryTree m_tree;
    WindowlessHost m_host;
    Catalogue m_catalogue;
    ScanRecord m_record;
    LinkCheck m_links;
    PageCheck m_pages;
    PageTitleReader m_titles;
    const ProblemSink& m_sink;
    std::u16string m_name;
    std::unordered_set<std::string_view> m_branchPathSet;  // made at the first listing that ended
};

}  // namespace

CourseCheck::CourseCheck(const CodePage& systemCodePage) : m_systemCodePage(systemCodePage) {}

std::uint64_t CourseCheck::Run(const std::string& folder, const ProblemSink& sink) {
    std::uint64_t count = 0;
    const ProblemSink counting = [&](const Problem& problem) {
        ++count;
        sink(problem);
    };
    Checker(folder, m_systemCodePage, m_usePageFilter, counting).Run();
    return count;
}

}  // namespace courseview
