#pragma once
// Whether a link of a page finds what it names in the course, as the viewer
// finds it: exactly, only with letter case ignored, not at all, or not
// inside the course.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "CheckProblem.h"
#include "CodePage.h"
#include "CourseFiles.h"
#include "HtmlTextReader.h"

namespace courseview {

class LinkCheck {
public:
    // `coursePrefix`: the course folder as the catalogue's paths begin with
    // it, ending in "/".
    explicit LinkCheck(std::string coursePrefix);

    // The problem the link `link` on the page `pagePath` makes, if any. A
    // file in a folder the catalogue skips is part of the course all the same.
    std::optional<Problem> Check(const HtmlAttribute& link, const std::string& pagePath,
                                 const CodePage* pageDecoder);

private:
    CourseFileMatch Find(const std::string& path);

    std::string m_prefix;
    CourseFileFinder m_finder;
    // What paths found, for the links a course repeats page after page.
    std::unordered_map<std::string, CourseFileMatch> m_found;
};

}  // namespace courseview
