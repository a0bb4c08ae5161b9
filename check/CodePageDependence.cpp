#include "CodePageDependence.h"

#include <algorithm>

namespace courseview {

std::optional<CodePageDependence> FindCodePageDependence(const PageEncoding& encoding,
                                                         std::string_view head) {
    if (encoding.source != EncodingSource::SystemCodePage) return std::nullopt;
    const auto nonAscii = std::find_if(head.begin(), head.end(), [](char byte) {
        return static_cast<unsigned char>(byte) >= 0x80;
    });
    if (nonAscii == head.end()) return std::nullopt;
    // CR LF, a lone CR and a lone LF each end a line.
    std::uint64_t line = 1;
    for (auto at = head.begin(); at != nonAscii; ++at) {
        if (*at == '\n' || (*at == '\r' && (at + 1 == nonAscii || at[1] != '\n'))) ++line;
    }
    return CodePageDependence{encoding.name, line};
}

std::string CodePageDependenceMessage(const CodePageDependence& dependence) {
    return "The page has no byte-order mark, declares no charset and is not UTF-8, so it is "
           "read in the system code page, here " +
           dependence.encoding +
           ": it reads right only where that is the author's code page. If the page was written "
           "in " +
           dependence.encoding + ", add <meta charset=\"" + dependence.encoding +
           "\"> to its head.";
}

}  // namespace courseview
