#pragma once
// The browser area: a WebKitGTK view of the viewer's own, hosted in the
// window, showing course files through the viewer's scheme on an ephemeral
// engine context, so nothing a page does outlives the window.

#include <wx/event.h>
#include <wx/nativewin.h>
#include <wx/timer.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

typedef struct _WebKitWebView WebKitWebView;
typedef struct _GCancellable GCancellable;

namespace courseview {

struct CourseSite;

// Sent by the browser as it starts one of the viewer's own navigations, and
// as any main-frame load ends, shown or failed; the event's string is the
// address.
wxDECLARE_EVENT(EVT_BROWSER_NAVIGATING, wxCommandEvent);
wxDECLARE_EVENT(EVT_BROWSER_LOADED, wxCommandEvent);
// Sent when a link on the results page shown is followed; the event's string
// is its address (ChosenResultUri). The browser itself goes nowhere.
wxDECLARE_EVENT(EVT_BROWSER_RESULT_CHOSEN, wxCommandEvent);

class CourseBrowser : public wxNativeWindow {
public:
    // Shows nothing yet. Pages the viewer serves without a charset are read in
    // `defaultCharset` (the system code page). `onRefusal` receives the message
    // of each of the viewer's own navigations that fails; what a page itself
    // does never reaches it.
    CourseBrowser(wxWindow* parent, const wxPoint& position, const wxSize& size,
                  const std::string& defaultCharset,
                  std::function<void(const std::string& message)> onRefusal);
    ~CourseBrowser() override;

    // The folder course addresses reach (ends in "/"): the one the catalogue
    // was built from.
    void SetCourseFolder(const std::string& folder);

    // Shows the file or folder at `path` (the viewer's own navigation). A web
    // process that stopped answering is ended first, so a page stuck in a loop
    // cannot keep the student from the next entry; one that stops answering
    // before the new page is shown (a page looping as it is left, a clip's
    // player caught as it is torn down) is ended then, and the page asked
    // for again of a fresh one.
    void Open(const std::filesystem::path& path);

    // Shows the wrapper page just written at `page`, which may lie outside the
    // course.
    void OpenWrapperPage(const std::filesystem::path& page);

    // Shows `page`, which the viewer made, at `uri` (ResultsPageUri), from memory.
    void ShowResultsPage(const std::string& uri, std::string page);

    // Shows `uri` again: a page it showed before.
    void Reopen(const std::string& uri);

    // The engine's own find in the page shown: marks every place where a word
    // begins with `text` (UTF-8), in any letter case, and selects the first.
    // Another navigation of the viewer's ends it.
    void FindInPage(const std::string& text);
    // Selects the next place found, or the one before, the first again after
    // the last. False when nothing is being found.
    bool FindNextInPage(bool backwards);
    // What the find looks for ("" none), and how many places it found; the
    // count is nothing until the engine has answered.
    const std::string& FindText() const { return m_findText; }
    std::optional<unsigned> FoundInPage() const { return m_found; }

    // The address the main frame shows or is loading.
    std::string CurrentUri() const;

    // Runs `script` in the page shown; `done` receives its value as text, or
    // nothing when the script failed or the page went away first. Never called
    // once the browser is gone.
    void RunScript(const std::string& script,
                   std::function<void(std::optional<std::string> value)> done);

    // Ends the engine's web process at once: a page cannot keep it running
    // after the window has closed.
    void EndWebProcess();

    WebKitWebView* View() const { return m_view; }

private:
    void LoadOwn(const std::string& uri);
    void StartOwnLoad(const std::string& uri);
    void RestartOwnLoad();
    void OnStallWatch(wxTimerEvent& event);
    void OnLoadChanged(int event);
    void OnLoadFailed(const std::string& uri, const std::string& message, bool refusal);
    void OnResponsivenessChanged();
    bool OnResultLink(const std::string& uri);
    void EndFind();
    void Send(const wxEventType& type, const std::string& uri);

    WebKitWebView* m_view = nullptr;
    std::shared_ptr<CourseSite> m_site;
    std::function<void(const std::string&)> m_onRefusal;
    GCancellable* m_scripts = nullptr;  // cancels the scripts still running when the browser goes
    // The viewer's own navigation, until it has finished or failed.
    struct OwnNavigation {
        std::string uri;
        bool committed = false;  // the page is shown, if not yet whole
        // The same address asked for again before its last load ended (the
        // wrapper page, rewritten for each picture): the engine may report
        // the load it replaces as failed, which is no refusal.
        bool replacesItsOwnLoad = false;
        bool restarted = false;  // asked for again of a fresh web process
    } m_own;
    // Whether the web process still answers while the viewer's own navigation
    // waits to be shown: the engine itself notices only a process that stops
    // answering what the viewer sends it, not one that stops afterwards.
    wxTimer m_stallWatch;
    unsigned m_stallProbe = 0;  // counts the probes, so an old answer counts for nothing
    bool m_probing = false;     // a probe is out and unanswered
    std::string m_failedUri;    // a main-frame load that failed, until its end is told
    std::string m_findText;
    std::optional<unsigned> m_found;
};

}  // namespace courseview
