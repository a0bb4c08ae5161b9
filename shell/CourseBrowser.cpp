#include "CourseBrowser.h"

#include <webkit2/webkit2.h>

#include "CourseAddress.h"
#include "CourseRequest.h"
#include "CourseScheme.h"
#include "PageConfinement.h"

namespace courseview {

wxDEFINE_EVENT(EVT_BROWSER_NAVIGATING, wxCommandEvent);
wxDEFINE_EVENT(EVT_BROWSER_LOADED, wxCommandEvent);
wxDEFINE_EVENT(EVT_BROWSER_RESULT_CHOSEN, wxCommandEvent);

namespace {

// How long the viewer's own navigation may wait to be shown before the web
// process is asked whether it still answers, and how long it has to answer.
// Our scheme answers at once, so a healthy process shows a page well within
// this even on a busy machine.
constexpr int StallCheckMs = 3000;
constexpr int ProbeAnswerMs = 3000;

// A course page may not make the viewer write files: a download it starts on
// its own, or one the engine would start for a file it cannot show, is dropped.
void CancelDownload(WebKitWebContext*, WebKitDownload* download, gpointer) {
    webkit_download_cancel(download);
}

// Windows took a "\" in a link for "/", and the course scheme does too; a page
// reached through such a link gets the address with "/" before its own links
// resolve, so they resolve from its folder as they did on Windows.
constexpr char BackslashAddressScript[] = R"(
if (location.protocol == 'course:' && location.href.indexOf('\\') >= 0)
  history.replaceState(history.state, '', location.href.replace(/\\/g, '/'));
)";

WebKitUserContentManager* NewContentManager() {
    WebKitUserContentManager* manager = webkit_user_content_manager_new();
    WebKitUserScript* script =
        webkit_user_script_new(BackslashAddressScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    webkit_user_content_manager_add_script(manager, script);
    webkit_user_script_unref(script);
    return manager;
}

// A view on a context of its own: ephemeral, so caches, storage, databases,
// service workers, HSTS and media keys stay in memory and end with it.
WebKitWebView* NewCourseView(std::shared_ptr<const CourseSite> site,
                             const std::string& defaultCharset) {
    WebKitWebContext* context = webkit_web_context_new_ephemeral();
    webkit_web_context_set_cache_model(context, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
    ServeCourseScheme(context, std::move(site));
    g_signal_connect(context, "download-started", G_CALLBACK(CancelDownload), nullptr);
    // A clip the student opened plays at once, sound and all.
    WebKitWebsitePolicies* policies =
        webkit_website_policies_new_with_policies("autoplay", WEBKIT_AUTOPLAY_ALLOW, nullptr);
    WebKitUserContentManager* content = NewContentManager();
    auto* view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context,
                                              "website-policies", policies, "user-content-manager",
                                              content, nullptr));
    g_object_unref(content);
    g_object_unref(policies);
    g_object_unref(context);  // the view keeps it
    ConfinePages(view);
    webkit_settings_set_default_charset(webkit_web_view_get_settings(view), defaultCharset.c_str());
    return view;
}

bool IsRefusal(const GError* error) {
    // A click before the previous load ended replaces that load.
    if (error->domain == WEBKIT_NETWORK_ERROR && error->code == WEBKIT_NETWORK_ERROR_CANCELLED)
        return false;
    // A media document the engine plays itself ends its page load this way.
    return !(error->domain == WEBKIT_PLUGIN_ERROR &&
             error->code == WEBKIT_PLUGIN_ERROR_WILL_HANDLE_LOAD);
}

struct PendingScript {
    std::function<void(std::optional<std::string>)> done;
};

void ScriptFinished(GObject* source, GAsyncResult* result, gpointer data) {
    const std::unique_ptr<PendingScript> pending(static_cast<PendingScript*>(data));
    GError* error = nullptr;
    JSCValue* value =
        webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
    if (value == nullptr) {
        // Cancelled: the browser is gone, and whoever asked with it.
        const bool cancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
        g_error_free(error);
        if (!cancelled) pending->done(std::nullopt);
        return;
    }
    char* text = jsc_value_to_string(value);
    std::optional<std::string> outcome;
    if (text != nullptr) outcome = text;
    g_free(text);
    g_object_unref(value);
    pending->done(std::move(outcome));
}

}  // namespace

