#pragma once
// Finding a course file as Windows found it: a link may name it in any letter
// case, and nothing a link names lies outside the course.

#include <optional>
#include <string>
#include <string_view>

namespace courseview {

// The entry `relativePath` names below `courseRoot`, as its full path. Each
// "/"-separated component is the entry of exactly that name when there is
// one, else, among the entries whose names are the same with letter case
// ignored as NTFS ignores it, the first in NTFS order; empty and "."
// components are skipped. Nothing when a component matches no entry, a
// component before the last is no folder, a component is "..", the path is
// absolute, or the entry's real place (symbolic links followed) is not the
// course folder or inside it.
std::optional<std::string> ResolveCourseFile(const std::string& courseRoot,
                                             std::string_view relativePath);

}  // namespace courseview
