#include "ViewerHarness.h"

#include <gtest/gtest.h>
#include <wx/evtloop.h>
#include <wx/timer.h>
#include <wx/treectrl.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "CourseAddress.h"
#include "CourseBrowser.h"
#include "ErrorBox.h"
#include "ProgramFolder.h"
#include "Utf.h"

namespace courseview::testing {

namespace {

class LoopWatch : public wxTimer {
public:
    LoopWatch(wxEventLoopBase& loop, std::function<bool()> done, int timeoutMs)
        : m_loop(loop),
          m_done(std::move(done)),
          m_deadline(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs)) {}

    void Notify() override {
        if ((m_done && m_done()) || std::chrono::steady_clock::now() >= m_deadline) m_loop.Exit();
    }

private:
    wxEventLoopBase& m_loop;
    std::function<bool()> m_done;
    std::chrono::steady_clock::time_point m_deadline;
};

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

wxTreeItemId FindCaption(const wxTreeCtrl& tree, const wxTreeItemId& parent,
                         const wxString& caption) {
    wxTreeItemIdValue cookie;
    for (wxTreeItemId child = tree.GetFirstChild(parent, cookie); child.IsOk();
         child = tree.GetNextChild(parent, cookie)) {
        if (tree.GetItemText(child) == caption) return child;
        if (const wxTreeItemId found = FindCaption(tree, child, caption); found.IsOk())
            return found;
    }
    return {};
}

std::vector<std::string>& ErrorBoxes() {
    static std::vector<std::string> boxes;
    return boxes;
}

}  // namespace

void InterceptErrorBoxes() {
    SetErrorBoxInterceptor([](const std::string& caption, const std::string& text) {
        ErrorBoxes().push_back(caption + "|" + text);
    });
}

std::vector<std::string> TakeErrorBoxes() {
    std::vector<std::string> boxes;
    boxes.swap(ErrorBoxes());
    return boxes;
}

bool RunEventLoopUntil(const std::function<bool()>& done, int timeoutMs) {
    if (done && done()) return true;
    wxGUIEventLoop loop;
    LoopWatch watch(loop, done, timeoutMs);
    watch.Start(10);
    loop.Run();
    watch.Stop();
    return done && done();
}

void RunEventLoopFor(int milliseconds) { RunEventLoopUntil({}, milliseconds); }

std::string RunCommand(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << command;
        return output;
    }
    char buffer[4096];
    while (const std::size_t count = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, count);
    const int status = ::pclose(pipe);
    EXPECT_EQ(status, 0) << command << "\n" << output;
    return output;
}

void MovePointerTo(wxPoint screen) {
    // Arrive from a pixel away, as a hand-moved pointer does, so the window
    // under it sees a move and not only an entry.
    RunCommand("xdotool mousemove --sync " + std::to_string(screen.x - 1) + " " +
               std::to_string(screen.y - 1));
    RunEventLoopFor(30);
    RunCommand("xdotool mousemove --sync " + std::to_string(screen.x) + " " +
               std::to_string(screen.y));
    RunEventLoopFor(100);
}

void ClickAt(wxPoint screen, int button) {
    MovePointerTo(screen);
    RunCommand("xdotool click " + std::to_string(button));
    RunEventLoopFor(150);
}

void DoubleClickAt(wxPoint screen) {
    MovePointerTo(screen);
    RunCommand("xdotool click --repeat 2 --delay 60 1");
    RunEventLoopFor(150);
}

void PressKey(const std::string& keyName) {
    RunCommand("xdotool key " + keyName);
    RunEventLoopFor(150);
}

std::string BmpFile(int width, int height) {
    const int rowBytes = (width * 3 + 3) / 4 * 4;
    const std::uint32_t pixelBytes = static_cast<std::uint32_t>(rowBytes * height);
    std::string file = "BM";
    PutLittleEndian(file, 54 + pixelBytes, 4);
    PutLittleEndian(file, 0, 4);
    PutLittleEndian(file, 54, 4);
    PutLittleEndian(file, 40, 4);
    PutLittleEndian(file, static_cast<std::uint32_t>(width), 4);
    PutLittleEndian(file, static_cast<std::uint32_t>(height), 4);
    PutLittleEndian(file, 1, 2);
    PutLittleEndian(file, 24, 2);
    PutLittleEndian(file, 0, 4);
    PutLittleEndian(file, pixelBytes, 4);
    for (int i = 0; i < 4; ++i) PutLittleEndian(file, 0, 4);
    for (int y = 0; y < height; ++y) {
        std::string row;
        for (int x = 0; x < width; ++x) row += std::string("\x20\x40\xE0", 3);  // blue, green, red
        row.resize(static_cast<std::size_t>(rowBytes), '\0');
        file += row;
    }
    return file;
}

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

