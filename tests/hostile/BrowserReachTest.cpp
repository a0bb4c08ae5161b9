// What a course page can reach from inside the viewer's browser: JavaScript
// runs and reads the course's own files, but nothing outside the course
// loads, runs, shows or can even be told apart from a missing file, and
// nothing a page stores outlives its window.

#include <glib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <filesystem>
#include <map>

#include "CourseAddress.h"
#include "CourseBrowser.h"
#include "CourseWindow.h"
#include "ViewerHarness.h"

using namespace courseview;
using namespace courseview::testing;

namespace {

// Lays out "sibling/", a folder beside the course that pages must not reach.
void LayOutSibling(CourseWindow& window) {
    window.Write("data.txt", "the course's own data");
    WriteFile(window.Outside() + "outside.txt", "outside the course");
    MakeFolder(window.Outside() + "sibling");
    WriteFile(window.Outside() + "sibling/data.js", "window.sibling = 'ran';");
    WriteFile(window.Outside() + "sibling/style.css", "body { color: rgb(1, 2, 3) }");
    WriteFile(window.Outside() + "sibling/pic.bmp", BmpFile());
    WriteFile(window.Outside() + "sibling/page.htm", "<body>sibling page</body>");
}

// The files an engine on the default context leaves in the program's own
// folders: what a page stored there would add.
std::map<std::string, std::filesystem::file_time_type> EngineFiles() {
    std::map<std::string, std::filesystem::file_time_type> files;
    for (const char* base : {g_get_user_cache_dir(), g_get_user_data_dir()}) {
        const std::filesystem::path folder = std::filesystem::path(base) / g_get_prgname();
        std::error_code error;
        for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
             !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            if (it->is_regular_file(error)) files[it->path()] = it->last_write_time(error);
        }
    }
    return files;
}

// A web server of the test's own on the loopback interface, serving `folder`;
// it writes the port it listens on into "port.txt" there.
class LoopbackWebServer {
public:
    explicit LoopbackWebServer(const std::string& folder) {
        const char* arguments[] = {"python3", "-c",
                                   "import http.server, os, socketserver, sys\n"
                                   "os.chdir(sys.argv[1])\n"
                                   "server = socketserver.TCPServer(('127.0.0.1', 0), "
                                   "http.server.SimpleHTTPRequestHandler)\n"
                                   "open('port.txt', 'w').write(str(server.server_address[1]))\n"
                                   "server.serve_forever()\n",
                                   folder.c_str(), nullptr};
        if (::posix_spawnp(&m_pid, "python3", nullptr, nullptr, const_cast<char* const*>(arguments),
                           environ) != 0) {
            m_pid = -1;
        }
    }
    ~LoopbackWebServer() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    LoopbackWebServer(const LoopbackWebServer&) = delete;
    LoopbackWebServer& operator=(const LoopbackWebServer&) = delete;

private:
    pid_t m_pid = -1;
};

}  // namespace

TEST(BrowserReach, EngineKeepsJavaScriptButNoFileAccessWindowsOrDeveloperTools) {
    CourseWindow window;
    WebKitWebView* view = window.Form().WB->View();
    WebKitSettings* settings = webkit_web_view_get_settings(view);
    EXPECT_TRUE(webkit_settings_get_enable_javascript(settings));
    EXPECT_FALSE(webkit_settings_get_allow_file_access_from_file_urls(settings));
    EXPECT_FALSE(webkit_settings_get_allow_universal_access_from_file_urls(settings));
    EXPECT_FALSE(webkit_settings_get_javascript_can_open_windows_automatically(settings));
    EXPECT_FALSE(webkit_settings_get_enable_developer_extras(settings));
    EXPECT_FALSE(webkit_settings_get_javascript_can_access_clipboard(settings));
    EXPECT_FALSE(webkit_settings_get_enable_html5_local_storage(settings));
    EXPECT_FALSE(webkit_settings_get_enable_html5_database(settings));
    EXPECT_TRUE(webkit_web_view_is_ephemeral(view));
}

TEST(BrowserReach, PageReadsItsCourseButNoFileOutside) {
    CourseWindow window(LayOutSibling);
    window.Write("read.htm", R"page(<title>Probe</title><script>
var urls = ['data.txt', '../outside.txt', 'file:///etc/hostname', '/etc/hostname'];
var outcome = urls.map(function (url) {
  try {
    var request = new XMLHttpRequest();
    request.open('GET', url, false);
    request.send();
    return request.status == 200 && request.responseText.length > 0 ? 'read' : 'refused';
  } catch (error) { return 'refused'; }
});
Promise.all(urls.map(function (url) {
  return fetch(url).then(function (r) { return r.ok ? 'read' : 'refused'; },
                         function () { return 'refused'; });
})).then(function (fetched) { document.title = outcome.concat(fetched).join(','); });
</script>)page");
    EXPECT_EQ(window.Outcome("read.htm"),
              "read,refused,refused,refused,read,refused,refused,refused");
}

