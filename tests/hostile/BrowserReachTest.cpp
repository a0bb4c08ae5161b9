// What a course page can reach from inside the viewer's browser: JavaScript
// runs (course pages use it), but a page reads no other file, not even its
// neighbour, and opens no window on its own.

#include <gtest/gtest.h>
#include <webkit2/webkit2.h>
#include <wx/webview.h>

#include "Browser.h"
#include "HostileSupport.h"
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
    auto* form =
        new TForm1(FormPlaces::InProgramFolder(program.Path(), {}, program.Path() + "none"));
    wxWeakRef<TForm1> alive(form);
    auto* view = static_cast<WebKitWebView*>(form->WB->GetNativeBackend());
    WebKitSettings* settings = webkit_web_view_get_settings(view);
    EXPECT_TRUE(webkit_settings_get_enable_javascript(settings));
    EXPECT_FALSE(webkit_settings_get_allow_file_access_from_file_urls(settings));
    EXPECT_FALSE(webkit_settings_get_allow_universal_access_from_file_urls(settings));
    EXPECT_FALSE(webkit_settings_get_javascript_can_open_windows_automatically(settings));
    EXPECT_FALSE(webkit_settings_get_enable_developer_extras(settings));
    EXPECT_FALSE(webkit_settings_get_javascript_can_access_clipboard(settings));
    EXPECT_FALSE(webkit_settings_get_enable_html5_local_storage(settings));
    EXPECT_FALSE(webkit_settings_get_enable_html5_database(settings));
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
    auto* form = new TForm1(FormPlaces::InProgramFolder(course, {}, course + "none"));
    wxWeakRef<TForm1> alive(form);
    int newWindows = 0;
    form->WB->Bind(wxEVT_WEBVIEW_NEWWINDOW, [&](wxWebViewEvent&) { ++newWindows; });
    form->ShowAtDesignedPlace();
    ASSERT_TRUE(
        RunEventLoopUntil([&] { return form->FirstActivationDone() && !form->Scanning(); }));

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

TEST(BrowserReach, CoursePageCannotMakeTheViewerSaveFiles) {
    HostileFolder course;
    course.Write("payload.bin", std::string(4096, 'x'));
    course.Write("download.htm", R"(<html><head><title>Probe</title></head><body><script>
var stored = 'no storage';
try { localStorage.setItem('k', 'v'); stored = 'stored'; } catch (error) {}
document.title = stored;
</script></body></html>)");
    auto* form = new TForm1(FormPlaces::InProgramFolder(course.Path(), {}, course.Path() + "none"));
    wxWeakRef<TForm1> alive(form);
    form->ShowAtDesignedPlace();
    ASSERT_TRUE(
        RunEventLoopUntil([&] { return form->FirstActivationDone() && !form->Scanning(); }));

    NavigateToPath(*form->WB, course.Path() + "download.htm");
    wxString title;
    EXPECT_TRUE(RunEventLoopUntil([&] {
        return form->WB->RunScript("document.title", &title) && title != "Probe" && !title.empty();
    }));
    EXPECT_EQ(title.utf8_string(), "no storage");

    // Whatever starts a download, the viewer's engine drops it before it is saved.
    auto* view = static_cast<WebKitWebView*>(form->WB->GetNativeBackend());
    WebKitDownload* download =
        webkit_web_view_download_uri(view, FileUri(course.Path() + "payload.bin").c_str());
    struct Outcome {
        bool failed = false;
        bool finished = false;
        bool destinationAsked = false;
    } outcome;
    g_signal_connect(download, "failed", G_CALLBACK(+[](WebKitDownload*, GError*, gpointer data) {
                         static_cast<Outcome*>(data)->failed = true;
                     }),
                     &outcome);
    g_signal_connect(download, "finished", G_CALLBACK(+[](WebKitDownload*, gpointer data) {
                         static_cast<Outcome*>(data)->finished = true;
                     }),
                     &outcome);
    g_signal_connect(download, "decide-destination",
                     G_CALLBACK(+[](WebKitDownload*, gchar*, gpointer data) -> gboolean {
                         static_cast<Outcome*>(data)->destinationAsked = true;
                         return FALSE;
                     }),
                     &outcome);
    RunEventLoopUntil([&] { return outcome.finished; }, 5000);
    EXPECT_FALSE(outcome.destinationAsked);
    EXPECT_EQ(webkit_download_get_received_data_length(download), 0u);
    RunEventLoopFor(1000);
    // WebKit saves downloads into the download folder, else the home folder.
    for (const char* where : {"HOME", "XDG_DOWNLOAD_DIR"}) {
        const char* folder = std::getenv(where);
        if (folder == nullptr) continue;
        EXPECT_FALSE(std::filesystem::exists(std::string(folder) + "/payload.bin")) << where;
        EXPECT_FALSE(std::filesystem::exists(std::string(folder) + "/Downloads/payload.bin"))
            << where;
    }
    form->Destroy();
    EXPECT_TRUE(WaitUntilGone(alive));
}
