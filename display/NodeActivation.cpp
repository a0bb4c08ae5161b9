#include "NodeActivation.h"

#include <array>

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

// The bytes a URI carries as they are: the unreserved set and "/".
constexpr auto KeptInUris = [] {
    std::array<bool, 256> kept{};
    for (int c = 'A'; c <= 'Z'; ++c) kept[c] = true;
    for (int c = 'a'; c <= 'z'; ++c) kept[c] = true;
    for (int c = '0'; c <= '9'; ++c) kept[c] = true;
    for (const unsigned char c : {'-', '.', '_', '~', '/'}) kept[c] = true;
    return kept;
}();

}  // namespace

void AppendUriPath(std::string& out, std::string_view bytes) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    // Written in place: a catalogue's URIs run to tens of megabytes.
    const std::size_t start = out.size();
    out.resize(start + 3 * bytes.size());
    char* write = out.data() + start;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (KeptInUris[byte]) {
            *write++ = c;
        } else {
            write[0] = '%';
            write[1] = Hex[byte >> 4];
            write[2] = Hex[byte & 15];
            write += 3;
        }
    }
    out.resize(static_cast<std::size_t>(write - out.data()));
}

}  // namespace courseview
