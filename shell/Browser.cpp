#include "Browser.h"

#include <webkit2/webkit2.h>
#include <wx/webview.h>

#include <memory>

#include "NodeActivation.h"

namespace courseview {

namespace {

using RefusalHandler = std::function<void(const std::string&)>;

bool IsRefusal(const GError* error) {
    // A media document WebKit plays itself ends its page load this way.
    if (error->domain == WEBKIT_PLUGIN_ERROR && error->code == WEBKIT_PLUGIN_ERROR_WILL_HANDLE_LOAD)
        return false;
    // A click before the previous load ended replaces that load.
    if (error->domain == WEBKIT_NETWORK_ERROR && error->code == WEBKIT_NETWORK_ERROR_CANCELLED)
        return false;
    return true;
}

gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error, gpointer data) {
    if (IsRefusal(error)) {
        const std::string message =
            std::string(error->message) + " (" + (uri != nullptr ? uri : "") + ")";
        (*static_cast<RefusalHandler*>(data))(message);
    }
    return FALSE;  // wx's own handler still sees it
}

void DeleteHandler(gpointer data, GClosure*) { delete static_cast<RefusalHandler*>(data); }

// A course page may not make the viewer write files: a download it starts on
// its own, or one WebKit would start for a file it cannot show, is dropped.
void OnDownloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer) {
    webkit_download_cancel(download);
}

// What a course page may do: run its scripts, and nothing that reaches past
// its own file or leaves anything behind on the student's disk.
void RestrictCoursePages(WebKitWebView* view) {
    WebKitSettings* settings = webkit_web_view_get_settings(view);
    webkit_settings_set_enable_javascript(settings, TRUE);
    webkit_settings_set_allow_file_access_from_file_urls(settings, FALSE);
    webkit_settings_set_allow_universal_access_from_file_urls(settings, FALSE);
    webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);
    webkit_settings_set_javascript_can_access_clipboard(settings, FALSE);
    webkit_settings_set_enable_developer_extras(settings, FALSE);
    webkit_settings_set_enable_html5_local_storage(settings, FALSE);
    webkit_settings_set_enable_html5_database(settings, FALSE);

    // Every view of the program shares one context: its download guard is
    // connected once.
    WebKitWebContext* context = webkit_web_view_get_context(view);
    static WebKitWebContext* guarded = nullptr;
    if (guarded != context) {
        g_signal_connect(context, "download-started", G_CALLBACK(OnDownloadStarted), nullptr);
        guarded = context;
    }
}

}  // namespace

std::string BrowserCharset(const std::string& codePageName) {
    std::string charset;
    for (const char c : codePageName)
        charset.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c);
    // WebKit's label for the Russian Windows code page; other names it knows as they are.
    if (charset == "cp1251") return "windows-1251";
    return charset;
}

wxWebView* CreateBrowser(wxWindow* parent, const wxPoint& position, const wxSize& size,
                         const std::string& defaultCharset, RefusalHandler onRefusal) {
    wxWebView* browser = wxWebView::New(parent, wxID_ANY, "about:blank", position, size);
    auto* view = static_cast<WebKitWebView*>(browser->GetNativeBackend());
    RestrictCoursePages(view);
    webkit_settings_set_default_charset(webkit_web_view_get_settings(view), defaultCharset.c_str());
    g_signal_connect_data(view, "load-failed", G_CALLBACK(OnLoadFailed),
                          new RefusalHandler(std::move(onRefusal)), DeleteHandler,
                          GConnectFlags(0));
    return browser;
}

void NavigateToPath(wxWebView& browser, const std::filesystem::path& path) {
    browser.LoadURL(wxString::FromUTF8(FileUri(path)));
}

}  // namespace courseview
