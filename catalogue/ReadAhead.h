#pragma once
// Reads the heads of the pages a scan is about to read, several at a time, so
// that a disc's or a USB stick's latency is paid in parallel rather than page
// after page. It only fills the system's page cache: the scan still opens and
// reads every page itself, in its own order, so what it finds and which
// errors end which folders cannot change.
//
// A walker thread lists the folders as the scan will (the same listing order,
// the same naming rules, the same links left alone) and hands every page to a
// few reader threads, never more than a fixed number of pages ahead of the
// scan.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "FolderListing.h"
#include "NameMatching.h"

namespace courseview {

class ReadAhead {
public:
    struct Limits {
        std::size_t readers = 6;         // pages read at once
        std::uint64_t pagesAhead = 192;  // how far the walker may run ahead of the scan
        // Hears every page the walker hands out, on the walker's thread: for tests.
        std::function<void(const std::string& page)> onQueued;
    };

    explicit ReadAhead(const ExtensionTables& tables, Limits limits);
    explicit ReadAhead(const ExtensionTables& tables) : ReadAhead(tables, Limits{}) {}
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Starts walking `folder` from its beginning; its first `pagesTaken` pages
    // have been read by the scan already and are only counted. Stops a walk
    // that was running.
    void Start(const std::string& folder, std::uint64_t pagesTaken);

    // Tells the walker that the scan has come to its next page: one atomic
    // step, and a wake-up only when the walker waits for this very page.
    void PageTaken() {
        const std::uint64_t taken = m_taken.fetch_add(1) + 1;
        if (taken >= m_wakeAt.load()) {
            std::lock_guard lock(m_mutex);
            m_progress.notify_all();
        }
    }

    // Ends the walk and waits for the threads. Called by the destructor too.
    void Stop();

    bool Running() const { return m_walker.joinable(); }
    // False once the walker has listed everything it will.
    bool Walking() const { return m_walking.load(); }

    // What the walk did so far: for tests and the benchmark.
    std::uint64_t PagesQueued() const { return m_queued.load(); }
    std::uint64_t PagesRead() const { return m_read.load(); }
    std::uint64_t LargestLead() const { return m_largestLead.load(); }

private:
    void Walk(std::string folder);
    void WalkFolder(const std::string& folderPath, int depth);
    bool QueuePage(const std::string& path);
    void ReadPages();

    const ExtensionTables& m_tables;
    const Limits m_limits;

    std::mutex m_mutex;
    std::condition_variable m_progress;  // the scan took a page, or the walk stops
    std::condition_variable m_work;      // a page waits for a reader, or the walk stops
    std::deque<std::string> m_pages;     // guarded by m_mutex
    bool m_stopping = false;             // guarded by m_mutex

    static constexpr std::uint64_t NoWaiter = ~std::uint64_t{0};
    std::atomic<std::uint64_t> m_taken{0};
    std::atomic<std::uint64_t> m_wakeAt{NoWaiter};  // the scan's page count the walker waits for
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_walking{false};
    std::atomic<std::uint64_t> m_queued{0};
    std::atomic<std::uint64_t> m_read{0};
    std::atomic<std::uint64_t> m_largestLead{0};
    std::uint64_t m_skipped = 0;  // pages the scan had read before the walk began

    // The walker's own: the folders on its path and those it has listed.
    std::vector<FolderIdentity> m_walkPath;
    std::set<std::pair<std::uint64_t, std::uint64_t>> m_walkListed;
    std::u16string m_name;

    std::thread m_walker;
    std::vector<std::thread> m_readers;
};

}  // namespace courseview
