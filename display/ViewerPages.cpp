#include "ViewerPages.h"

#include "CourseAddress.h"
#include "FolderListing.h"
#include "Utf.h"

namespace courseview {

namespace {

// A name as a person reads it: UTF-8 when it is, else in the system's code page.
std::string NameForReading(std::string_view name, const CodePage& codePage) {
    if (IsWellFormedUtf8(name)) return std::string(name);
    return Utf16ToUtf8(codePage.ToUtf16(name));
}

}  // namespace

std::string EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

std::string FolderListingPage(const std::string& folder, const CodePage& codePage) {
    std::string name = folder.substr(0, folder.size() - 1);
    name = name.substr(name.rfind('/') + 1);
    const std::string title = EscapeHtml(NameForReading(name, codePage));
    std::string page = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title +
                       "</title></head>\n<body><h1>" + title + "</h1>\n<ul>\n";
    FolderListing listing(folder);
    FolderEntry entry;
    std::string fullPath;
    while (listing.Next(entry, fullPath, folder)) {
        if (entry.name == "." || entry.name == "..") continue;
        const std::string suffix = entry.isFolder ? "/" : "";
        page += "<li><a href=\"" + CourseUri(folder + entry.name) + suffix + "\">" +
                EscapeHtml(NameForReading(entry.name, codePage)) + suffix + "</a></li>\n";
    }
    return page + "</ul></body></html>\n";
}

std::string ClipPlayerPage() {
    return R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><style>
html, body { margin: 0; height: 100%; background: #000; overflow: hidden }
video { display: block; width: 100%; height: 100% }
</style></head>
<body><video controls></video><script>
var video = document.querySelector('video');
fetch(location.href, { headers: { Accept: '*/*' } })
  .then(function (response) {
    if (!response.ok) throw new Error(response.statusText);
    return response.blob();
  })
  .then(function (clip) {
    video.src = URL.createObjectURL(clip);
    return video.play();
  })
  .catch(function () {});
</script></body></html>
)";
}

}  // namespace courseview
