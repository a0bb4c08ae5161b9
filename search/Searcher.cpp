#include "Searcher.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <optional>

#include "PageSearch.h"

namespace courseview {

namespace {
constexpr std::size_t NotWorking = SIZE_MAX;
}

struct Searcher::Job {
    Job(const SearchCatalogue& catalogue, std::u16string_view text, ResultHandler onResult,
        EndHandler onEnd, std::size_t workers)
        : catalogue(catalogue),
          query(text),
          onResult(std::move(onResult)),
          onEnd(std::move(onEnd)),
          working(workers, NotWorking),
          workersLeft(workers) {}

    const SearchCatalogue& catalogue;
    std::shared_ptr<const SearchCatalogue> keptAlive;  // empty when the caller keeps it
    const Query query;
    const ResultHandler onResult;
    const EndHandler onEnd;
    std::atomic<bool> cancelled{false};

    // The work, made once by the first worker: the entries found by their
    // captions, then every other page.
    std::once_flag prepared;
    std::vector<std::int32_t> order;
    std::vector<bool> foundByCaption;  // by position in `order`

    // Guarded by `state`.
    std::mutex state;
    std::size_t next = 0;                         // the next position to take
    std::vector<std::size_t> working;             // each worker's position
    std::map<std::size_t, SearchResult> waiting;  // found, not yet handed on
    std::size_t workersLeft;
    SearchSummary summary;
    bool ended = false;  // every position done and handed on (also under Searcher::m_mutex)

    // Held while handlers run: Cancel() takes it to know that none runs after it.
    std::recursive_mutex delivery;
    bool silenced = false;
};

Searcher::Searcher(unsigned threads, const CodePage& systemCodePage)
    : m_systemCodePage(systemCodePage) {
    if (threads == 0) threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    for (unsigned i = 0; i < threads; ++i) m_threads.emplace_back([this, i] { Work(i); });
}

Searcher::~Searcher() {
    Cancel();
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (std::thread& thread : m_threads) thread.join();
}

void Searcher::Start(const SearchCatalogue& catalogue, std::u16string_view query,
                     ResultHandler onResult, EndHandler onEnd) {
    Cancel();
    Begin(std::make_shared<Job>(catalogue, query, std::move(onResult), std::move(onEnd),
                                m_threads.size()));
}

void Searcher::Start(std::shared_ptr<const SearchCatalogue> catalogue, std::u16string_view query,
                     ResultHandler onResult, EndHandler onEnd) {
    Cancel();
    auto job = std::make_shared<Job>(*catalogue, query, std::move(onResult), std::move(onEnd),
                                     m_threads.size());
    job->keptAlive = std::move(catalogue);
    Begin(std::move(job));
}

// Every worker holds the job while it runs it, and with it what it keeps alive.
void Searcher::Begin(std::shared_ptr<Job> job) {
    {
        std::lock_guard lock(m_mutex);
        m_job = std::move(job);
        ++m_generation;
    }
    m_wake.notify_all();
}

void Searcher::Cancel() {
    std::shared_ptr<Job> job;
    {
        std::lock_guard lock(m_mutex);
        job = m_job;
    }
    if (!job) return;
    job->cancelled = true;
    {
        std::lock_guard silence(job->delivery);
        job->silenced = true;
    }
    {
        // Wait() returns for a cancelled search; taking the lock makes sure
        // it is not between its look at the search and its sleep.
        std::lock_guard lock(m_mutex);
    }
    m_ended.notify_all();
}

void Searcher::Wait() {
    std::unique_lock lock(m_mutex);
    m_ended.wait(lock, [&] { return !m_job || m_job->ended || m_job->cancelled; });
}

void Searcher::Work(std::size_t worker) {
    std::uint64_t done = 0;
    for (;;) {
        std::shared_ptr<Job> job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [&] { return m_stopping || m_generation != done; });
            if (m_stopping) return;
            done = m_generation;
            job = m_job;
        }
        Run(*job, worker);
    }
}

void Searcher::Run(Job& job, std::size_t worker) {
    const SearchCatalogue& catalogue = job.catalogue;
    std::call_once(job.prepared, [&] {
        if (job.query.Empty()) return;
        const std::size_t entries = catalogue.EntryCount();
        std::vector<bool> byCaption(entries);
        for (std::size_t entry = 0; entry < entries; ++entry) {
            if (job.cancelled) return;
            if (CaptionMatches(job.query, catalogue.Caption(entry))) {
                byCaption[entry] = true;
                job.order.push_back(static_cast<std::int32_t>(entry));
            }
        }
        job.foundByCaption.assign(job.order.size(), true);
        for (std::size_t entry = 0; entry < entries; ++entry) {
            if (!byCaption[entry] && catalogue.IsPage(entry)) {
                job.order.push_back(static_cast<std::int32_t>(entry));
            }
        }
        job.foundByCaption.resize(job.order.size(), false);
    });

    PageSearch pages(job.query, m_systemCodePage);
    while (!job.cancelled) {
        std::size_t position = 0;
        {
            std::lock_guard lock(job.state);
            if (job.next >= job.order.size()) break;
            position = job.next++;
            job.working[worker] = position;
        }
        const auto entry = static_cast<std::size_t>(job.order[position]);
        const bool byCaption = job.foundByCaption[position];
        std::optional<SearchResult> result;
        PageHits hits;
        if (catalogue.IsPage(entry))
            hits = pages.Search(catalogue.Path(entry), byCaption, job.cancelled);
        if (byCaption || hits.holdsQuery) {
            result.emplace();
            result->entry = static_cast<std::int32_t>(entry);
            result->foundByCaption = byCaption;
            result->caption = catalogue.Caption(entry);
            if (byCaption) CaptionMatches(job.query, result->caption, &result->captionHits);
            result->folderPath = catalogue.FolderPath(entry);
            result->hits = hits.hits;
            result->line = std::move(hits.line);
        }
        {
            std::lock_guard lock(job.state);
            job.working[worker] = NotWorking;
            if (catalogue.IsPage(entry)) {
                ++job.summary.pagesSearched;
                if (!hits.read) ++job.summary.pagesUnreadable;
            }
            if (result) job.waiting.emplace(position, std::move(*result));
        }
        Deliver(job);
    }
    bool last = false;
    {
        std::lock_guard lock(job.state);
        job.working[worker] = NotWorking;
        last = --job.workersLeft == 0;
        job.summary.pagesReadInFull += pages.PagesReadInFull();
    }
    if (!last || job.cancelled) return;
    Deliver(job);
    {
        std::lock_guard delivery(job.delivery);
        if (!job.silenced && job.onEnd) job.onEnd(job.summary);
    }
    {
        std::lock_guard lock(m_mutex);
        job.ended = true;
    }
    m_ended.notify_all();
}

// Hands on, in order, every result before the first position still being
// searched.
void Searcher::Deliver(Job& job) {
    std::lock_guard delivery(job.delivery);
    std::vector<SearchResult> ready;
    {
        std::lock_guard lock(job.state);
        std::size_t firstOpen = job.next;
        for (std::size_t position : job.working) firstOpen = std::min(firstOpen, position);
        while (!job.waiting.empty() && job.waiting.begin()->first < firstOpen) {
            ready.push_back(std::move(job.waiting.begin()->second));
            job.waiting.erase(job.waiting.begin());
        }
        job.summary.results += ready.size();
    }
    for (SearchResult& result : ready) {
        // A page cut short by the cancellation may have given a partial result.
        if (job.silenced || job.cancelled) return;
        if (job.onResult) job.onResult(std::move(result));
    }
}

}  // namespace courseview
