#pragma once
// The pages the viewer makes for the browser besides the wrapper page: a
// folder's listing and the player a clip is shown in. Both are UTF-8.

#include <string>
#include <string_view>

#include "CodePage.h"

namespace courseview {

// `text` escaped for HTML text and attribute values: & < > " ' as references.
std::string EscapeHtml(std::string_view text);

// The entries of `folder` (ends in "/") in the order the file system lists
// them, each a link to its course address; folders end in "/". Names that are
// not UTF-8 show in `codePage`. Throws FileError when the folder cannot be
// listed.
std::string FolderListingPage(const std::string& folder, const CodePage& codePage);

// Plays the clip at the page's own address: the engine's media player takes no
// address of ours, so the page fetches the clip's bytes from it and plays them
// from memory, with the engine's controls.
std::string ClipPlayerPage();

}  // namespace courseview
