// courseview as a Linux program: installed into a scratch prefix, its files
// checked, and the installed viewer run on the sample course named on its
// command line, on X servers of the test's own. Everything is watched from
// outside, as a student would see it: the window, its pixels, and the
// runtime folder that takes the viewer's page.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cctype>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <thread>

#include "HostileSupport.h"
#include "JsonDocument.h"
#include "OutsideView.h"

using namespace courseview::testing;

namespace {

// `text` with its %XX escapes turned back into bytes: a wrapper page escapes
// what its code page cannot carry.
std::string PercentDecoded(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(text[i + 1]) &&
            std::isxdigit(text[i + 2])) {
            bytes.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else {
            bytes.push_back(text[i]);
        }
    }
    return bytes;
}

// The viewer's window places (its designed layout).
XRectangle TreeIn(XRectangle window) {
    return {static_cast<short>(window.x + 18), static_cast<short>(window.y + 64), 231, 473};
}
XRectangle BrowserIn(XRectangle window) {
    return {static_cast<short>(window.x + 255), static_cast<short>(window.y + 64), 515, 473};
}

// The installed programs, in a scratch prefix shared by the tests.
class Installed : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_root = new TempFolder();
        Command("DESTDIR='" + s_root->Path() +
                "' '" CMAKE_COMMAND "' --install '" BUILD_FOLDER "' --prefix /usr 2>&1");
    }
    static void TearDownTestSuite() {
        delete s_root;
        s_root = nullptr;
    }

    static std::string Prefix() { return s_root->Path() + "usr/"; }

    // The installed viewer on `server`, its pages in `runtime`.
    static std::unique_ptr<Child> StartViewer(const XServer& server, const std::string& runtime,
                                              const std::vector<std::string>& arguments,
                                              const std::string& program = {},
                                              const std::string& temp = "/tmp") {
        std::vector<std::string> command{program.empty() ? Prefix() + "bin/courseview" : program};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return std::make_unique<Child>(
            command, std::map<std::string, std::string>{{"DISPLAY", server.Name()},
                                                        {"XDG_RUNTIME_DIR", runtime},
                                                        {"TMPDIR", temp},
                                                        {"NO_AT_BRIDGE", "1"}});
    }

    static TempFolder* s_root;
};

TempFolder* Installed::s_root = nullptr;

std::string OwnPage(const std::string& runtime, pid_t pid) {
    return runtime + "courseview-" + std::to_string(pid) + "-temp.htm";
}

// Waits until `viewer` has mapped its window on `server` and written `page`.
bool ShowsWindowAndPage(const XServer& server, const Child& viewer, const std::string& page) {
    return WaitUntil([&] {
        return MappedWindowOf(server.Connection(), viewer.Pid()) && std::filesystem::exists(page);
    });
}

}  // namespace

TEST_F(Installed, ProgramsDesktopEntryIconsMetadataAndManualPages) {
    const std::string share = Prefix() + "share/";
    const std::string id = "org.courseview.CourseView";
    for (const std::string& file :
         {Prefix() + "bin/courseview", Prefix() + "bin/courseview-catalogue",
          share + "applications/" + id + ".desktop", share + "metainfo/" + id + ".metainfo.xml",
          share + "man/man1/courseview.1.gz", share + "man/man1/courseview-catalogue.1.gz",
          share + "doc/courseview/copyright"}) {
        EXPECT_TRUE(std::filesystem::is_regular_file(file)) << file;
    }
    const std::string entry = ReadFileBytes(share + "applications/" + id + ".desktop");
    for (const char* line : {"\nExec=courseview %f\n", "\nCategories=Education;Viewer;\n",
                             "\nMimeType=inode/directory;\n", "\nName[ru]=", "\nComment[ru]="}) {
        EXPECT_NE(entry.find(line), std::string::npos) << line;
    }
    // A PNG's size stands in its header; the card's corners are transparent.
    for (const int size : {48, 128, 256}) {
        const std::string icon = share + "icons/hicolor/" + std::to_string(size) + "x" +
                                 std::to_string(size) + "/apps/" + id + ".png";
        const std::string png = ReadFileBytes(icon);
        ASSERT_GT(png.size(), 24u) << icon;
        EXPECT_EQ(png.substr(1, 3), "PNG");
        auto field = [&png](std::size_t at) {
            return (static_cast<unsigned char>(png[at]) << 24) |
                   (static_cast<unsigned char>(png[at + 1]) << 16) |
                   (static_cast<unsigned char>(png[at + 2]) << 8) |
                   static_cast<unsigned char>(png[at + 3]);
        };
        EXPECT_EQ(field(16), static_cast<unsigned>(size)) << icon;
        EXPECT_EQ(field(20), static_cast<unsigned>(size)) << icon;
        if (std::system("command -v convert >/dev/null") == 0) {
            EXPECT_EQ(
                Command("convert '" + icon + "' -format '%[fx:p{0,0}.a] %[fx:p{" +
                        std::to_string(size / 2) + "," + std::to_string(size / 2) + "}.a]' info:"),
                "0 1");
        }
    }
    EXPECT_EQ(Command(Prefix() + "bin/courseview --version").rfind("courseview ", 0), 0u);
    if (std::system("command -v desktop-file-validate >/dev/null") == 0)
        Command("desktop-file-validate '" + share + "applications/" + id + ".desktop' 2>&1");
    if (std::system("command -v appstreamcli >/dev/null") == 0)
        Command("appstreamcli validate --no-net '" + share + "metainfo/" + id +
                ".metainfo.xml' 2>&1");
}

