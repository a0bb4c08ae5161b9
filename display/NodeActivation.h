#pragma once
// What a click on a catalogue node turns into.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "NameMatching.h"

namespace courseview {

struct Activation {
    enum class Kind {
        Nothing,      // no node, a node that cannot be opened, or a stale index
        Navigate,     // a page, a clip, a page folder or any other path: by path
        ShowPicture,  // a bmp or jpg: wrapped into the wrapper page
    };
    Kind kind = Kind::Nothing;
    std::filesystem::path path;
};

// Decides by the extension after the last "." of the whole path.
Activation ActivateEntry(std::optional<std::int32_t> entryIndex,
                         const std::vector<std::string>& pagePaths, const ExtensionTables& tables);

// The bytes of a path, or a piece of one, as a URI's path carries them: the
// unreserved set and "/" as they are, every other byte percent-encoded, so any
// file name travels intact. Appended to `out`.
void AppendUriPath(std::string& out, std::string_view bytes);

}  // namespace courseview
