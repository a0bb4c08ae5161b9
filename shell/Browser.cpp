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
    WebKitSettings* settings = webkit_web_view_get_settings(view);
    webkit_settings_set_default_charset(settings, defaultCharset.c_str());
    g_signal_connect_data(view, "load-failed", G_CALLBACK(OnLoadFailed),
                          new RefusalHandler(std::move(onRefusal)), DeleteHandler,
                          GConnectFlags(0));
    return browser;
}

void NavigateToPath(wxWebView& browser, const std::filesystem::path& path) {
    browser.LoadURL(wxString::FromUTF8(FileUri(path)));
}

}  // namespace courseview