TEST_F(Installed, ViewerShowsTheSampleCourseNamedOnItsCommandLineAndOpensAPicture) {
    // Where the picture is in the catalogue, from the same scan.
    std::string error;
    const auto catalogue = ParseJson(
        Command("'" + Prefix() + "bin/courseview-catalogue' --json '" SAMPLE_COURSE "'"), &error);
    ASSERT_TRUE(catalogue) << error;
    const auto& topLevel = catalogue->Find("nodes")->items;
    std::size_t folder = 0;
    std::size_t child = 0;
    std::string picture;
    for (std::size_t t = 0; t < topLevel.size() && picture.empty(); ++t) {
        const auto& children = topLevel[t].Find("children")->items;
        for (std::size_t c = 0; c < children.size() && picture.empty(); ++c) {
            const auto& entry = children[c].Find("entry")->text;
            if (entry.empty()) continue;
            const std::string path = catalogue->Find("paths")->items[std::stoul(entry)].text;
            if (path.ends_with(".jpg") || path.ends_with(".bmp")) {
                folder = t;
                child = c;
                picture = path;
            }
        }
    }
    ASSERT_FALSE(picture.empty()) << "the sample course has no picture in a folder";

    const Snapshot before = TakeSnapshot(SAMPLE_COURSE);
    TempFolder runtime;
    XServer server;
    ASSERT_TRUE(server.Ready());
    auto viewer = StartViewer(server, runtime.Path(), {SAMPLE_COURSE});
    std::optional<XRectangle> window;
    ASSERT_TRUE(WaitUntil([&] {
        return (window = MappedWindowOf(server.Connection(), viewer->Pid())).has_value();
    })) << "no window";
    EXPECT_EQ(window->width, 800);
    EXPECT_EQ(window->height, 600);
    const std::string page = OwnPage(runtime.Path(), viewer->Pid());
    EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(page); })) << "no blank page";

    // The catalogue: a row of red captions for each top-level entry.
    std::vector<Band> rows;
    ASSERT_TRUE(WaitUntil([&] {
        rows = CaptionBands(server.Connection(), TreeIn(*window));
        return rows.size() == topLevel.size();
    })) << rows.size()
        << " rows of captions for " << topLevel.size() << " entries:" << [&] {
               std::string shown;
               for (const Band& band : rows)
                   shown += " " + std::to_string(band.top) + "-" + std::to_string(band.bottom) +
                            ":" + std::to_string(band.left) + "-" + std::to_string(band.right);
               return shown;
           }();
    const double pitch = (rows.back().Middle() - rows.front().Middle()) / (rows.size() - 1.0);
    const XRectangle tree = TreeIn(*window);
    EXPECT_EQ(PixelsOtherThanPink(server.Connection(), BrowserIn(*window)), 0u) << "a blank page";

    // Open the folder, then the picture in it.
    ClickAt(server, tree.x + rows[folder].left + 10, tree.y + rows[folder].Middle(), 2);
    const int pictureRow = static_cast<int>(rows.front().Middle() + (folder + 1 + child) * pitch);
    Band target{};
    ASSERT_TRUE(WaitUntil([&] {
        for (const Band& band : CaptionBands(server.Connection(), tree))
            if (band.top <= pictureRow && pictureRow <= band.bottom) target = band;
        return target.right > 0;
    })) << "the folder did not open";
    ClickAt(server, tree.x + (target.left + target.right) / 2, tree.y + pictureRow);
    EXPECT_TRUE(WaitUntil([&] {
        return PercentDecoded(ReadFileBytes(page)).find(picture) != std::string::npos;
    })) << ReadFileBytes(page);
    const XRectangle browser = BrowserIn(*window);
    EXPECT_TRUE(WaitUntil([&] {
        return PixelsOtherThanPink(server.Connection(), browser) >
               browser.width * browser.height / 2u;
    })) << "the picture is not on the screen";

    viewer->Signal(SIGTERM);
    const auto status = viewer->WaitForEnd();
    ASSERT_TRUE(status) << "the viewer did not end";
    EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == SIGTERM);
    EXPECT_EQ(ListingOrder(runtime.Path()), std::vector<std::string>{});
    EXPECT_TRUE(SameTree(before, SAMPLE_COURSE)) << "the course was written";
}

