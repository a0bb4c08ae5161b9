#include "LinkCheck.h"

#include "LinkAddress.h"
#include "Utf.h"

namespace courseview {

namespace {

// Enough for every link of a large course; a page of a million different
// links only starts the memory over.
constexpr std::size_t MostRemembered = 1 << 16;

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

constexpr std::string_view NotLoaded = ": the viewer loads nothing outside the course.";

std::string OutsideMessage(LinkAddress::Way way) {
    switch (way) {
        case LinkAddress::Way::PastTheTop:
            return "\"../\" climbs past the top of the course folder" + std::string(NotLoaded);
        case LinkAddress::Way::AbsolutePath:
            return "An absolute path leads outside the course folder" + std::string(NotLoaded) +
                   " Write it relative to this page.";
        case LinkAddress::Way::NetworkPath:
            return "A network path leads outside the course folder" + std::string(NotLoaded);
        case LinkAddress::Way::FileAddress:
            return "A file: address leads outside the course folder" + std::string(NotLoaded) +
                   " Write it relative to this page.";
        case LinkAddress::Way::DrivePath:
            return "A Windows drive path leads outside the course folder" + std::string(NotLoaded) +
                   " Write it relative to this page.";
    }
    return {};
}

}  // namespace

LinkCheck::LinkCheck(std::string coursePrefix)
    : m_prefix(std::move(coursePrefix)), m_finder(m_prefix) {}

CourseFileMatch LinkCheck::Find(const std::string& path) {
    if (const auto known = m_found.find(path); known != m_found.end()) return known->second;
    if (m_found.size() >= MostRemembered) m_found.clear();
    return m_found.emplace(path, m_finder.Find(path)).first->second;
}

std::optional<Problem> LinkCheck::Check(const HtmlAttribute& link, const std::string& pagePath,
                                        const CodePage* pageDecoder) {
    Problem problem;
    problem.path = pagePath;
    problem.line = link.line;
    problem.link = Utf16ToUtf8(link.value);
    if (link.valueCut) {
        problem.kind = ProblemKind::BrokenLink;
        problem.message = "The link runs past " +
                          std::to_string(HtmlTextReader::MaximumValueLength) +
                          " characters, longer than any path: it leads nowhere. Only its start "
                          "is shown.";
        return problem;
    }
    const std::string_view relativePage = std::string_view(pagePath).substr(m_prefix.size());
    const std::string_view pageFolder = relativePage.substr(0, relativePage.rfind('/') + 1);
    const LinkAddress address = ReadLinkAddress(link.value, pageFolder, pageDecoder);
    if (address.kind == LinkAddress::Kind::NotChecked) return std::nullopt;
    if (address.kind == LinkAddress::Kind::Outside) {
        problem.kind = ProblemKind::OutsideLink;
        problem.message = OutsideMessage(address.way);
        return problem;
    }
    CourseFileMatch match = Find(address.path);
    // A browser asks for escaped bytes as they stand: a name in those bytes
    // is found too.
    if (!match.Found() && !address.escapedBytesPath.empty()) {
        const CourseFileMatch asEscaped = Find(address.escapedBytesPath);
        if (asEscaped.Found() || asEscaped.kind == CourseFileMatch::Kind::Outside)
            match = asEscaped;
    }
    switch (match.kind) {
        case CourseFileMatch::Kind::Exact:
            return std::nullopt;
        case CourseFileMatch::Kind::IgnoringCase:
            problem.kind = ProblemKind::CaseOnlyLink;
            problem.target = match.path;
            problem.message =
                "Only " + Quoted(std::string_view(match.path).substr(m_prefix.size())) +
                " matches, with letter case ignored: the link works in this viewer and on "
                "Windows, but not on a web server or in other programs on Linux.";
            return problem;
        case CourseFileMatch::Kind::Missing:
            problem.kind = ProblemKind::BrokenLink;
            problem.target = m_prefix + address.path;
            problem.message = "Nothing in the course is named " + Quoted(address.path) +
                              ", not even with letter case ignored.";
            return problem;
        case CourseFileMatch::Kind::Outside:
            problem.kind = ProblemKind::OutsideLink;
            problem.message = Quoted(address.path) +
                              " lies outside the course folder, through a symbolic link" +
                              std::string(NotLoaded);
            return problem;
    }
    return std::nullopt;
}

}  // namespace courseview
