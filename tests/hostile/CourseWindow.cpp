#include "CourseWindow.h"

#include <gtest/gtest.h>

#include "CourseBrowser.h"
#include "ViewerHarness.h"

namespace courseview::testing {

CourseWindow::CourseWindow(const std::function<void(CourseWindow&)>& prepare)
    : m_course(m_outside.MakeFolder("course") + "/") {
    if (prepare) prepare(*this);
    m_form = new TForm1(FormPlaces::InProgramFolder(m_course, {}, m_course + "none"));
    m_form->ShowAtDesignedPlace();
    EXPECT_TRUE(RunEventLoopUntil(
        [this] { return m_form && m_form->FirstActivationDone() && !m_form->Scanning(); }));
}

CourseWindow::~CourseWindow() {
    if (m_form) m_form->Destroy();
    EXPECT_TRUE(WaitUntilGone(m_form));
}

std::string CourseWindow::Write(const std::string& relative, std::string_view bytes) const {
    return WriteFile(m_course + relative, bytes);
}

std::string CourseWindow::Outcome(const std::string& page, int timeoutMs) {
    m_form->WB->Open(m_course + page);
    return WaitForScript(
        *m_form, "document.title",
        [](const std::string& title) { return !title.empty() && title != "Probe"; }, timeoutMs);
}

}  // namespace courseview::testing
