#include "NodeActivation.h"

#include <array>
#include <cstring>

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

namespace {

// Each byte as a URI carries it: the unreserved set and "/" as they are,
// every other byte percent-encoded. Four bytes an entry, the last its length,
// so a byte is written in one store whatever it becomes.
constexpr auto UriBytes = [] {
    std::array<std::array<char, 4>, 256> table{};
    constexpr char Hex[] = "0123456789ABCDEF";
    for (int c = 0; c < 256; ++c) {
        const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                          c == '/';
        table[c] = kept ? std::array<char, 4>{static_cast<char>(c), 0, 0, 1}
                        : std::array<char, 4>{'%', Hex[c >> 4], Hex[c & 15], 3};
    }
    return table;
}();

}  // namespace

void AppendUriPath(std::string& out, std::string_view bytes) {
    // A block at a time into a buffer of its own, with room for a whole
    // entry past the last byte: a catalogue's URIs run to tens of megabytes.
    constexpr std::size_t BlockBytes = 1024;
    char block[3 * BlockBytes + 4];
    while (!bytes.empty()) {
        const std::string_view part = bytes.substr(0, BlockBytes);
        char* write = block;
        for (const char c : part) {
            const auto& encoded = UriBytes[static_cast<unsigned char>(c)];
            std::memcpy(write, encoded.data(), 4);
            write += encoded[3];
        }
        out.append(block, static_cast<std::size_t>(write - block));
        bytes.remove_prefix(part.size());
    }
}

}  // namespace courseview
