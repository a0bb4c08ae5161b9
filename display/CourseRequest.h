#pragma once
// What the viewer answers when the browser asks for a course address: a file
// of the course, the wrapper page, or a page the viewer makes (a folder's
// listing, a clip's player, the search's results); everything
// else gets the same "not found", whether it exists or not.

#include <string>
#include <string_view>

#include "CodePage.h"

namespace courseview {

// What the browser may be shown.
struct CourseSite {
    std::string courseFolder;    // ends in "/": the folder the catalogue was built from
    std::string wrapperPage;     // the wrapper page written last, wherever it lies; "" none
    std::string resultsPageUri;  // the search's results page shown last; "" none
    std::string resultsPage;     // its bytes, served from memory
};

struct CourseAnswer {
    enum class Kind { NotFound, File, Page };
    Kind kind = Kind::NotFound;
    std::string file;         // File: the file whose bytes go out
    std::string page;         // Page: the bytes that go out
    std::string contentType;  // File, Page
};

// The answer for `uri`. `documentRequest`: the engine asked for a document to
// show in a frame (a navigation), not for a resource of one; a clip gets its
// player page then. Pages and text files go out with the charset the display
// decides on their first 64 KB; the wrapper page with `systemCodePage`, which
// it was written in.
CourseAnswer AnswerCourseRequest(const CourseSite& site, std::string_view uri, bool documentRequest,
                                 const CodePage& systemCodePage);

// The type a file goes out with, by its extension in any letter case:
// "application/octet-stream" for one the browser has no use for.
std::string ContentTypeOf(std::string_view path);

// The charset name the browser knows for a code page's codeset ("CP1251"
// gives "windows-1251"); the codeset itself where the browser knows none.
std::string BrowserCharsetName(std::string_view codePageName);

}  // namespace courseview
