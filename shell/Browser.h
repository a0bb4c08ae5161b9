#pragma once
// The embedded browser: a wxWebView on WebKitGTK, used the way the window has
// always used its browser: navigate to a local path and let it show whatever
// is there.

#include <filesystem>
#include <functional>
#include <string>

class wxWebView;
class wxWindow;
class wxPoint;
class wxSize;

namespace courseview {

// Creates the browser showing nothing yet. Pages without a declared charset
// are read in `defaultCharset`: the system code page, the one such pages were
// written in on the author's machine and whose titles the catalogue shows.
// `onRefusal` receives the message of every load the engine really refuses;
// a clip it plays itself and a load replaced by a newer one are not refusals.
wxWebView* CreateBrowser(wxWindow* parent, const wxPoint& position, const wxSize& size,
                         const std::string& defaultCharset,
                         std::function<void(const std::string& message)> onRefusal);

// Hands a plain local path to the browser as the file:// address it stands for.
void NavigateToPath(wxWebView& browser, const std::filesystem::path& path);

// The charset name WebKit knows for a code page name from the system locale.
std::string BrowserCharset(const std::string& codePageName);

}  // namespace courseview
