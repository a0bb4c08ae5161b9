#include "WindowSearch.h"

#include <algorithm>

#include "CourseAddress.h"
#include "CourseBrowser.h"
#include "MainForm.h"
#include "ResultsPage.h"
#include "SearchField.h"
#include "Utf.h"

namespace courseview {

namespace {

std::u16string TextOf(const wxString& text) { return Utf8ToUtf16(text.utf8_string()); }

}  // namespace

WindowSearch::WindowSearch(TForm1& form) : m_form(form), m_timer(this) {
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Pump(); });
    m_form.SearchBox->Bind(wxEVT_TEXT, &WindowSearch::OnText, this);
    m_form.SearchBox->Bind(wxEVT_TEXT_ENTER, &WindowSearch::OnEnter, this);
    m_form.WB->Bind(EVT_BROWSER_NAVIGATING, &WindowSearch::OnNavigating, this);
    m_form.WB->Bind(EVT_BROWSER_LOADED, &WindowSearch::OnLoaded, this);
    m_form.WB->Bind(EVT_BROWSER_RESULT_CHOSEN, &WindowSearch::OnResultChosen, this);
}

WindowSearch::~WindowSearch() {
    m_searcher.Cancel();
    m_timer.Stop();
}

void WindowSearch::ShowField() {
    m_form.SearchBox->Show();
    m_form.SearchBox->SetFocus();
    m_form.SearchBox->SelectAll();
}

bool WindowSearch::HideField() {
    if (!m_form.SearchBox->IsShown()) return false;
    const bool hadFocus = m_form.SearchBox->HasFocus();
    m_form.SearchBox->Hide();
    m_session.DropTyped();
    Pump();
    if (hadFocus) m_form.WB->SetFocus();
    return true;
}

bool WindowSearch::StepThroughPage(bool backwards) {
    return m_form.WB->FindNextInPage(backwards) || MarkQueryWord();
}

bool WindowSearch::MarkQueryWord() {
    const std::u16string word = m_session.WordToMark();
    if (word.empty()) return false;
    m_form.WB->FindInPage(Utf16ToUtf8(word));
    return true;
}

void WindowSearch::Forget() {
    m_searcher.Cancel();
    m_session.Forget();
    Pump();
}

void WindowSearch::OnText(wxCommandEvent&) {
    // At once: a search for what is no longer typed only holds up the next.
    m_searcher.Cancel();
    m_session.Typed(TextOf(m_form.SearchBox->GetValue()), SearchSession::Clock::now());
    Pump();
}

void WindowSearch::OnEnter(wxCommandEvent&) {
    m_session.Hurry();
    Pump();
    if (const auto index = m_session.NextResult()) Open(*index);
}

void WindowSearch::OnNavigating(wxCommandEvent& event) {
    const std::string uri = event.GetString().utf8_string();
    if (uri != ResultsPageUri(m_session.Generation())) m_session.PageShown(false);
    m_markOnLoad = m_markNextOwnLoad ? uri : std::string();
    m_markNextOwnLoad = false;
    event.Skip();
}

void WindowSearch::OnLoaded(wxCommandEvent& event) {
    event.Skip();
    const std::string uri = event.GetString().utf8_string();
    if (uri == ResultsPageUri(m_session.Generation())) {
        m_session.PageShown(true);
        Pump();
    } else if (!uri.empty() && uri == m_markOnLoad) {
        m_markOnLoad.clear();
        MarkQueryWord();
    }
}

void WindowSearch::OnResultChosen(wxCommandEvent& event) {
    const std::optional<SearchAddress> link = ParseSearchUri(event.GetString().utf8_string());
    if (!link || !link->entry || link->generation != m_session.Generation()) return;
    const std::vector<SearchResult>& results = m_session.Results();
    const auto chosen = std::find_if(results.begin(), results.end(), [&](const SearchResult& r) {
        return r.entry == *link->entry;
    });
    if (chosen != results.end()) Open(static_cast<std::size_t>(chosen - results.begin()));
}

