#pragma once
// How the author's tool prints the check's problems as they come: grouped by
// page for a person, or one JSON object for other programs.

#include <cstdint>
#include <string>

#include "CatalogueReport.h"
#include "CheckProblem.h"

namespace courseview {

// {"problems": [PROBLEM...]} with PROBLEM = {"kind": STRING, "path": STRING,
// "line": INT or null, "link": STRING or null, "target": STRING or null,
// "message": STRING}, one problem a line, in the order added. Always valid
// JSON in UTF-8: text that is not UTF-8 shows as U+FFFD.
class CheckJsonReport {
public:
    explicit CheckJsonReport(ReportSink sink) : m_sink(std::move(sink)) {}
    void Add(const Problem& problem);
    void Finish();

private:
    void Flush();

    ReportSink m_sink;
    std::string m_text;  // waiting to go out
    std::uint64_t m_count = 0;
};

// A line with each page's path, its problems indented below it, then how
// many problems on how many pages, or that nothing was found.
class CheckTextReport {
public:
    explicit CheckTextReport(ReportSink sink) : m_sink(std::move(sink)) {}
    void Add(const Problem& problem);
    void Finish();

private:
    void Flush();

    ReportSink m_sink;
    std::string m_text;
    std::string m_page;  // the page of the problems before
    std::uint64_t m_count = 0;
    std::uint64_t m_pages = 0;
};

}  // namespace courseview