CourseBrowser::CourseBrowser(wxWindow* parent, const wxPoint& position, const wxSize& size,
                             const std::string& defaultCharset,
                             std::function<void(const std::string&)> onRefusal)
    : m_site(std::make_shared<CourseSite>()),
      m_onRefusal(std::move(onRefusal)),
      m_scripts(g_cancellable_new()),
      m_stallWatch(this) {
    m_view = NewCourseView(m_site, defaultCharset);
    Bind(wxEVT_TIMER, &CourseBrowser::OnStallWatch, this, m_stallWatch.GetId());
    Create(parent, wxID_ANY, GTK_WIDGET(m_view));
    SetSize(wxRect(position, size));
    g_signal_connect(m_view, "load-changed",
                     G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer self) {
                         static_cast<CourseBrowser*>(self)->OnLoadChanged(event);
                     }),
                     this);
    g_signal_connect(
        m_view, "load-failed",
        G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error, gpointer self) {
            static_cast<CourseBrowser*>(self)->OnLoadFailed(uri != nullptr ? uri : "",
                                                            error->message, IsRefusal(error));
            return FALSE;
        }),
        this);
    // After the confinement's own answer, which lets course addresses through.
    g_signal_connect(
        m_view, "decide-policy",
        G_CALLBACK(+[](WebKitWebView*, WebKitPolicyDecision* decision,
                       WebKitPolicyDecisionType type, gpointer self) -> gboolean {
            if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) return FALSE;
            WebKitNavigationAction* action =
                webkit_navigation_policy_decision_get_navigation_action(
                    WEBKIT_NAVIGATION_POLICY_DECISION(decision));
            const char* uri =
                webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
            if (uri == nullptr || !static_cast<CourseBrowser*>(self)->OnResultLink(uri))
                return FALSE;
            webkit_policy_decision_ignore(decision);
            return TRUE;
        }),
        this);
    WebKitFindController* find = webkit_web_view_get_find_controller(m_view);
    g_signal_connect(find, "found-text",
                     G_CALLBACK(+[](WebKitFindController*, guint count, gpointer self) {
                         static_cast<CourseBrowser*>(self)->m_found = count;
                     }),
                     this);
    g_signal_connect(find, "failed-to-find-text",
                     G_CALLBACK(+[](WebKitFindController*, gpointer self) {
                         static_cast<CourseBrowser*>(self)->m_found = 0;
                     }),
                     this);
    g_signal_connect(m_view, "notify::is-web-process-responsive",
                     G_CALLBACK(+[](WebKitWebView*, GParamSpec*, gpointer self) {
                         static_cast<CourseBrowser*>(self)->OnResponsivenessChanged();
                     }),
                     this);
}

CourseBrowser::~CourseBrowser() {
    m_stallWatch.Stop();
    g_signal_handlers_disconnect_by_data(m_view, this);
    g_signal_handlers_disconnect_by_data(webkit_web_view_get_find_controller(m_view), this);
    g_cancellable_cancel(m_scripts);
    g_object_unref(m_scripts);
    EndWebProcess();
}

void CourseBrowser::SetCourseFolder(const std::string& folder) {
    m_site->courseFolder = folder.empty() || folder.back() == '/' ? folder : folder + "/";
}

void CourseBrowser::Open(const std::filesystem::path& path) { Reopen(CourseUri(path)); }

void CourseBrowser::OpenWrapperPage(const std::filesystem::path& page) {
    m_site->wrapperPage = page.native();
    Open(page);
}

void CourseBrowser::ShowResultsPage(const std::string& uri, std::string page) {
    m_site->resultsPageUri = uri;
    m_site->resultsPage = std::move(page);
    Reopen(uri);
}

void CourseBrowser::Reopen(const std::string& uri) {
    if (!webkit_web_view_get_is_web_process_responsive(m_view)) EndWebProcess();
    LoadOwn(uri);
}

void CourseBrowser::FindInPage(const std::string& text) {
    m_findText = text;
    m_found.reset();
    // As many as a page can show; the count is for the tests and the student alike.
    webkit_find_controller_search(webkit_web_view_get_find_controller(m_view), text.c_str(),
                                  WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE |
                                      WEBKIT_FIND_OPTIONS_AT_WORD_STARTS |
                                      WEBKIT_FIND_OPTIONS_WRAP_AROUND,
                                  G_MAXUINT);
}

bool CourseBrowser::FindNextInPage(bool backwards) {
    if (m_findText.empty()) return false;
    WebKitFindController* find = webkit_web_view_get_find_controller(m_view);
    if (backwards) {
        webkit_find_controller_search_previous(find);
    } else {
        webkit_find_controller_search_next(find);
    }
    return true;
}

void CourseBrowser::EndFind() {
    if (m_findText.empty()) return;
    m_findText.clear();
    m_found.reset();
    webkit_find_controller_search_finish(webkit_web_view_get_find_controller(m_view));
}

