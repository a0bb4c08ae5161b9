// Pages written by strangers, in the viewer: they open windows, fail on a
// timer, link to what no browser shows and loop forever. The viewer stays
// alive, shows no error box for any of it, gives way to the student's next
// click and closes when asked.

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "CourseAddress.h"
#include "CourseBrowser.h"
#include "PictureControl.h"
#include "TempFolder.h"
#include "ViewerHarness.h"

using namespace courseview;
using namespace courseview::testing;

namespace {

std::string Title(TForm1& form, const std::string& expected) {
    return WaitForScript(form, "document.title",
                         [&](const std::string& title) { return title == expected; });
}

// The engine's web processes `parent` started that still run, with the CPU
// time each has used so far, in clock ticks.
std::map<pid_t, long> WebProcessesOf(pid_t parent) {
    std::map<pid_t, long> processes;
    DIR* proc = ::opendir("/proc");
    while (dirent* entry = proc != nullptr ? ::readdir(proc) : nullptr) {
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        // pid (comm) state ppid pgrp session tty tpgid flags minflt cminflt majflt cmajflt utime
        // stime
        const auto close = line.rfind(')');
        if (close == std::string::npos || line.find("(WebKitWebProces") == std::string::npos)
            continue;
        char state = 0;
        pid_t ppid = 0;
        long user = 0, system = 0;
        if (std::sscanf(line.c_str() + close + 1,
                        " %c %d %*d %*d %*d %*d %*u %*u %*u %*u %*u %ld %ld", &state, &ppid, &user,
                        &system) != 4)
            continue;
        if (ppid == parent && state != 'Z') processes[std::stoi(entry->d_name)] = user + system;
    }
    if (proc != nullptr) ::closedir(proc);
    return processes;
}

// Waits for a web process of `parent` to spin: to use a second of processor
// time more than when first seen. Returns it, or 0.
pid_t SpinningWebProcess(pid_t parent, int timeoutMs = 20000) {
    std::map<pid_t, long> first;
    pid_t spinning = 0;
    RunEventLoopUntil(
        [&] {
            for (const auto& [process, ticks] : WebProcessesOf(parent)) {
                first.emplace(process, ticks);
                if (ticks - first[process] > ::sysconf(_SC_CLK_TCK)) spinning = process;
            }
            return spinning != 0;
        },
        timeoutMs);
    return spinning;
}

bool Running(pid_t process) {
    std::ifstream stat("/proc/" + std::to_string(process) + "/stat");
    std::string line;
    return std::getline(stat, line) && line.substr(line.rfind(')') + 2, 1) != "Z";
}

// Whether the page shown answers a script within a second.
bool PageAnswers(TForm1& form) { return RunScript(form, "1", 1000).has_value(); }

void ClickCloseButton(TForm1& form) { ClickAt(form.BtnOn->GetScreenPosition() + wxPoint(11, 11)); }

}  // namespace

TEST(HostilePages, NewWindowsFromAClickShowInTheSameView) {
    OpenViewer viewer([](const TempFolder& folder) {
        folder.Write("a.htm", R"page(<title>Page a</title><body style="margin:0">
<button style="width:500px;height:200px" onclick="window.open('b.htm')">open</button><br>
<a href="c.htm" target="_blank" style="display:block;height:200px">c</a></body>)page");
        folder.Write("b.htm", "<title>Page b</title>");
        folder.Write("c.htm", "<title>Page c</title>");
    });
    TForm1& form = viewer.Form();
    viewer.ClickItem(" Page a");
    ASSERT_EQ(Title(form, "Page a"), "Page a");
    ClickAt(form.WB->GetScreenPosition() + wxPoint(250, 100));
    EXPECT_EQ(Title(form, "Page b"), "Page b");
    viewer.ClickItem(" Page a");
    ASSERT_EQ(Title(form, "Page a"), "Page a");
    ClickAt(form.WB->GetScreenPosition() + wxPoint(250, 300));
    EXPECT_EQ(Title(form, "Page c"), "Page c");
    EXPECT_EQ(TakeErrorBoxes(), std::vector<std::string>{});
}

