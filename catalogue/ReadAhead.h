#pragma once
// Reads the heads of the pages a scan is about to read, several at a time, so
// that a disc's or a USB stick's latency is paid in parallel rather than page
// after page. It only fills the system's page cache: the scan still opens and
// reads every page itself, in its own order, so what it finds and which
// errors end which folders cannot change.
//
// A walker thread lists the folders as the scan will (the same listing, the
// same entry kinds, the same links left alone) and hands every page to a
// few reader threads, never more than a fixed number of pages ahead of the
// scan; the subfolders of each folder it lists go to the readers too, so
// that the walker finds them in memory when it comes to them. A reader first asks for the head
// without waiting for the disk; when a long run of pages all turn out to be in memory already, the
// walker pauses until the scan meets cold pages again.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CodePage.h"
#include "FolderListing.h"
#include "FolderVisits.h"
#include "NameMatching.h"

namespace courseview {

class ReadAhead {
public:
    // When pages' heads are read ahead of the scan. By default once pages keep
    // coming from the disk (8 of the last 64 asked; after a long run in
    // memory one page in four is asked, until one comes from the disk): a
    // package in the page cache gains nothing from it, and a page the system
    // dropped from memory now and then is no reason to start.
    enum class Mode { Off, WhenPagesAreCold, Always };

    struct Limits {
        std::size_t readers = 8;                   // pages read at once
        std::uint64_t pagesAhead = 192;            // how far the walker may run ahead of the scan
        std::uint64_t warmPagesBeforePause = 128;  // pages in memory in a row that pause the walk
        // Hears every page the walker hands out, on the walker's thread: for tests.
        std::function<void(const std::string& page)> onQueued;
    };

    // Deeper than this the walk leaves the rest to the scan: nothing real is
    // nested so deep, and there the scan's own listings, one open per level,
    // may need every descriptor the system grants.
    static constexpr int DeepestFolder = 256;

    // Names that are not UTF-8 are read in `systemCodePage`, as the scan reads them.
    ReadAhead(const ExtensionTables& tables, const CodePage& systemCodePage, Limits limits);
    ReadAhead(const ExtensionTables& tables, const CodePage& systemCodePage)
        : ReadAhead(tables, systemCodePage, Limits{}) {}
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    void SetMode(Mode mode) { m_mode = mode; }

    // What a scan tells the read-ahead, which decides from it when to walk.
    // A scan of `root` begins.
    void ScanBegins(const std::string& root);
    // The scan lists a folder `depth` levels below its root.
    void ScanEnters(int depth);
    // The scan comes to its next page. True when it is to tell PageRead()
    // whether the page's first bytes had to come from the disk.
    bool PageComing();
    // The scan has read the page it came to, in a folder `depth` levels down.
    void PageRead(bool cameFromDisk, int depth);
    // The scan has ended: the walk ends with it.
    void ScanEnds() { Stop(); }

    // Starts walking `folder` from its beginning; its first `pagesTaken` pages
    // have been read by the scan already and are only counted. Stops a walk
    // that was running.
    void Start(const std::string& folder, std::uint64_t pagesTaken);

    // Tells a running walker that the scan has come to its next page: one
    // atomic step, and a wake-up only when the walker waits for this very page.
    void PageTaken() {
        const std::uint64_t taken = m_taken.fetch_add(1) + 1;
        if (taken >= m_wakeAt.load()) {
            std::lock_guard lock(m_mutex);
            m_progress.notify_all();
        }
    }

    // The scan meets pages from the disk again: a paused walk goes on.
    void Resume();

    // Ends the walk and waits for the threads. Called by the destructor too.
    void Stop();

    bool Running() const { return m_walker.joinable(); }
    // False once the walker has listed everything it will.
    bool Walking() const { return m_walking.load(); }
    // The readers found only pages in memory for a while.
    bool Paused() const { return m_paused.load(); }

    // What the walk did so far: for tests and the benchmark.
    std::uint64_t PagesListed() const { return m_listed.load(); }  // pages the walker came to
    std::uint64_t PagesRead() const { return m_read.load(); }      // heads the readers read
    std::uint64_t PagesFromDisk() const { return m_cold.load(); }  // of those, not in memory
    std::uint64_t FoldersRead() const { return m_folders.load(); }
    std::uint64_t LargestLead() const { return m_largestLead.load(); }

private:
    void Walk(std::string folder);
    void WalkFolder(const std::string& folderPath, int depth);
    bool QueuePage(const std::string& path);
    void ReadPages();
    void ReadHead(const std::string& path);
    void ReadFolder(const std::string& path);

    const ExtensionTables& m_tables;
    const CodePage& m_codePage;
    const Limits m_limits;

    // The scan's side, on the scan's thread.
    Mode m_mode = Mode::WhenPagesAreCold;
    std::string m_scanRoot;
    std::uint64_t m_pagesComing = 0;   // pages the scan has come to
    std::uint64_t m_coldPageBits = 0;  // the last 64 pages watched, 1 for each from the disk
    bool m_watching = false;           // the page coming is watched
    std::uint32_t m_warmWatched = 0;   // pages watched since the last from the disk

    std::mutex m_mutex;
    std::condition_variable m_progress;  // the scan took a page, the walk resumes or stops
    std::condition_variable m_work;      // a page waits for a reader, or the walk stops
    struct Task {
        std::string path;
        bool folder = false;
    };
    std::deque<Task> m_tasks;       // guarded by m_mutex
    std::size_t m_idleReaders = 0;  // guarded by m_mutex
    bool m_stopping = false;        // guarded by m_mutex

    static constexpr std::uint64_t NoWaiter = ~std::uint64_t{0};
    std::atomic<std::uint64_t> m_taken{0};
    std::atomic<std::uint64_t> m_wakeAt{NoWaiter};  // the scan's page count the walker waits for
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_walking{false};
    std::atomic<bool> m_paused{false};
    std::atomic<std::uint64_t> m_warmInARow{0};
    std::atomic<std::uint64_t> m_listed{0};
    std::atomic<std::uint64_t> m_read{0};
    std::atomic<std::uint64_t> m_cold{0};
    std::atomic<std::uint64_t> m_folders{0};
    std::atomic<std::uint64_t> m_largestLead{0};

    // The walker's own.
    FolderVisits m_walkVisits;
    std::u16string m_name;

    std::thread m_walker;
    std::vector<std::thread> m_readers;
};

}  // namespace courseview
