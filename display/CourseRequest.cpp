#include "CourseRequest.h"

#include <sys/stat.h>

#include "CourseAddress.h"
#include "CourseFiles.h"
#include "EncodingLabels.h"
#include "FileError.h"
#include "InputFile.h"
#include "PageEncoding.h"
#include "Utf.h"
#include "ViewerPages.h"

namespace courseview {

namespace {

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return lower;
}

std::string ExtensionOf(std::string_view path) {
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    return LowerAscii(path.substr(dot + 1));
}

bool IsMedia(std::string_view contentType) {
    return contentType.starts_with("video/") || contentType.starts_with("audio/");
}

// The display's charset for a page or text file, from its first 64 KB.
std::string DecidedCharset(const std::string& file, const CodePage& systemCodePage) {
    InputFile input(file);
    std::string head(DisplayDecisionBytes + 1, '\0');
    std::size_t got = 0;
    while (got < head.size()) {
        const std::size_t count = input.Read(head.data() + got, head.size() - got);
        if (count == 0) break;
        got += count;
    }
    const bool goesOn = got > DisplayDecisionBytes;
    head.resize(std::min(got, DisplayDecisionBytes));
    return DisplayEncoding(head, goesOn, systemCodePage).name;
}

CourseAnswer Page(std::string bytes) {
    return {CourseAnswer::Kind::Page, {}, std::move(bytes), "text/html; charset=utf-8"};
}

}  // namespace

CourseAnswer AnswerCourseRequest(const CourseSite& site, std::string_view uri, bool documentRequest,
                                 const CodePage& systemCodePage) {
    if (!site.resultsPageUri.empty() && uri == site.resultsPageUri) return Page(site.resultsPage);
    const std::optional<std::string> path = PathOfCourseUri(uri);
    if (!path) return {};
    if (!site.wrapperPage.empty() && *path == site.wrapperPage) {
        return {CourseAnswer::Kind::File,
                *path,
                {},
                "text/html; charset=" + BrowserCharsetName(systemCodePage.Name())};
    }
    const std::string& root = site.courseFolder;
    if (root.empty() || root.back() != '/') return {};
    std::string_view inside;
    if (path->starts_with(root)) {
        inside = std::string_view(*path).substr(root.size());
    } else if (*path + "/" != root) {
        return {};
    }
    std::optional<std::string> found = ResolveCourseFile(root, inside);
    // A page written on Windows may escape a name in its own code page
    // ("%CA%E0%F0.jpg"), which Windows read as the name's ANSI bytes; the
    // files themselves carry UTF-8 names here. Such bytes are no UTF-8, so
    // the lookup cannot mistake a real name for them.
    if (!found && !systemCodePage.IsUtf8() && !IsWellFormedUtf8(inside))
        found = ResolveCourseFile(root, Utf16ToUtf8(systemCodePage.ToUtf16(inside)));
    if (!found) return {};
    struct stat status {};
    if (::stat(found->c_str(), &status) != 0) return {};
    try {
        if (S_ISDIR(status.st_mode)) {
            return Page(
                FolderListingPage(found->back() == '/' ? *found : *found + "/", systemCodePage));
        }
        if (!S_ISREG(status.st_mode)) return {};
        std::string type = ContentTypeOf(*found);
        if (documentRequest && IsMedia(type)) return Page(ClipPlayerPage());
        if (type == "text/html" || type == "text/plain")
            type += "; charset=" + DecidedCharset(*found, systemCodePage);
        return {CourseAnswer::Kind::File, *found, {}, type};
    } catch (const FileError&) {
        return {};
    }
}

std::string ContentTypeOf(std::string_view path) {
    struct Type {
        std::string_view extension;
        std::string_view type;
    };
    static constexpr Type Types[] = {
        {"htm", "text/html"},       {"html", "text/html"},      {"txt", "text/plain"},
        {"css", "text/css"},        {"js", "text/javascript"},  {"json", "application/json"},
        {"xml", "application/xml"}, {"jpg", "image/jpeg"},      {"jpeg", "image/jpeg"},
        {"jpe", "image/jpeg"},      {"gif", "image/gif"},       {"png", "image/png"},
        {"bmp", "image/bmp"},       {"ico", "image/x-icon"},    {"svg", "image/svg+xml"},
        {"webp", "image/webp"},     {"avi", "video/x-msvideo"}, {"mpg", "video/mpeg"},
        {"mpeg", "video/mpeg"},     {"mp4", "video/mp4"},       {"webm", "video/webm"},
        {"ogv", "video/ogg"},       {"wav", "audio/wav"},       {"mp3", "audio/mpeg"},
        {"ogg", "audio/ogg"},       {"pdf", "application/pdf"},
    };
    const std::string extension = ExtensionOf(path);
    for (const Type& type : Types)
        if (type.extension == extension) return std::string(type.type);
    return "application/octet-stream";
}

std::string BrowserCharsetName(std::string_view codePageName) {
    const EncodingInfo* encoding = EncodingForCodeset(codePageName);
    return std::string(encoding != nullptr ? encoding->name : codePageName);
}

}  // namespace courseview
