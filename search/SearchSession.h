#pragma once
// The search as the student drives it from the window's search field, apart
// from the window: when typing starts a search, which results belong to the
// search shown, when the results page may take the ones that came in, and
// which result Enter opens next. Times are handed in, so these rules are
// tested without waiting.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Searcher.h"

namespace courseview {

class SearchSession {
public:
    using Clock = std::chrono::steady_clock;
    // Typing starts a search once it has paused this long.
    static constexpr std::chrono::milliseconds TypingPause{300};
    // The results page takes what came in at most this often: a search that
    // finds a result every millisecond does not redraw the page as often.
    static constexpr std::chrono::milliseconds PageUpdateInterval{150};

    // The field holds `text` since `now`: its search is due once the typing
    // has paused. The search running, if any, is cancelled by the caller at
    // once; its results so far stay.
    void Typed(std::u16string_view text, Clock::time_point now);
    // Enter: the search typed for is due now, without waiting for the pause.
    void Hurry();
    // Escape: what was typed is not searched for after all.
    void DropTyped() { m_typed.reset(); }

    struct Due {
        std::uint64_t generation;  // the results of this search must carry it
        std::u16string query;      // "" for a query without words: it shows nothing
    };
    // The search due at `now`, if any, made the current one: the results so
    // far are forgotten, and only results of its generation count from now on.
    std::optional<Due> TakeDueSearch(Clock::time_point now);

    // A result, or the end, of the search of `generation`; those of another
    // search are dropped.
    void Add(std::uint64_t generation, SearchResult result);
    void End(std::uint64_t generation);

    // The results page of the current search was loaded, showing no result
    // yet (true), or the browser went to another page (false).
    void PageShown(bool shown);

    struct PageUpdate {
        std::size_t first = 0;  // Results() [first, end) are new to the page
        std::size_t end = 0;
        bool ended = false;  // the search has ended: the page may say how it went
    };
    // What the page shown has not shown yet, when it may take it at `now`.
    std::optional<PageUpdate> TakePageUpdate(Clock::time_point now);

    // When a search or a page update falls due; nothing when nothing waits.
    std::optional<Clock::time_point> NextDeadline() const;

    // Enter: the result to open next, the first again after the last. Without
    // results while a search is due or running, the first one is opened as
    // soon as it comes (TakeResultToOpen).
    std::optional<std::size_t> NextResult();
    // After Add: the result Enter asked for before it came, once.
    std::optional<std::size_t> TakeResultToOpen();
    // A result opened by a click: Enter goes on after it.
    void Opened(std::size_t index) { m_opened = index; }

    // The catalogue is rebuilt: entry indices change, so the results no
    // longer apply and nothing is due.
    void Forget();

    // What the engine's find marks in a result's page: the query's first
    // word as it was typed (the engine's find takes one).
    std::u16string WordToMark() const;

    std::uint64_t Generation() const { return m_generation; }
    const std::u16string& Query() const { return m_query; }
    const std::vector<SearchResult>& Results() const { return m_results; }
    bool Running() const { return m_running; }

private:
    // The page shown has results, or the end, it has not shown yet.
    bool PageWaits() const;

    // Typed, not yet searched for.
    std::optional<std::u16string> m_typed;
    Clock::time_point m_dueAt{};

    std::uint64_t m_generation = 0;
    std::u16string m_query;
    std::vector<SearchResult> m_results;
    bool m_running = false;
    bool m_ended = false;

    bool m_pageShown = false;
    std::size_t m_shownInPage = 0;
    bool m_endShownInPage = false;
    std::optional<Clock::time_point> m_lastPageUpdate;

    std::optional<std::size_t> m_opened;
    bool m_openOnArrival = false;
};

}  // namespace courseview
