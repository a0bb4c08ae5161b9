#include "ReadAhead.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <array>
#include <exception>

#include "FolderScan.h"
#include "Utf.h"

namespace courseview {

namespace {

// A head this long decides nearly every page; the system is asked for a
// longer one, which it reads in the background, for titles further down.
constexpr std::size_t HeadBytes = 4096;
constexpr off_t AdvisedBytes = 65536;

}  // namespace

ReadAhead::ReadAhead(const ExtensionTables& tables, Limits limits)
    : m_tables(tables), m_limits(limits) {}

ReadAhead::~ReadAhead() { Stop(); }

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
    m_walkPath.clear();
    m_walkListed.clear();
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

// Mirrors Catalogue::ScanFolder: the same listing, the same decisions, in the
// same order, with nothing added to any tree. A folder's entries are read at
// once and the folder closed before any of them is looked at: however deep
// the walk goes, it holds one folder open at a time, and the scan's own
// listings, one open per level, never run short of descriptors because of it.
void ReadAhead::WalkFolder(const std::string& folderPath, int depth) {
    if (depth > DeepestFolder || m_stop.load()) return;
    std::string folder = folderPath;
    if (folder.empty() || folder.back() != '/') folder.push_back('/');
    struct Listed {
        FolderEntry entry;
        std::string fullPath;
    };
    std::vector<Listed> entries;
    FolderIdentity identity;
    try {
        FolderListing listing(folderPath);
        identity = listing.Identity();
        Listed next;
        while (listing.Next(next.entry, next.fullPath, folder)) entries.push_back(next);
    } catch (const std::exception&) {
        // The scan meets the same error and decides what it costs; the
        // walker goes on with what it could list.
        if (entries.empty()) return;
    }
    m_walkPath.push_back(identity);
    m_walkListed.emplace(identity.device, identity.inode);
    // The subfolders are read now, in parallel, while the walker goes on
    // with this folder's pages and the first subfolders' contents.
    if (!m_paused.load()) {
        std::lock_guard lock(m_mutex);
        for (const Listed& listed : entries) {
            if (!listed.entry.isFolder || listed.entry.isLink) continue;
            m_name.clear();
            DecodeUtf8Prefix(listed.entry.name, true, m_name);
            if (IsTreeFolder(true, m_name, m_tables)) m_tasks.push_back({listed.fullPath, true});
        }
        if (m_idleReaders > 0) m_work.notify_all();
    }
    for (const Listed& listed : entries) {
        if (m_stop.load()) break;
        m_name.clear();
        DecodeUtf8Prefix(listed.entry.name, true, m_name);
        if (IsTreeFolder(listed.entry.isFolder, m_name, m_tables)) {
            FolderIdentity target;
            if (listed.entry.isLink && IdentifyFolder(listed.fullPath, target)) {
                bool onPath = false;
                for (const auto& folderOnPath : m_walkPath)
                    onPath = onPath || folderOnPath == target;
                if (onPath || m_walkListed.contains({target.device, target.inode})) continue;
            }
            WalkFolder(listed.fullPath, depth + 1);
        } else if (IsPageKind(ExtensionIndex(m_tables.ViewableExtensions, m_name)) &&
                   !SameTextAscii(m_name, WrapperPageName)) {
            if (!QueuePage(listed.fullPath)) break;
        }
    }
    m_walkPath.pop_back();
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
    DIR* folder = ::opendir(path.c_str());
    if (folder == nullptr) return;
    while (::readdir(folder) != nullptr) {
    }
    ::closedir(folder);
    ++m_folders;
}

// Opened as the scan opens pages, and read only when it is a plain file: a
// FIFO or a device named like a page is left alone.
void ReadAhead::ReadHead(const std::string& path) {
    std::array<char, HeadBytes> head;
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return;
    struct stat status {};
    if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode)) {
        // A page in memory costs the scan nothing: only count it.
        iovec part{head.data(), head.size()};
        const bool inMemory = ::preadv2(descriptor, &part, 1, 0, RWF_NOWAIT) >= 0;
        if (inMemory) {
            if (++m_warmInARow >= m_limits.warmPagesBeforePause) m_paused = true;
        } else {
            m_warmInARow = 0;
            ++m_cold;
            ::posix_fadvise(descriptor, 0, AdvisedBytes, POSIX_FADV_WILLNEED);
            ::pread(descriptor, head.data(), head.size(), 0);
        }
        ++m_read;
    }
    ::close(descriptor);
}

}  // namespace courseview
