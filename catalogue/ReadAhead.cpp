#include "ReadAhead.h"

#include <array>
#include <bit>
#include <exception>

#include "EntryKind.h"
#include "InputFile.h"
#include "Utf.h"

namespace courseview {

namespace {

// A head this long decides nearly every page; the system is asked for a
// longer one, which it reads in the background, for titles further down.
constexpr std::size_t HeadBytes = 4096;
constexpr std::size_t AdvisedBytes = 65536;
// Of the last 64 pages watched, this many from the disk start the walk.
constexpr int ColdPagesToReadAhead = 8;
// After this many pages watched in a row were in memory, one page in
// SampledPages is watched: asking costs a little on every page, and the
// first that comes from the disk makes every page watched again.
constexpr std::uint32_t WarmPagesBeforeSampling = 64;
constexpr std::uint64_t SampledPages = 4;

}  // namespace

ReadAhead::ReadAhead(const ExtensionTables& tables, const CodePage& systemCodePage, Limits limits)
    : m_tables(tables), m_codePage(systemCodePage), m_limits(std::move(limits)) {}

ReadAhead::~ReadAhead() { Stop(); }

void ReadAhead::ScanBegins(const std::string& root) {
    Stop();
    m_scanRoot = root;
    m_pagesComing = 0;
    m_coldPageBits = 0;
    m_warmWatched = 0;
    if (m_mode == Mode::Always) Start(root, 0);
}

void ReadAhead::ScanEnters(int depth) {
    // So deep, every descriptor may count: the walk's few must not decide
    // where the scan's own listings run out.
    if (depth == DeepestFolder) Stop();
}

bool ReadAhead::PageComing() {
    ++m_pagesComing;
    if (Running()) PageTaken();
    // Whether pages come from the disk matters while no walk runs, or while
    // it pauses because its pages were all in memory.
    const bool sampling = m_warmWatched >= WarmPagesBeforeSampling;
    m_watching = m_mode != Mode::Off && (!Running() || Paused()) &&
                 (!sampling || m_pagesComing % SampledPages == 0);
    return m_watching;
}

void ReadAhead::PageRead(bool cameFromDisk, int depth) {
    if (!m_watching) return;
    m_warmWatched = cameFromDisk ? 0 : m_warmWatched + 1;
    m_coldPageBits = m_coldPageBits << 1 | (cameFromDisk ? 1 : 0);
    if (std::popcount(m_coldPageBits) < ColdPagesToReadAhead) return;
    m_coldPageBits = 0;
    if (Running()) {
        Resume();
    } else if (depth <= DeepestFolder) {
        Start(m_scanRoot, m_pagesComing);
    }
}

void ReadAhead::Start(const std::string& folder, std::uint64_t pagesTaken) {
    Stop();
    m_taken = pagesTaken;
    m_listed = 0;
    m_read = 0;
    m_cold = 0;
    m_folders = 0;
    m_largestLead = 0;
    m_warmInARow = 0;
    m_wakeAt = NoWaiter;
    m_stop = false;
    m_paused = false;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = false;
        m_idleReaders = 0;
        m_tasks.clear();
    }
    m_walkVisits.Clear(folder);
    m_walking = true;
    m_walker = std::thread(&ReadAhead::Walk, this, folder);
    for (std::size_t i = 0; i < m_limits.readers; ++i)
        m_readers.emplace_back(&ReadAhead::ReadPages, this);
}

void ReadAhead::Resume() {
    m_warmInARow = 0;
    if (!m_paused.exchange(false)) return;
    std::lock_guard lock(m_mutex);
    m_progress.notify_all();
}

void ReadAhead::Stop() {
    if (!m_walker.joinable()) return;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_stop = true;
    }
    m_progress.notify_all();
    m_work.notify_all();
    m_walker.join();
    for (auto& reader : m_readers) reader.join();
    m_readers.clear();
    std::lock_guard lock(m_mutex);
    m_tasks.clear();
}

void ReadAhead::Walk(std::string folder) {
    WalkFolder(folder, 0);
    // Nothing more to hand out: the readers finish the queue and end.
    std::lock_guard lock(m_mutex);
    m_stopping = true;
    m_walking = false;
    m_work.notify_all();
}