TEST(BrowserReach, ScriptStyleImageAndFrameFromBesideTheCourseNeverLoad) {
    CourseWindow window(LayOutSibling);
    window.Write("include.htm", R"page(<html><head><title>Probe</title>
<link rel="stylesheet" href="../sibling/style.css"><script src="../sibling/data.js"></script>
</head><body><img src="../sibling/pic.bmp"><iframe src="../sibling/page.htm"></iframe>
<script>
window.onload = function () {
  var frame;
  try { frame = frames[0].document.body.textContent.indexOf('sibling') >= 0 ? 'shown' : 'not shown'; }
  catch (error) { frame = 'not shown'; }
  document.title = [typeof sibling, getComputedStyle(document.body).color,
                    document.images[0].naturalWidth, frame].join(',');
};
</script></body></html>)page");
    EXPECT_EQ(window.Outcome("include.htm"), "undefined,rgb(0, 0, 0),0,not shown");
}

TEST(BrowserReach, ProbesTellNoFileOutsideFromAMissingOne) {
    CourseWindow window(LayOutSibling);
    // Every file a page may have heard of on a student's machine, beside one
    // that does not exist, as a page names them.
    window.Write("probe.htm", R"page(<title>Probe</title><script>var pairs = [
  ['file:///etc/passwd', 'file:///etc/no-such-file'],
  ['../sibling/data.js', '../sibling/no-such.js'],
  ['course:///etc/passwd', 'course:///etc/no-such-file']];
function outcome(kind, url) {
  return new Promise(function (done) {
    var element = document.createElement(kind);
    element.onload = element.oncanplay = function () { done('loaded'); };
    element.onerror = function () { done('error'); };
    setTimeout(function () { done('no answer'); }, 3000);
    element.src = url;
    document.body.appendChild(element);
  });
}
window.onload = function () {
  var checks = [];
  pairs.forEach(function (pair) {
    ['script', 'img', 'iframe', 'video'].forEach(function (kind) {
      checks.push(Promise.all([outcome(kind, pair[0]), outcome(kind, pair[1])]).then(function (o) {
        return o[0] == o[1] ? 'same' : kind + ' ' + pair[0] + ': ' + o[0] + ' vs ' + o[1];
      }));
    });
  });
  Promise.all(checks).then(function (r) {
    document.title = r.filter(function (x) { return x != 'same'; }).join('; ') || 'all same';
  });
};
</script><body></body>)page");
    EXPECT_EQ(window.Outcome("probe.htm", 30000), "all same");
}

TEST(BrowserReach, PageNavigatesNeitherItselfNorAFrameToALocalFile) {
    CourseWindow window;
    window.Write("after.htm", "<title>After</title>");
    window.Write("leave.htm",
                 R"page(<title>Probe</title><iframe src="file:///etc/"></iframe><script>
window.onload = function () {
  var frame = 'not shown';
  try { frames[0].location.href; } catch (error) { if (error.name == 'SecurityError') frame = 'shown'; }
  document.title = 'frame ' + frame;
  setTimeout(function () { top.location = 'after.htm'; }, 300);
  try { top.location = 'file:///etc/passwd'; } catch (error) {}
};
</script>)page");
    // Every address the view has shown, a page's own navigations included.
    std::vector<std::string> shown;
    WebKitWebView* view = window.Form().WB->View();
    const gulong handler = g_signal_connect(
        view, "notify::uri", G_CALLBACK(+[](WebKitWebView* view, GParamSpec*, gpointer data) {
            static_cast<std::vector<std::string>*>(data)->push_back(webkit_web_view_get_uri(view));
        }),
        &shown);
    TakeErrorBoxes();
    EXPECT_EQ(window.Outcome("leave.htm"), "frame not shown");
    EXPECT_EQ(WaitForScript(window.Form(), "document.title",
                            [](const std::string& title) { return title == "After"; }),
              "After");
    g_signal_handler_disconnect(view, handler);
    for (const std::string& uri : shown) EXPECT_FALSE(uri.starts_with("file:")) << uri;
    EXPECT_EQ(TakeErrorBoxes(), std::vector<std::string>{})
        << "the page's doing, not the student's";
}

