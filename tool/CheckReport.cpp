#include "CheckReport.h"

#include "ReportText.h"

namespace courseview {

namespace {

// Text goes out in pieces of about this size: a report may run to millions
// of problems, and none of them waits in memory for the others.
constexpr std::size_t PieceBytes = 64 * 1024;

void AppendOptionalString(std::string& out, const std::optional<std::string>& text) {
    if (text) {
        AppendJsonString(out, *text);
    } else {
        out += "null";
    }
}

}  // namespace

void CheckJsonReport::Add(const Problem& problem) {
    m_text += m_count++ == 0 ? "{\"problems\": [\n  {\"kind\": " : ",\n  {\"kind\": ";
    AppendJsonString(m_text, ProblemKindName(problem.kind));
    m_text += ", \"path\": ";
    AppendJsonString(m_text, problem.path);
    m_text += ", \"line\": ";
    if (problem.line) {
        AppendNumber(m_text, static_cast<std::int64_t>(*problem.line));
    } else {
        m_text += "null";
    }
    m_text += ", \"link\": ";
    AppendOptionalString(m_text, problem.link);
    m_text += ", \"target\": ";
    AppendOptionalString(m_text, problem.target);
    m_text += ", \"message\": ";
    AppendJsonString(m_text, problem.message);
    m_text += "}";
    if (m_text.size() >= PieceBytes) Flush();
}

void CheckJsonReport::Finish() {
    m_text += m_count == 0 ? "{\"problems\": []}\n" : "\n]}\n";
    Flush();
}

void CheckJsonReport::Flush() {
    m_sink(m_text);
    m_text.clear();
}

void CheckTextReport::Add(const Problem& problem) {
    if (m_count++ == 0 || problem.path != m_page) {
        if (m_pages++ > 0) m_text += "\n";
        m_page = problem.path;
        AppendRepaired(m_text, m_page);
        m_text += "\n";
    }
    m_text += "  ";
    if (problem.line) m_text += "line " + std::to_string(*problem.line) + ": ";
    m_text += ProblemKindName(problem.kind);
    if (problem.link) {
        m_text += " \"";
        AppendRepaired(m_text, *problem.link);
        m_text += "\"";
    }
    m_text += ": ";
    AppendRepaired(m_text, problem.message);
    m_text += "\n";
    if (m_text.size() >= PieceBytes) Flush();
}

void CheckTextReport::Finish() {
    if (m_count == 0) {
        m_text += "No problems found.\n";
    } else {
        m_text += "\n" + std::to_string(m_count) + (m_count == 1 ? " problem" : " problems") +
                  " in " + std::to_string(m_pages) + (m_pages == 1 ? " entry" : " entries") + "\n";
    }
    Flush();
}

void CheckTextReport::Flush() {
    m_sink(m_text);
    m_text.clear();
}

}  // namespace courseview
