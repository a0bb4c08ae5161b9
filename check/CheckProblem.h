#pragma once
// What the author's check finds in a course: one problem names its kind, the
// page (or entry) it is on, where on the page, and says what is wrong in a
// sentence a person understands.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace courseview {

enum class ProblemKind {
    BrokenLink,         // a relative link leads to no file or folder of the course
    CaseOnlyLink,       // it finds its file only with letter case ignored
    OutsideLink,        // it leads outside the course folder
    CodePageDependent,  // the page reads right only in the author's system code page
    DuplicateCaption,   // entries of one folder share a caption
    ShortTitle,         // the title is too short to be the caption
    ListingEnded,       // an unreadable page ended its folder's listing
};

// "broken-link", "case-only-link", ...: the names the report gives the kinds.
std::string_view ProblemKindName(ProblemKind kind);

struct Problem {
    ProblemKind kind = ProblemKind::BrokenLink;
    std::string path;                   // the page or entry, as the catalogue's paths hold it
    std::optional<std::uint64_t> line;  // 1-based, in the page's own line breaks
    std::optional<std::string> link;    // the link as the page writes it, in UTF-8
    std::optional<std::string> target;  // the path the link was looked for at, or found at
    std::string message;                // UTF-8, but for names that are not
};

// Receives the problems one at a time, in the order they are reported.
using ProblemSink = std::function<void(const Problem&)>;

}  // namespace courseview
