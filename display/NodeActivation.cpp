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

std::string FileUri(const std::filesystem::path& path) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    std::error_code ignored;
    const std::filesystem::path absolute =
        path.is_absolute() ? path : std::filesystem::absolute(path, ignored);
    for (unsigned char byte : absolute.native()) {
        const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                                (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                                byte == '_' || byte == '~' || byte == '/';
        if (unreserved) {
            uri.push_back(static_cast<char>(byte));
        } else {
            uri.push_back('%');
            uri.push_back(Hex[byte >> 4]);
            uri.push_back(Hex[byte & 15]);
        }
    }
    return uri;
}

}  // namespace courseview
