#include "SearchSession.h"

#include <algorithm>

#include "QueryMatcher.h"
#include "Words.h"

namespace courseview {

void SearchSession::Typed(std::u16string_view text, Clock::time_point now) {
    m_typed = std::u16string(text);
    m_dueAt = now + TypingPause;
    m_running = false;
    // Enter asked for a result of what was typed before.
    m_openOnArrival = false;
}

void SearchSession::Hurry() {
    if (m_typed) m_dueAt = Clock::time_point::min();
}

std::optional<SearchSession::Due> SearchSession::TakeDueSearch(Clock::time_point now) {
    if (!m_typed || now < m_dueAt) return std::nullopt;
    ++m_generation;
    m_query = courseview::Query(*m_typed).Empty() ? std::u16string() : std::move(*m_typed);
    m_typed.reset();
    m_results.clear();
    m_running = !m_query.empty();
    m_ended = m_query.empty();
    m_pageShown = false;
    m_opened.reset();
    if (m_query.empty()) m_openOnArrival = false;
    return Due{m_generation, m_query};
}

void SearchSession::Add(std::uint64_t generation, SearchResult result) {
    if (generation != m_generation || !m_running) return;
    m_results.push_back(std::move(result));
}

void SearchSession::End(std::uint64_t generation) {
    if (generation != m_generation || !m_running) return;
    m_running = false;
    m_ended = true;
    if (m_results.empty()) m_openOnArrival = false;
}

void SearchSession::PageShown(bool shown) {
    m_pageShown = shown;
    m_shownInPage = 0;
    m_endShownInPage = false;
    m_lastPageUpdate.reset();
}

bool SearchSession::PageWaits() const {
    return m_pageShown && (m_results.size() > m_shownInPage || (m_ended && !m_endShownInPage));
}

std::optional<SearchSession::PageUpdate> SearchSession::TakePageUpdate(Clock::time_point now) {
    if (!PageWaits()) return std::nullopt;
    if (m_lastPageUpdate && now < *m_lastPageUpdate + PageUpdateInterval) return std::nullopt;
    PageUpdate update{m_shownInPage, m_results.size(), m_ended};
    m_shownInPage = m_results.size();
    m_endShownInPage = m_ended;
    m_lastPageUpdate = now;
    return update;
}

std::optional<SearchSession::Clock::time_point> SearchSession::NextDeadline() const {
    std::optional<Clock::time_point> deadline;
    if (m_typed) deadline = m_dueAt;
    if (PageWaits()) {
        const Clock::time_point update =
            m_lastPageUpdate ? *m_lastPageUpdate + PageUpdateInterval : Clock::time_point::min();
        deadline = deadline ? std::min(*deadline, update) : update;
    }
    return deadline;
}

std::optional<std::size_t> SearchSession::NextResult() {
    if (m_results.empty()) {
        m_openOnArrival = m_typed.has_value() || m_running;
        return std::nullopt;
    }
    m_opened = m_opened && *m_opened + 1 < m_results.size() ? *m_opened + 1 : 0;
    return m_opened;
}

std::optional<std::size_t> SearchSession::TakeResultToOpen() {
    if (!m_openOnArrival || m_results.empty()) return std::nullopt;
    m_openOnArrival = false;
    m_opened = 0;
    return m_opened;
}

std::u16string SearchSession::WordToMark() const {
    const std::vector<TextWord> words = WordsOf(m_query);
    return words.empty() ? std::u16string() : m_query.substr(words[0].begin, words[0].length);
}

void SearchSession::Forget() {
    ++m_generation;
    m_typed.reset();
    m_query.clear();
    m_results.clear();
    m_running = false;
    m_ended = false;
    m_pageShown = false;
    m_opened.reset();
    m_openOnArrival = false;
}

}  // namespace courseview