TEST(HostilePages, ContextMenuOffersNothingBeyondThisOneWindow) {
    OpenViewer viewer([](const TempFolder& folder) {
        folder.Write("pic.bmp", BmpFile(40, 30));
        folder.Write("a.htm", R"page(<title>Page a</title><body style="margin:0">
<a href="pic.bmp"><img src="pic.bmp" width="400" height="300"></a></body>)page");
    });
    TForm1& form = viewer.Form();
    viewer.ClickItem(" Page a");
    ASSERT_EQ(Title(form, "Page a"), "Page a");
    std::vector<WebKitContextMenuAction> offered;
    const gulong handler = g_signal_connect(
        form.WB->View(), "context-menu",
        G_CALLBACK(+[](WebKitWebView*, WebKitContextMenu* menu, GdkEvent*, WebKitHitTestResult*,
                       gpointer data) -> gboolean {
            auto& actions = *static_cast<std::vector<WebKitContextMenuAction>*>(data);
            for (GList* item = webkit_context_menu_get_items(menu); item; item = item->next) {
                actions.push_back(webkit_context_menu_item_get_stock_action(
                    static_cast<WebKitContextMenuItem*>(item->data)));
            }
            return TRUE;  // seen; nothing pops up on the test's screen
        }),
        &offered);
    ClickAt(form.WB->GetScreenPosition() + wxPoint(200, 150), 3);
    ASSERT_TRUE(RunEventLoopUntil([&] { return !offered.empty(); }));
    g_signal_handler_disconnect(form.WB->View(), handler);
    const std::set<WebKitContextMenuAction> actions(offered.begin(), offered.end());
    EXPECT_TRUE(actions.count(WEBKIT_CONTEXT_MENU_ACTION_COPY_IMAGE_TO_CLIPBOARD))
        << "the menu is the one for the picture";
    for (const WebKitContextMenuAction refused :
         {WEBKIT_CONTEXT_MENU_ACTION_OPEN_IMAGE_IN_NEW_WINDOW,
          WEBKIT_CONTEXT_MENU_ACTION_OPEN_LINK_IN_NEW_WINDOW,
          WEBKIT_CONTEXT_MENU_ACTION_DOWNLOAD_IMAGE_TO_DISK,
          WEBKIT_CONTEXT_MENU_ACTION_DOWNLOAD_LINK_TO_DISK,
          WEBKIT_CONTEXT_MENU_ACTION_INSPECT_ELEMENT}) {
        EXPECT_FALSE(actions.count(refused)) << "action " << refused;
    }
}

TEST(HostilePages, FailuresAPageCausesShowNoBoxAndTheWindowStillCloses) {
    OpenViewer viewer([](const TempFolder& folder) {
        folder.Write("notes.zip", "PK\x03\x04 not a page");
        folder.Write("a.htm", R"page(<title>Page a</title><body style="margin:0">
<a href="notes.zip" style="display:block;height:200px">notes</a></body>)page");
        folder.Write("timer.htm", R"page(<title>Timer</title><script>
var tries = 0;
setInterval(function () {
  if (tries == 10) { document.title = 'tried 10'; return; }
  ++tries;
  location = URL.createObjectURL(new Blob(['PK'], { type: 'application/zip' }));
}, 300);
</script>)page");
    });
    TForm1& form = viewer.Form();
    TakeErrorBoxes();
    viewer.ClickItem(" Page a");
    ASSERT_EQ(Title(form, "Page a"), "Page a");
    std::vector<std::string> failed;
    const gulong handler = g_signal_connect(
        form.WB->View(), "load-failed",
        G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent, gchar* uri, GError*, gpointer data) {
            static_cast<std::vector<std::string>*>(data)->push_back(uri);
            return FALSE;
        }),
        &failed);
    ClickAt(form.WB->GetScreenPosition() + wxPoint(100, 100));
    EXPECT_TRUE(RunEventLoopUntil([&] { return !failed.empty(); })) << "the engine showed the zip";
    g_signal_handler_disconnect(form.WB->View(), handler);
    EXPECT_EQ(failed, std::vector<std::string>{CourseUri(viewer.Folder().Path() + "notes.zip")});
    EXPECT_EQ(Title(form, "Page a"), "Page a") << "the page stays";

    viewer.ClickItem(" Timer");
    EXPECT_EQ(WaitForScript(
                  form, "document.title",
                  [](const std::string& title) { return title == "tried 10"; }, 20000),
              "tried 10");
    EXPECT_EQ(TakeErrorBoxes(), std::vector<std::string>{});
    const wxWeakRef<TForm1> alive(&form);
    ClickCloseButton(form);
    EXPECT_TRUE(WaitUntilGone(alive));
}