// Goes where the scan goes, with nothing added to any tree. A folder's
// entries are read at once and the folder closed before any of them is looked
// at: however deep the walk goes, it holds one folder open at a time, and the
// scan's own listings, one open per level, never run short of descriptors
// because of it.
void ReadAhead::WalkFolder(const std::string& folderPath, int depth) {
    if (depth > DeepestFolder || m_stop.load()) return;
    std::string folder = folderPath;
    if (folder.empty() || folder.back() != '/') folder.push_back('/');
    struct Listed {
        FolderEntry entry;
        std::string fullPath;
        EntryKind kind = EntryKind::Dot;
    };
    std::vector<Listed> entries;
    FolderIdentity identity;
    try {
        FolderListing listing(folderPath);
        identity = listing.Identity();
        Listed next;
        while (listing.Next(next.entry, next.fullPath, folder)) {
            m_name.clear();
            DecodeEntryName(next.entry, m_codePage, m_name);
            next.kind = ClassifyEntry(next.entry.isFolder, m_name, m_tables);
            entries.push_back(next);
        }
    } catch (const std::exception&) {
        // The scan meets the same error and decides what it costs; the
        // walker goes on with what it could list.
        if (entries.empty()) return;
    }
    const FolderVisit visit(m_walkVisits, identity);
    // The subfolders are read now, in parallel, while the walker goes on
    // with this folder's pages and the first subfolders' contents.
    if (!m_paused.load()) {
        std::lock_guard lock(m_mutex);
        for (const Listed& listed : entries) {
            if (IsBranch(listed.kind) && !listed.entry.isLink)
                m_tasks.push_back({listed.fullPath, true});
        }
        if (m_idleReaders > 0) m_work.notify_all();
    }
    for (const Listed& listed : entries) {
        if (m_stop.load()) break;
        if (IsBranch(listed.kind)) {
            if (m_walkVisits.Judge(listed.entry, listed.fullPath) == FolderVisits::Verdict::Enter)
                WalkFolder(listed.fullPath, depth + 1);
        } else if (listed.kind == EntryKind::Page) {
            if (!QueuePage(listed.fullPath)) break;
        }
    }
}

// Waits until the scan is near enough and the walk is not paused, then hands
// the page to a reader. False when the walk is to stop.
bool ReadAhead::QueuePage(const std::string& path) {
    const std::uint64_t number = ++m_listed;
    // The scan has been here already: nothing to read ahead.
    if (number <= m_taken.load()) return true;
    std::unique_lock lock(m_mutex);
    // Once too far ahead, wait until the lead has halved, so the walker and
    // the scan do not wake each other page by page.
    const std::uint64_t half = m_limits.pagesAhead / 2;
    const bool tooFarAhead = number > m_taken.load() + m_limits.pagesAhead;
    for (;;) {
        if (m_stopping) break;
        if (m_paused.load()) {
            m_wakeAt.store(NoWaiter);  // only Resume() ends a pause
            m_progress.wait(lock);
            continue;
        }
        if (!tooFarAhead) break;
        m_wakeAt.store(number > half ? number - half : 0);
        if (m_taken.load() + half >= number) break;
        m_progress.wait(lock);
    }
    m_wakeAt.store(NoWaiter);
    if (m_stopping) return false;
    if (number <= m_taken.load()) return true;
    const std::uint64_t lead = number - m_taken.load();
    if (lead > m_largestLead.load()) m_largestLead.store(lead);
    m_tasks.push_back({path, false});
    // Only a reader that sleeps needs waking.
    if (m_idleReaders > 0) m_work.notify_one();
    lock.unlock();
    if (m_limits.onQueued) m_limits.onQueued(path);
    return true;
}

void ReadAhead::ReadPages() {
    Task task;
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            ++m_idleReaders;
            m_work.wait(lock, [&] { return m_stopping || !m_tasks.empty(); });
            --m_idleReaders;
            if (m_stop || m_tasks.empty()) return;
            task.path.swap(m_tasks.front().path);
            task.folder = m_tasks.front().folder;
            m_tasks.pop_front();
        }
        if (task.folder) {
            ReadFolder(task.path);
        } else {
            ReadHead(task.path);
        }
    }
}

// Lists a folder and forgets what it read: the walker lists it again soon,
// from memory.
void ReadAhead::ReadFolder(const std::string& path) {
    try {
        FolderListing listing(path);
        FolderEntry entry;
        std::string fullPath;
        const std::string folder = path + "/";
        while (listing.Next(entry, fullPath, folder)) {
        }
        ++m_folders;
    } catch (const std::exception&) {
        // Warming is all a reader does: the scan meets the error itself.
    }
}

// Opened as the scan opens pages, so a FIFO or a device named like a page is
// left alone.
void ReadAhead::ReadHead(const std::string& path) {
    std::array<char, HeadBytes> head;
    try {
        InputFile page;
        page.Open(path);
        std::size_t got = 0;
        // A page in memory costs the scan nothing: only count it.
        if (page.ReadIfCached(head.data(), head.size(), got)) {
            if (++m_warmInARow >= m_limits.warmPagesBeforePause) m_paused = true;
        } else {
            m_warmInARow = 0;
            ++m_cold;
            page.AdviseReading(AdvisedBytes);
            page.Read(head.data(), head.size());
        }
        ++m_read;
    } catch (const std::exception&) {
        // The scan meets the same error when it comes to the page.
    }
}

}  // namespace courseview
