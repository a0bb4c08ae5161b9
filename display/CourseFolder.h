#pragma once
// Which folder is the course when a person names one: a path relative to the
// working folder or absolute, or a file:// URI as file managers pass it.

#include <optional>
#include <string>
#include <string_view>

namespace courseview {

// The local path a file:// URI names, its percent-escapes undone byte for
// byte (so names that are not UTF-8 survive). "file:///p", "file://localhost/p"
// and "file:/p" are local; nothing when the URI names another host, holds a
// malformed escape, an escaped NUL, a "?" or a "#".
std::optional<std::string> PathFromFileUri(std::string_view uri);

// True when `argument` is written as a file: URI (the scheme in any case).
bool IsFileUri(std::string_view argument);

// The absolute folder `argument` names, ending in exactly one "/", with
// repeated "/" and "." steps dropped ("..", which may cross a link, stays).
// A relative path is taken from `workingFolder` (absolute). Nothing when the
// argument is empty, a URI that is not local, or relative without a working
// folder.
std::optional<std::string> CourseFolderPath(std::string_view argument,
                                            std::string_view workingFolder);

// Why `folder` cannot be listed as a course: "does not exist", "is a link to
// nothing", "is not a folder", or the system's reason it cannot be opened for
// reading; "" when it can. Never blocks, not even on a FIFO.
std::string FolderProblem(const std::string& folder);

// `text` in double quotes on one line: control characters as \n, \t or \xNN,
// so a message about any name stays one line.
std::string QuotedForMessage(std::string_view text);

}  // namespace courseview