TEST(BrowserReach, NothingAPageStoresOutlivesItsWindow) {
    TakeErrorBoxes();
    const auto filesBefore = EngineFiles();
    constexpr char Store[] = R"page(<title>Probe</title><script>
var stored = [];
try { document.cookie = 'kept=yes; max-age=99999'; } catch (e) {}
var caching = self.caches ? caches.open('c').then(function (c) {
  return c.put('data.txt', new Response('x'.repeat(1 << 20)));
}).then(function () { stored.push('caches'); }, function () {}) : Promise.resolve();
var indexing = new Promise(function (done) {
  try {
    var open = indexedDB.open('db', 1);
    open.onupgradeneeded = function () { open.result.createObjectStore('s'); };
    open.onsuccess = function () {
      var t = open.result.transaction('s', 'readwrite');
      t.objectStore('s').put('kept', 'k');
      t.oncomplete = function () { stored.push('indexedDB'); done(); };
    };
    open.onerror = function () { done(); };
  } catch (e) { done(); }
});
Promise.all([caching, indexing]).then(function () {
  document.title = 'stored: ' + (stored.join(' ') || 'nothing');
});
</script>)page";
    constexpr char Read[] = R"page(<title>Probe</title><script>
var found = [];
if (document.cookie.indexOf('kept') >= 0) found.push('cookie');
var caching = self.caches ? caches.keys().then(function (k) { if (k.length) found.push('caches'); })
                          : Promise.resolve();
var indexing = new Promise(function (done) {
  try {
    var open = indexedDB.open('db', 1);
    open.onupgradeneeded = function () { open.result.createObjectStore('s'); };
    open.onsuccess = function () {
      var get = open.result.transaction('s').objectStore('s').get('k');
      get.onsuccess = function () { if (get.result) found.push('indexedDB'); done(); };
      get.onerror = function () { done(); };
    };
    open.onerror = function () { done(); };
  } catch (e) { done(); }
});
Promise.all([caching, indexing]).then(function () {
  document.title = 'found: ' + (found.join(' ') || 'nothing');
});
</script>)page";
    {
        CourseWindow window([&](CourseWindow& w) { w.Write("store.htm", Store); });
        // Scripts on course pages have no cache storage and may have no
        // database: whatever they managed to store must be gone below.
        EXPECT_TRUE(window.Outcome("store.htm").starts_with("stored: "));
    }
    {
        CourseWindow window([&](CourseWindow& w) { w.Write("read.htm", Read); });
        EXPECT_EQ(window.Outcome("read.htm"), "found: nothing");
    }
    EXPECT_EQ(EngineFiles(), filesBefore) << "the engine wrote into the program's own folders";
}

TEST(BrowserReach, CoursePageCannotMakeTheViewerSaveFiles) {
    CourseWindow window([](CourseWindow& w) {
        w.Write("payload.bin", std::string(4096, 'x'));
        w.Write("download.htm", R"page(<html><head><title>Probe</title></head><body><script>
var stored = 'no storage';
try { localStorage.setItem('k', 'v'); stored = 'stored'; } catch (error) {}
document.title = stored;
</script></body></html>)page");
    });
    EXPECT_EQ(window.Outcome("download.htm"), "no storage");

    // Whatever starts a download, the viewer's engine drops it before it is saved.
    WebKitDownload* download = webkit_web_view_download_uri(
        window.Form().WB->View(), CourseUri(window.Course() + "payload.bin").c_str());
    struct Outcome {
        bool finished = false;
        bool destinationAsked = false;
    } outcome;
    g_signal_connect(download, "failed", G_CALLBACK(+[](WebKitDownload*, GError*, gpointer data) {
                         static_cast<Outcome*>(data)->finished = true;
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
    g_signal_handlers_disconnect_by_data(download, &outcome);
}

TEST(BrowserReach, WebPageReachedThroughACourseLinkLoadsNoCourseFile) {
    TempFolder web;
    const LoopbackWebServer server(web.Path());
    ASSERT_TRUE(RunEventLoopUntil([&] { return !ReadFileBytes(web.Path() + "port.txt").empty(); }));
    const std::string site = "http://127.0.0.1:" + ReadFileBytes(web.Path() + "port.txt") + "/";
    CourseWindow window([&](CourseWindow& w) {
        w.Write("pic.bmp", BmpFile(5, 4));
        w.Write("page.htm", "<title>Probe</title><a id=\"web\" href=\"" + site +
                                "web.htm\">web</a><script>document.title = 'course'</script>");
    });
    WriteFile(web.Path() + "web.htm", "<title>Probe</title><img src=\"" +
                                          CourseUri(window.Course() + "pic.bmp") +
                                          "\" onload=\"document.title = 'web: loaded'\" "
                                          "onerror=\"document.title = 'web: refused'\">");
    EXPECT_EQ(window.Outcome("page.htm"), "course");
    RunScript(window.Form(), "document.getElementById('web').click()");
    EXPECT_EQ(WaitForScript(window.Form(), "document.title",
                            [](const std::string& title) { return title.starts_with("web: "); }),
              "web: refused");
    window.Form().WB->Open(window.Course() + "page.htm");
    EXPECT_EQ(WaitForScript(window.Form(), "document.title",
                            [](const std::string& title) { return title == "course"; }),
              "course")
        << "the course opens again from the web";
}
