#pragma once
// The author's check: a course scanned exactly as the viewer scans it, every
// page of its catalogue read, and every problem a student would meet and the
// author never sees on their own machine reported, page by page in catalogue
// order.
//
// An entry's problems come in this order: its caption shared with others of
// its folder (on the first of them), its title too short, its dependence on
// the code page, its links in page order. A page that could not be read, and
// so ended its folder's listing, is reported where it stood in the listing;
// so is a folder whose listing failed. Pages are only read: links are not
// followed, so links that go round in circles cost nothing.

#include <cstdint>
#include <string>

#include "CheckProblem.h"
#include "CodePage.h"

namespace courseview {

class CourseCheck {
public:
    explicit CourseCheck(const CodePage& systemCodePage = SystemCodePage());

    // Without it every page is read as HTML (PageCheck::UseFilter).
    void UsePageFilter(bool use) { m_usePageFilter = use; }

    // Checks the course in `folder` and hands each problem to `sink` as it is
    // found. Returns how many there were.
    std::uint64_t Run(const std::string& folder, const ProblemSink& sink);

private:
    const CodePage& m_systemCodePage;
    bool m_usePageFilter = true;
};

}  // namespace courseview
