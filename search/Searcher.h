#pragma once
// The search: a query looked for in a catalogue's captions and pages' text on
// worker threads, the results handed on as they are found.
//
// Results come in this order: the entries whose caption holds every query
// word, then the pages whose text does and whose caption did not, each group
// in catalogue order. An entry found by its caption that is a page also gets
// the hits of its text (of any query word) and their line.
//
// Starting a search cancels the one running: from the moment Start() or
// Cancel() returns, no handler of the old search runs again, and its workers
// drop their page within one chunk of it. Handlers run on a worker thread,
// one at a time, and may start or cancel a search themselves; they must not
// Wait() or destroy the Searcher.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CodePage.h"
#include "QueryMatcher.h"
#include "ResultLine.h"
#include "SearchCatalogue.h"

namespace courseview {

struct SearchResult {
    std::int32_t entry = -1;  // index into the catalogue's paths
    bool foundByCaption = false;
    std::u16string caption;
    std::vector<TextRange> captionHits;
    std::vector<std::u16string> folderPath;  // the branches above it, the top one first
    std::uint64_t hits = 0;                  // in the page's text
    MarkedLine line;                         // around the first of them
};

struct SearchSummary {
    std::uint64_t results = 0;
    std::uint64_t pagesSearched = 0;
    std::uint64_t pagesReadInFull = 0;  // let through by the filter
    std::uint64_t pagesUnreadable = 0;  // gone, unreadable or undecodable: no text hits
};

class Searcher {
public:
    using ResultHandler = std::function<void(SearchResult)>;
    using EndHandler = std::function<void(const SearchSummary&)>;

    // `threads` 0: as many as the machine has cores, at most 4.
    explicit Searcher(unsigned threads = 0, const CodePage& systemCodePage = SystemCodePage());
    ~Searcher();  // cancels the running search
    Searcher(const Searcher&) = delete;
    Searcher& operator=(const Searcher&) = delete;

    // Cancels the running search and starts looking for `query` in
    // `catalogue`, which must stay alive and unchanged until this search has
    // ended, or, once it is cancelled, until the Searcher is destroyed: a
    // cancelled worker still finishes the entry it holds. `onEnd` runs once,
    // after the last result, unless the search is cancelled. A query without
    // words finds nothing.
    void Start(const SearchCatalogue& catalogue, std::u16string_view query, ResultHandler onResult,
               EndHandler onEnd = {});
    // The same over a catalogue the search keeps alive for as long as any of
    // its workers may still read it, cancelled or not: the window's, which a
    // rebuild may replace while a cancelled worker still holds a page.
    void Start(std::shared_ptr<const SearchCatalogue> catalogue, std::u16string_view query,
               ResultHandler onResult, EndHandler onEnd = {});

    void Cancel();

    // Returns once the search started last has ended or been cancelled.
    void Wait();

    std::size_t Threads() const { return m_threads.size(); }

private:
    struct Job;
    void Begin(std::shared_ptr<Job> job);
    void Work(std::size_t worker);
    void Run(Job& job, std::size_t worker);
    void Deliver(Job& job);

    const CodePage& m_systemCodePage;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_ended;
    std::shared_ptr<Job> m_job;
    std::uint64_t m_generation = 0;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

}  // namespace courseview