TEST(HostilePages, PageLoopingForeverGivesWayToTheNextClickAndEndsWithTheWindow) {
    auto viewer = std::make_unique<OpenViewer>([](const TempFolder& folder) {
        folder.Write("loop.htm", "<title>Loop</title><script>for (;;) {}</script>");
        folder.Write("next.htm", "<title>Next</title>");
    });
    TForm1& form = viewer->Form();
    viewer->ClickItem(" Loop");
    ASSERT_NE(SpinningWebProcess(::getpid()), 0);
    viewer->ClickItem(" Next");
    EXPECT_EQ(Title(form, "Next"), "Next");
    EXPECT_EQ(TakeErrorBoxes(), std::vector<std::string>{});

    viewer->ClickItem(" Loop");
    const pid_t spinning = SpinningWebProcess(::getpid());
    ASSERT_NE(spinning, 0);
    const wxWeakRef<TForm1> alive(&form);
    ClickCloseButton(form);
    ASSERT_TRUE(WaitUntilGone(alive));
    EXPECT_TRUE(RunEventLoopUntil([&] { return !Running(spinning); }))
        << "the page's web process outlived the window";
}

// The engine itself never notices a process that hangs after it took the
// next address: the page it leaves loops, or a clip's player is caught as it
// is torn down. The page asked for comes on a fresh process, announced once.
TEST(HostilePages, PageLoopingAsItIsLeftGivesWayToTheNextClick) {
    OpenViewer viewer([](const TempFolder& folder) {
        folder.Write("loop.htm",
                     "<title>Loop</title><script>onpagehide = () => { for (;;) {} };</script>");
        folder.Write("next.htm", "<title>Next</title>");
    });
    TForm1& form = viewer.Form();
    viewer.ClickItem(" Loop");
    ASSERT_EQ(Title(form, "Loop"), "Loop");
    NavigationRecorder navigations(form);
    viewer.ClickItem(" Next");
    EXPECT_EQ(Title(form, "Next"), "Next");
    EXPECT_EQ(navigations.Urls(), std::vector<std::string>{CourseUri(form.PagePaths().at(1))});
    EXPECT_EQ(TakeErrorBoxes(), std::vector<std::string>{});
}

TEST(HostilePages, RealProgramEndsALoopingPagesWebProcessWhenClosed) {
    TempFolder course;
    course.Write("loop.htm", "<title>Loop</title><script>for (;;) {}</script>");
    std::filesystem::copy_file(VIEWER_EXECUTABLE, course.Path() + "courseview");
    ViewerProcess viewer(course.Path());
    ASSERT_TRUE(WaitForViewerWindow(viewer.Pid(), DeadlineIn(30000)));
    // The catalogue of one page, its only entry on the tree's first row. The
    // screen may still show an earlier window there: click until the page runs.
    const wxPoint entry = DesignedPlace.GetTopLeft() + wxPoint(60, 72);
    pid_t spinning = 0;
    for (int attempt = 0; attempt < 5 && spinning == 0; ++attempt) {
        ClickAt(entry);
        spinning = SpinningWebProcess(viewer.Pid(), 6000);
    }
    ASSERT_NE(spinning, 0) << "the page does not loop";
    EXPECT_TRUE(CloseWithItsButton(viewer, 15000));
    // The engine would end an orphaned web process itself only after seconds of
    // spinning; the viewer ends it with its window.
    EXPECT_TRUE(RunEventLoopUntil([&] { return !Running(spinning); }, 2000))
        << "the page's web process outlived the viewer";
    if (Running(spinning)) ::kill(spinning, SIGKILL);
}

TEST(HostilePages, EndlessAlertsGiveWayToTheNextClickAndTheCloseButton) {
    OpenViewer viewer([](const TempFolder& folder) {
        folder.Write("alerts.htm",
                     "<title>Alerts</title><script>for (;;) alert('again');</script>");
        folder.Write("next.htm", "<title>Next</title>");
    });
    TForm1& form = viewer.Form();
    viewer.ClickItem(" Alerts");
    ASSERT_TRUE(RunEventLoopUntil([&] { return !PageAnswers(form); }, 15000));
    viewer.ClickItem(" Next");
    EXPECT_EQ(Title(form, "Next"), "Next");
    viewer.ClickItem(" Alerts");
    ASSERT_TRUE(RunEventLoopUntil([&] { return !PageAnswers(form); }, 15000));
    const wxWeakRef<TForm1> alive(&form);
    ClickCloseButton(form);
    EXPECT_TRUE(WaitUntilGone(alive));
}