TEST_F(Installed, NoEndingLeavesThePageBehind) {
    TempFolder course;
    course.Write("a.htm", "<title>A page</title>");
    TempFolder runtime;
    XServer server;
    ASSERT_TRUE(server.Ready());
    for (const int signalNumber : {SIGHUP, SIGINT, SIGQUIT, 0}) {
        SCOPED_TRACE(signalNumber == 0 ? "the X server went away" : strsignal(signalNumber));
        std::optional<XServer> own;
        if (signalNumber == 0) own.emplace();
        const XServer& shown = own ? *own : server;
        auto viewer = StartViewer(shown, runtime.Path(), {course.Path()});
        const std::string page = OwnPage(runtime.Path(), viewer->Pid());
        ASSERT_TRUE(ShowsWindowAndPage(shown, *viewer, page));
        if (signalNumber == 0) {
            own->Kill();
        } else {
            viewer->Signal(signalNumber);
        }
        EXPECT_TRUE(viewer->WaitForEnd()) << "the viewer did not end";
        EXPECT_EQ(ListingOrder(runtime.Path()), std::vector<std::string>{});
    }
}

// Copied into the course, as an author lays a course out: the first viewer
// takes the course's temp.htm, the second writes a page of its own.
TEST_F(Installed, SecondViewerInTheSameCourseLeavesTheFirstOnesPageAlone) {
    TempFolder course;
    course.Write("a.htm", "<title>A page</title>");
    const std::string program = course.Path() + "courseview";
    std::filesystem::copy_file(Prefix() + "bin/courseview", program);
    TempFolder runtime;
    XServer server;
    ASSERT_TRUE(server.Ready());
    const std::string shared = course.Path() + "temp.htm";
    auto first = StartViewer(server, runtime.Path(), {}, program);
    ASSERT_TRUE(ShowsWindowAndPage(server, *first, shared));
    auto second = StartViewer(server, runtime.Path(), {}, program);
    const std::string own = OwnPage(runtime.Path(), second->Pid());
    ASSERT_TRUE(ShowsWindowAndPage(server, *second, own));
    second->Signal(SIGTERM);
    EXPECT_TRUE(second->WaitForEnd());
    EXPECT_TRUE(std::filesystem::exists(shared))
        << "the second viewer removed the first one's page";
    EXPECT_EQ(ListingOrder(runtime.Path()), std::vector<std::string>{});
    first->Signal(SIGTERM);
    EXPECT_TRUE(first->WaitForEnd());
    EXPECT_FALSE(std::filesystem::exists(shared));
}

// No runtime folder and a temp folder that is gone: the viewer starts all the
// same, and its page goes to /tmp.
TEST_F(Installed, MissingRuntimeAndTempFoldersLeaveTheViewerTmp) {
    TempFolder course;
    course.Write("a.htm", "<title>A page</title>");
    XServer server;
    ASSERT_TRUE(server.Ready());
    auto viewer = StartViewer(server, "", {course.Path()}, {}, course.Path() + "gone");
    const std::string page = OwnPage("/tmp/", viewer->Pid());
    ASSERT_TRUE(ShowsWindowAndPage(server, *viewer, page));
    viewer->Signal(SIGTERM);
    EXPECT_TRUE(viewer->WaitForEnd());
    EXPECT_FALSE(std::filesystem::exists(page));
}
