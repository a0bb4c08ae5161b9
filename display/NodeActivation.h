#pragma once
// What a click on a catalogue node turns into.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
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

}  // namespace courseview