// Starts what has fallen due, gives the page what it has not shown, and
// comes back when the next thing falls due.
void WindowSearch::Pump() {
    const auto now = SearchSession::Clock::now();
    if (const auto due = m_session.TakeDueSearch(now)) Start(*due);
    if (const auto update = m_session.TakePageUpdate(now)) {
        const auto ignore = [](std::optional<std::string>) {};
        if (update->end > update->first) {
            m_form.WB->RunScript(
                AddResultsScript(ResultsFragment(m_session.Results(), update->first, update->end,
                                                 m_session.Generation())),
                ignore);
        }
        if (update->ended)
            m_form.WB->RunScript(SearchEndedScript(m_session.Results().size()), ignore);
    }
    if (const auto next = m_session.NextDeadline()) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - now).count();
        m_timer.StartOnce(static_cast<int>(std::clamp<long long>(wait, 1, 1000)));
    } else {
        m_timer.Stop();
    }
}

void WindowSearch::Start(const SearchSession::Due& due) {
    m_searcher.Cancel();
    {
        std::lock_guard lock(m_inbox.mutex);
        m_inbox.results.clear();
        m_inbox.ended.clear();
    }
    if (due.query.empty()) {
        RestorePageBeforeResults();
        return;
    }
    if (!ShowingResultsPage()) m_pageBeforeResults = m_form.WB->CurrentUri();
    m_form.WB->ShowResultsPage(ResultsPageUri(due.generation), ResultsPageHtml(due.query));
    const std::shared_ptr<const SearchCatalogue> catalogue = m_form.CatalogueForSearch();
    if (!catalogue) {
        m_session.End(due.generation);
        return;
    }
    const std::uint64_t generation = due.generation;
    m_searcher.Start(
        catalogue, due.query,
        [this, generation](SearchResult result) { Deliver(generation, &result); },
        [this, generation](const SearchSummary&) { Deliver(generation, nullptr); });
}

// On a worker thread: the GUI thread is told once for however many come
// before it looks.
void WindowSearch::Deliver(std::uint64_t generation, SearchResult* result) {
    std::lock_guard lock(m_inbox.mutex);
    if (result != nullptr) {
        m_inbox.results.emplace_back(generation, std::move(*result));
    } else {
        m_inbox.ended.push_back(generation);
    }
    if (m_inbox.posted) return;
    m_inbox.posted = true;
    CallAfter(&WindowSearch::TakeInbox);
}

void WindowSearch::TakeInbox() {
    std::vector<std::pair<std::uint64_t, SearchResult>> results;
    std::vector<std::uint64_t> ended;
    {
        std::lock_guard lock(m_inbox.mutex);
        results.swap(m_inbox.results);
        ended.swap(m_inbox.ended);
        m_inbox.posted = false;
    }
    for (auto& [generation, result] : results) m_session.Add(generation, std::move(result));
    for (const std::uint64_t generation : ended) m_session.End(generation);
    if (const auto index = m_session.TakeResultToOpen()) Open(*index);
    Pump();
}

void WindowSearch::Open(std::size_t index) {
    const SearchResult& result = m_session.Results()[index];
    m_session.Opened(index);
    // The page's own load ends with its hits marked; a picture or clip has none.
    m_markNextOwnLoad = result.hits > 0;
    m_form.OpenEntry(result.entry);
    m_markNextOwnLoad = false;
}

void WindowSearch::RestorePageBeforeResults() {
    if (!ShowingResultsPage()) return;
    if (m_pageBeforeResults.empty()) {
        m_form.ShowHtml(u"");
    } else {
        m_form.WB->Reopen(m_pageBeforeResults);
    }
}

bool WindowSearch::ShowingResultsPage() const {
    const std::optional<SearchAddress> shown = ParseSearchUri(m_form.WB->CurrentUri());
    return shown && !shown->entry;
}

}  // namespace courseview