NavigationRecorder::NavigationRecorder(TForm1& form) {
    form.WB->Bind(EVT_BROWSER_NAVIGATING, [this](wxCommandEvent& event) {
        m_urls.push_back(event.GetString().utf8_string());
        event.Skip();
    });
}

bool NavigationRecorder::WaitFor(const std::string& url, int timeoutMs) const {
    return RunEventLoopUntil([&] { return !m_urls.empty() && m_urls.back() == url; }, timeoutMs);
}

OpenViewer::OpenViewer(const std::function<void(const TempFolder&)>& prepare, bool waitForCatalogue,
                       const std::string& developerRoot) {
    if (prepare) prepare(m_folder);
    // Nothing may land outside the test's folder, not even the wrapper page.
    m_places =
        FormPlaces{m_folder.Path(), std::string(),
                   developerRoot.empty() ? m_folder.Path() + "no-developer-root" : developerRoot};
    m_form = new TForm1(m_places);
    // The blank page's load finishes first, so a test sees only the navigations it causes.
    auto blankPageLoaded = std::make_shared<bool>(false);
    const std::string blankPage = CourseUri(m_places.programFolder + "temp.htm");
    m_form->WB->Bind(EVT_BROWSER_LOADED, [blankPageLoaded, blankPage](wxCommandEvent& event) {
        if (event.GetString().utf8_string() == blankPage) *blankPageLoaded = true;
        event.Skip();
    });
    m_form->ShowAtDesignedPlace();
    if (waitForCatalogue && FileExists(m_places.programFolder + "temp.htm")) {
        EXPECT_TRUE(RunEventLoopUntil([&] { return *blankPageLoaded; }))
            << "the blank page never loaded";
    }
    if (waitForCatalogue) {
        const bool ready = RunEventLoopUntil([this] {
            return m_form && m_form->IsShown() && m_form->FirstActivationDone() &&
                   !m_form->Scanning();
        });
        EXPECT_TRUE(ready) << "the window never became active and built its catalogue";
    }
}

OpenViewer::~OpenViewer() {
    if (m_form) m_form->Destroy();
    EXPECT_TRUE(WaitUntilGone(m_form));
}

wxTreeItemId OpenViewer::Item(const std::string& caption) const {
    const wxTreeItemId item =
        FindCaption(*m_form->TV, m_form->TV->GetRootItem(), wxString::FromUTF8(caption));
    EXPECT_TRUE(item.IsOk()) << "no node captioned \"" << caption << "\"";
    if (item.IsOk()) {
        m_form->TV->EnsureVisible(item);
        RunEventLoopFor(100);
    }
    return item;
}

wxPoint OpenViewer::ItemOnScreen(const wxTreeItemId& item) const {
    wxRect label;
    m_form->TV->GetBoundingRect(item, label, true);
    return m_form->TV->ClientToScreen(
        wxPoint(label.x + label.width / 2, label.y + label.height / 2));
}

void OpenViewer::ClickItem(const std::string& caption) const {
    const wxTreeItemId item = Item(caption);
    if (item.IsOk()) ClickAt(ItemOnScreen(item));
}

std::optional<std::string> RunScript(TForm1& form, const std::string& script, int timeoutMs) {
    auto outcome = std::make_shared<std::optional<std::optional<std::string>>>();
    form.WB->RunScript(script, [outcome](std::optional<std::string> value) { *outcome = value; });
    if (!RunEventLoopUntil([&] { return outcome->has_value(); }, timeoutMs)) return std::nullopt;
    return **outcome;
}

std::string WaitForScript(TForm1& form, const std::string& script,
                          const std::function<bool(const std::string&)>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string value;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return value;
        const std::optional<std::string> now =
            RunScript(form, script, static_cast<int>(std::min<long>(left.count(), 2000)));
        value = now.value_or("");
        if (now && done(*now)) return value;
        RunEventLoopFor(20);  // polling: the page changes as its own scripts run
    }
}

bool WaitUntilGone(const wxWeakRef<TForm1>& form, int timeoutMs) {
    return RunEventLoopUntil([&] { return !form; }, timeoutMs);
}

}  // namespace courseview::testing
