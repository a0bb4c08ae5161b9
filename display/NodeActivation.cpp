#include "NodeActivation.h"

#include "Utf.h"

namespace courseview {

Activation ActivateEntry(std::optional<std::int32_t> entryIndex,
                         const std::vector<std::string>& pagePaths, const ExtensionTables& tables) {
    if (!entryIndex || *entryIndex < 0 ||
        static_cast<std::size_t>(*entryIndex) >= pagePaths.size()) {
        return {};
    }
    const std::string& path = pagePaths[static_cast<std::size_t>(*entryIndex)];
    const int kind = ExtensionIndex(tables.ViewableExtensions, Utf8ToUtf16(path));
    return {IsPictureKind(kind) ? Activation::Kind::ShowPicture : Activation::Kind::Navigate, path};
}

}  // namespace courseview
