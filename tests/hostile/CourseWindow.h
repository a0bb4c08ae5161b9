#pragma once
// A viewer window over a course folder that has an outside: "course/" inside
// a folder of its own, so pages can try to reach past it. The window is shown
// with its catalogue built, and destroyed at the end.

#include <wx/frame.h>
#include <wx/weakref.h>

#include <functional>
#include <string>

#include "HostileSupport.h"
#include "MainForm.h"

namespace courseview::testing {

class CourseWindow {
public:
    // `prepare` lays out the course (and its outside) before the window opens.
    explicit CourseWindow(const std::function<void(CourseWindow&)>& prepare = {});
    ~CourseWindow();

    TForm1& Form() const { return *m_form; }
    bool Alive() const { return m_form; }
    const wxWeakRef<TForm1>& Weak() const { return m_form; }

    // The folder around the course, and the course itself; both end in "/".
    const std::string& Outside() const { return m_outside.Path(); }
    const std::string& Course() const { return m_course; }
    std::string Write(const std::string& relative, std::string_view bytes) const;

    // Opens the course's `page` and returns the title its scripts settle on:
    // the first one that is neither empty nor "Probe".
    std::string Outcome(const std::string& page, int timeoutMs = 15000);

private:
    TempFolder m_outside;
    std::string m_course;
    wxWeakRef<TForm1> m_form;
};

}  // namespace courseview::testing
