#pragma once
// Drives the real viewer window on the test's X display: runs the event loop
// until something happens, moves and clicks the real pointer, and lays out
// course folders to open.

#include <wx/gdicmn.h>
#include <wx/treebase.h>
#include <wx/weakref.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MainForm.h"
#include "TempFolder.h"

namespace courseview::testing {

// Every error box shown since the last call of this function, as "caption|text";
// the boxes never block, so a test can look at them.
std::vector<std::string> TakeErrorBoxes();
void InterceptErrorBoxes();

// Runs the event loop until `done` holds or `timeoutMs` has passed; returns `done()`.
bool RunEventLoopUntil(const std::function<bool()>& done, int timeoutMs = 10000);
void RunEventLoopFor(int milliseconds);

// The real pointer and keyboard, through the X test extension (xdotool).
void MovePointerTo(wxPoint screen);
void ClickAt(wxPoint screen, int button = 1);
void DoubleClickAt(wxPoint screen);
void PressKey(const std::string& keyName);
// Runs a shell command, fails the test when it fails; returns its output.
std::string RunCommand(const std::string& command);

// Complete small picture files.
std::string BmpFile(int width = 4, int height = 4);

std::string ReadBytes(const std::filesystem::path& path);

// The addresses the viewer asked its browser to open, in order.
class NavigationRecorder {
public:
    explicit NavigationRecorder(TForm1& form);
    const std::vector<std::string>& Urls() const { return m_urls; }
    bool WaitFor(const std::string& url, int timeoutMs = 10000) const;

private:
    std::vector<std::string> m_urls;
};

// Runs `script` in the page the browser shows and returns its value as text;
// nothing when it failed or gave no answer in time.
std::optional<std::string> RunScript(TForm1& form, const std::string& script,
                                     int timeoutMs = 10000);
// Runs `script` again and again until its value satisfies `done` or the time
// is up; returns the last value ("" for none).
std::string WaitForScript(TForm1& form, const std::string& script,
                          const std::function<bool(const std::string&)>& done,
                          int timeoutMs = 10000);

// A viewer window over a program folder of its own, activated and with its
// catalogue built; closed and gone when the fixture ends.
class OpenViewer {
public:
    // `prepare` lays out the program folder before the window opens.
    explicit OpenViewer(const std::function<void(const TempFolder&)>& prepare = {},
                        bool waitForCatalogue = true, const std::string& developerRoot = {});
    ~OpenViewer();

    TForm1& Form() const { return *m_form; }
    const TempFolder& Folder() const { return m_folder; }
    FormPlaces& Places() { return m_places; }

    // The node with this caption, expanded into view; fails the test when missing.
    wxTreeItemId Item(const std::string& caption) const;
    // The middle of a node's label on the screen.
    wxPoint ItemOnScreen(const wxTreeItemId& item) const;
    void ClickItem(const std::string& caption) const;

private:
    TempFolder m_folder;
    FormPlaces m_places;
    wxWeakRef<TForm1> m_form;
};

// Waits until `form` has been destroyed.
bool WaitUntilGone(const wxWeakRef<TForm1>& form, int timeoutMs = 10000);

}  // namespace courseview::testing
