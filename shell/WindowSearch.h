#pragma once
// The search in the window: the field on the skin's top bar, the searcher's
// results brought to the GUI thread and shown on the results page as they
// come, a result opened as a tree click opens it and its word marked by the
// engine's own find. The rules (when to search, what counts, what Enter
// opens) are SearchSession's; this only wires them to the window.

#include <wx/event.h>
#include <wx/timer.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "SearchSession.h"
#include "Searcher.h"

namespace courseview {

class TForm1;

class WindowSearch : public wxEvtHandler {
public:
    explicit WindowSearch(TForm1& form);
    ~WindowSearch() override;

    // Ctrl+F: shows the field, its text selected, with the focus.
    void ShowField();
    // Escape: hides the field and leaves the browser as it is; false when
    // the field was hidden.
    bool HideField();
    // F3, Shift+F3: the next or previous place the word is found in the page
    // shown; false when there is nothing to find.
    bool StepThroughPage(bool backwards);
    // The catalogue is about to be rebuilt: no result applies any longer.
    void Forget();

    const SearchSession& Session() const { return m_session; }

private:
    // What the searcher's workers hand over, until the GUI thread takes it.
    struct Inbox {
        std::mutex mutex;
        std::vector<std::pair<std::uint64_t, SearchResult>> results;
        std::vector<std::uint64_t> ended;
        bool posted = false;
    };

    void OnText(wxCommandEvent& event);
    void OnEnter(wxCommandEvent& event);
    void OnNavigating(wxCommandEvent& event);
    void OnLoaded(wxCommandEvent& event);
    void OnResultChosen(wxCommandEvent& event);
    void Pump();
    void Start(const SearchSession::Due& due);
    void Deliver(std::uint64_t generation, SearchResult* result);
    void TakeInbox();
    void Open(std::size_t index);
    // Marks the query's word in the page shown; false when it has none.
    bool MarkQueryWord();
    void RestorePageBeforeResults();
    bool ShowingResultsPage() const;

    TForm1& m_form;
    SearchSession m_session;
    wxTimer m_timer;
    std::string m_pageBeforeResults;  // the address shown before the results page; "" none
    bool m_markNextOwnLoad = false;
    std::string m_markOnLoad;  // the address whose load ends with the word marked
    Inbox m_inbox;
    Searcher m_searcher;  // last, so it goes first: no handler runs after that
};

}  // namespace courseview
