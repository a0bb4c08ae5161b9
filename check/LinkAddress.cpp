#include "LinkAddress.h"

#include <utility>
#include <vector>

#include "AsciiCharacters.h"
#include "Utf.h"

namespace courseview {

namespace {

bool IsAsciiAlpha(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// The link as a URL parser takes it: C0 controls and spaces around it
// dropped, tabs and line breaks inside it removed.
std::u16string Cleaned(std::u16string_view link) {
    while (!link.empty() && link.front() <= u' ') link.remove_prefix(1);
    while (!link.empty() && link.back() <= u' ') link.remove_suffix(1);
    std::u16string cleaned;
    cleaned.reserve(link.size());
    for (char16_t c : link) {
        if (c != u'\t' && c != u'\n' && c != u'\r') cleaned.push_back(c);
    }
    return cleaned;
}

// The scheme's length, or 0 when the link has none.
std::size_t SchemeLength(std::u16string_view link) {
    if (link.empty() || !IsAsciiAlpha(link[0])) return 0;
    for (std::size_t i = 1; i < link.size(); ++i) {
        const char16_t c = link[i];
        if (c == u':') return i;
        const bool allowed =
            IsAsciiAlpha(c) || (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
        if (!allowed) return 0;
    }
    return 0;
}

bool IsFileScheme(std::u16string_view scheme) {
    if (scheme.size() != 4) return false;
    for (std::size_t i = 0; i < 4; ++i) {
        if ((scheme[i] | 0x20) != u"file"[i]) return false;
    }
    return true;
}

struct DecodedPath {
    std::string bytes;                                      // escapes as their bytes
    std::vector<std::pair<std::size_t, std::size_t>> runs;  // [begin, end) of escaped bytes
};

// Characters as UTF-8, "%XX" as the byte it stands for; a "%" without two
// hex digits stays as it is.
DecodedPath DecodeEscapes(std::u16string_view path) {
    DecodedPath decoded;
    std::size_t literalStart = 0;
    auto flushLiteral = [&](std::size_t end) {
        decoded.bytes += Utf16ToUtf8(path.substr(literalStart, end - literalStart));
    };
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] != u'%' || i + 2 >= path.size() || HexDigitValue(path[i + 1]) < 0 ||
            HexDigitValue(path[i + 2]) < 0) {
            continue;
        }
        flushLiteral(i);
        const std::size_t at = decoded.bytes.size();
        decoded.bytes.push_back(
            static_cast<char>(HexDigitValue(path[i + 1]) * 16 + HexDigitValue(path[i + 2])));
        if (!decoded.runs.empty() && decoded.runs.back().second == at) {
            decoded.runs.back().second = at + 1;
        } else {
            decoded.runs.emplace_back(at, at + 1);
        }
        i += 2;
        literalStart = i + 1;
    }
    flushLiteral(path.size());
    return decoded;
}

// The escaped runs read in the page's encoding, the rest as it is.
std::string WithRunsDecoded(const DecodedPath& path, const CodePage& decoder) {
    std::string text;
    std::size_t at = 0;
    for (const auto& [begin, end] : path.runs) {
        text.append(path.bytes, at, begin - at);
        text +=
            Utf16ToUtf8(decoder.ToUtf16(std::string_view(path.bytes).substr(begin, end - begin)));
        at = end;
    }
    text.append(path.bytes, at);
    return text;
}

// `folder` + `path` with "." and ".." components resolved and empty ones
// dropped; false when a ".." climbs past the top.
bool Normalized(std::string_view folder, std::string_view path, std::string& out) {
    std::vector<std::string_view> components;
    bool past = false;
    auto take = [&](std::string_view text) {
        while (!text.empty()) {
            const auto slash = text.find('/');
            const std::string_view component = text.substr(0, slash);
            text = slash == std::string_view::npos ? std::string_view() : text.substr(slash + 1);
            if (component.empty() || component == ".") continue;
            if (component == "..") {
                if (components.empty()) {
                    past = true;
                } else {
                    components.pop_back();
                }
                continue;
            }
            components.push_back(component);
        }
    };
    take(folder);
    take(path);
    out.clear();
    for (std::string_view component : components) {
        if (!out.empty()) out.push_back('/');
        out += component;
    }
    return !past;
}

}  // namespace

LinkAddress ReadLinkAddress(std::u16string_view link, std::string_view pageFolder,
                            const CodePage* pageDecoder) {
    LinkAddress address;
    std::u16string text = Cleaned(link);
    if (text.empty() || text.front() == u'#') return address;
    if (const std::size_t scheme = SchemeLength(text); scheme > 0) {
        // A single letter is a drive, as Windows writes "C:\...".
        if (scheme == 1 || IsFileScheme(std::u16string_view(text).substr(0, scheme))) {
            address.kind = LinkAddress::Kind::Outside;
            address.way = scheme == 1 ? LinkAddress::Way::DrivePath : LinkAddress::Way::FileAddress;
        }
        return address;
    }
    for (char16_t& c : text) {
        if (c == u'\\') c = u'/';
    }
    if (text.front() == u'/') {
        address.kind = LinkAddress::Kind::Outside;
        address.way = text.starts_with(u"//") ? LinkAddress::Way::NetworkPath
                                              : LinkAddress::Way::AbsolutePath;
        return address;
    }
    text.resize(text.find_first_of(u"?#") == std::u16string::npos ? text.size()
                                                                  : text.find_first_of(u"?#"));
    if (text.empty()) return address;

    const DecodedPath decoded = DecodeEscapes(text);
    std::string path = decoded.bytes;
    std::string escapedBytes;
    if (!IsWellFormedUtf8(decoded.bytes) && pageDecoder != nullptr && !pageDecoder->IsUtf8()) {
        path = WithRunsDecoded(decoded, *pageDecoder);
        escapedBytes = decoded.bytes;
    }
    if (!Normalized(pageFolder, path, address.path)) {
        address.kind = LinkAddress::Kind::Outside;
        address.way = LinkAddress::Way::PastTheTop;
        return address;
    }
    address.kind = LinkAddress::Kind::InCourse;
    if (!escapedBytes.empty()) {
        Normalized(pageFolder, escapedBytes, address.escapedBytesPath);
        if (address.escapedBytesPath == address.path) address.escapedBytesPath.clear();
    }
    return address;
}

}  // namespace courseview