bool CourseBrowser::OnResultLink(const std::string& uri) {
    const std::optional<SearchAddress> link = ParseSearchUri(uri);
    if (!link || !link->entry) return false;
    // Only the results page itself chooses: a course page cannot drive the window.
    const std::optional<SearchAddress> shown = ParseSearchUri(CurrentUri());
    if (shown && !shown->entry && shown->generation == link->generation) {
        // Not from inside the engine's decision: the choice navigates the view itself.
        CallAfter([this, uri] { Send(EVT_BROWSER_RESULT_CHOSEN, uri); });
    }
    return true;
}

std::string CourseBrowser::CurrentUri() const {
    const char* uri = webkit_web_view_get_uri(m_view);
    return uri != nullptr ? uri : "";
}

void CourseBrowser::RunScript(const std::string& script,
                              std::function<void(std::optional<std::string>)> done) {
    webkit_web_view_evaluate_javascript(m_view, script.c_str(), -1, nullptr, nullptr, m_scripts,
                                        ScriptFinished, new PendingScript{std::move(done)});
}

void CourseBrowser::EndWebProcess() {
    // Whatever the ended process was loading is no refusal of the student's.
    m_own = {};
    webkit_web_view_terminate_web_process(m_view);
}

void CourseBrowser::LoadOwn(const std::string& uri) {
    EndFind();
    StartOwnLoad(uri);
    Send(EVT_BROWSER_NAVIGATING, uri);
}

void CourseBrowser::StartOwnLoad(const std::string& uri) {
    const bool replacing = !m_own.uri.empty() && m_own.uri == uri;
    m_own = {uri, false, replacing};
    webkit_web_view_load_uri(m_view, uri.c_str());
    m_probing = false;
    m_stallWatch.StartOnce(StallCheckMs);
}

// The same navigation on a fresh web process: announced once, when asked for.
void CourseBrowser::RestartOwnLoad() {
    const std::string uri = m_own.uri;
    EndWebProcess();
    StartOwnLoad(uri);
    m_own.restarted = true;
}

void CourseBrowser::OnStallWatch(wxTimerEvent&) {
    if (m_own.uri.empty() || m_own.committed) return;
    if (m_probing) {
        // No answer: the process hangs with the page it is leaving. Once per
        // navigation, so a page that hangs every process it reaches is not
        // asked for again and again.
        m_probing = false;
        if (!m_own.restarted) RestartOwnLoad();
        return;
    }
    m_probing = true;
    const unsigned probe = ++m_stallProbe;
    RunScript("0", [this, probe](const std::optional<std::string>&) {
        if (probe != m_stallProbe || !m_probing) return;
        // It answers: the page is merely slow to come. Keep watching.
        m_probing = false;
        m_stallWatch.StartOnce(StallCheckMs);
    });
    m_stallWatch.StartOnce(ProbeAnswerMs);
}

void CourseBrowser::OnLoadChanged(int event) {
    const std::string uri = CurrentUri();
    if (event == WEBKIT_LOAD_COMMITTED && uri == m_own.uri) m_own.committed = true;
    if (event == WEBKIT_LOAD_FINISHED) {
        // A failed load ends too, but the view may show the address before it.
        const std::string ended = m_failedUri.empty() ? uri : m_failedUri;
        m_failedUri.clear();
        if (ended == m_own.uri) m_own = {};
        Send(EVT_BROWSER_LOADED, ended);
    }
}

void CourseBrowser::OnLoadFailed(const std::string& uri, const std::string& message, bool refusal) {
    m_failedUri = uri;
    // Only the student's own click earns a message: what a page does to
    // itself (a broken link, a download, a navigation on a timer) does not.
    if (uri.empty() || uri != m_own.uri) return;
    if (m_own.replacesItsOwnLoad && !m_own.committed) {
        m_own.replacesItsOwnLoad = false;
        return;
    }
    m_own = {};
    if (refusal && m_onRefusal) m_onRefusal(message + " (" + uri + ")");
}

void CourseBrowser::OnResponsivenessChanged() {
    if (webkit_web_view_get_is_web_process_responsive(m_view)) return;
    // A page stuck in a loop holds up what the student asked for since: end
    // it and ask again of a fresh web process. A page the student asked for
    // that loops once shown stays until the next click.
    if (m_own.uri.empty() || m_own.committed) return;
    RestartOwnLoad();
}

void CourseBrowser::Send(const wxEventType& type, const std::string& uri) {
    wxCommandEvent event(type, GetId());
    event.SetEventObject(this);
    event.SetString(wxString::FromUTF8(uri));
    ProcessWindowEvent(event);
}

}  // namespace courseview
