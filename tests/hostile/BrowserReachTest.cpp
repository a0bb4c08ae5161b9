// What a course page can reach from inside the viewer's browser: JavaScript
// runs (course pages use it), but a page reads no other file, not even its
// neighbour, and opens no window on its own.

#include <gtest/gtest.h>
#include <webkit2/webkit2.h>
#include <wx/webview.h>

#include "HostileSupport.h"
#include "Browser.h"
#include "MainForm.h"
#include "NodeActivation.h"
#include "ViewerHarness.h"

using namespace courseview;
using namespace courseview::testing;

namespace {

// The page tries everything it must not manage and writes the outcome into
// its own title.
constexpr char ProbePage[] = R"(<html><head><title>Probe</title></head><body><script>
function read(url) {
  try {
    var request = new XMLHttpRequest();
    request.open('GET', url, false);
    request.send();
    return request.responseText.length > 0 ? 'read' : 'empty';
  } catch (error) {
    return 'refused';
  }
}
var outcome = [read('secret.txt'), read('file:///etc/hostname'), read('../outside.txt')];
var opened = null;
try { opened = window.open('secret.txt'); } catch (error) {}
outcome.push(opened ? 'window' : 'no window');
document.title = outcome.join(',');
</script></body></html>)";

}  // namespace

TEST(BrowserReach, EngineKeepsJavaScriptButNoFileAccessWindowsOrDeveloperTools) {
    HostileFolder program;
    auto* form = new TForm1(FormPlaces{program.Path(), "", program.Path() + "none"});
    wxWeakRef<TForm1> alive(form);
    auto* view = static_cast<WebKitWebView*>(form->WB->GetNativeBackend());
    WebKitSettings* settings = webkit_web_view_get_settings(view);
    EXPECT_TRUE(webkit_settings_get_enable_javascript(settings));
    EXPECT_FALSE(webkit_settings_get_allow_file_access_from_file_urls(settings));
    EXPECT_FALSE(webkit_settings_get_allow_universal_access_from_file_urls(settings));
    EXPECT_FALSE(webkit_settings_get_javascript_can_open_windows_automatically(settings));
    EXPECT_FALSE(webkit_settings_get_enable_developer_extras(settings));
    EXPECT_FALSE(webkit_settings_get_javascript_can_access_clipboard(settings));
    form->Destroy();
    EXPECT_TRUE(WaitUntilGone(alive));
}

TEST(BrowserReach, CoursePageReadsNoOtherFileAndOpensNoWindow) {
    HostileFolder outside;
    outside.Write("outside.txt", "outside the course");
    outside.MakeFolder("course");
    const std::string course = outside.Path() + "course/";
    WriteFile(course + "secret.txt", "beside the page");
    WriteFile(course + "probe.htm", ProbePage);
    auto* form = new TForm1(FormPlaces{course, "", course + "none"});
    wxWeakRef<TForm1> alive(form);
    int newWindows = 0;
    form->WB->Bind(wxEVT_WEBVIEW_NEWWINDOW, [&](wxWebViewEvent&) { ++newWindows; });
    form->ShowAtDesignedPlace();
    ASSERT_TRUE(RunEventLoopUntil([&] { return form->FirstActivationDone() && !form->Scanning(); }));

    NavigateToPath(*form->WB, course + "probe.htm");
    wxString title;
    EXPECT_TRUE(RunEventLoopUntil([&] {
        return form->WB->RunScript("document.title", &title) && title != "Probe" && !title.empty();
    }));
    EXPECT_EQ(title.utf8_string(), "refused,refused,refused,no window");
    EXPECT_EQ(newWindows, 0);
    form->Destroy();
    EXPECT_TRUE(WaitUntilGone(alive));
}
