#pragma once
// Where a link of a page leads, read as the browser reads it: which links
// the check looks at, which leave the course, and the path inside the course
// the others name.

#include <string>
#include <string_view>

#include "CodePage.h"

namespace courseview {

struct LinkAddress {
    enum class Kind {
        NotChecked,  // another scheme (http:, mailto:, javascript:, data: ...), a bare
                     // "#fragment" or query, or empty: the page itself
        Outside,     // leads outside the course folder, wherever it points
        InCourse,    // a path inside the course folder
    };
    enum class Way { PastTheTop, AbsolutePath, NetworkPath, FileAddress, DrivePath };

    Kind kind = Kind::NotChecked;
    Way way = Way::PastTheTop;  // Outside: how it leaves
    // InCourse: the path below the course folder, "/"-separated, without "."
    // and ".." components, its "%" escapes decoded as UTF-8, else in the
    // page's encoding.
    std::string path;
    // InCourse: the same path with the escapes' bytes taken as they stand,
    // when that differs: what a browser asks for.
    std::string escapedBytesPath;
};

// Reads `link` (an attribute's value, references decoded) on a page whose
// folder below the course folder is `pageFolder` ("" at the top, else ending
// in "/"). Spaces and control characters around the link are dropped, and
// tabs and line breaks inside it, as browsers do; a backslash is a "/"; the
// query and fragment are dropped. `pageDecoder` decodes the page (nullptr:
// none), for escapes that are not UTF-8.
LinkAddress ReadLinkAddress(std::u16string_view link, std::string_view pageFolder,
                            const CodePage* pageDecoder);

}  // namespace courseview
