#include "ReportText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>

#include "NodeActivation.h"
#include "Utf.h"

namespace courseview {

namespace {

// What a JSON string must escape: quote, backslash, control characters and
// DEL; 0 for a byte that goes out as it is.
constexpr auto JsonEscapes = [] {
    std::array<char, 256> escapes{};
    for (int c = 0; c < 0x20; ++c) escapes[c] = 'u';
    escapes[0x7F] = 'u';
    escapes['"'] = '"';
    escapes['\\'] = '\\';
    escapes['\n'] = 'n';
    escapes['\r'] = 'r';
    escapes['\t'] = 't';
    return escapes;
}();

// Whether any of the eight bytes of `word` must be escaped: one below 0x20,
// a quote, a backslash or DEL. Exact for "any", which is all it is asked.
bool WordNeedsEscape(std::uint64_t word) {
    constexpr std::uint64_t Ones = 0x0101010101010101ull;
    constexpr std::uint64_t Highs = 0x8080808080808080ull;
    const auto holdsZero = [](std::uint64_t bytes) { return (bytes - Ones) & ~bytes & Highs; };
    return (((word - 0x20 * Ones) & ~word & Highs) | holdsZero(word ^ ('"' * Ones)) |
            holdsZero(word ^ ('\\' * Ones)) | holdsZero(word ^ (0x7F * Ones))) != 0;
}

// Appends well-formed UTF-8 with JSON's escapes, a run of plain bytes at a
// time; eight bytes at a time are looked at while they need none.
void AppendJsonEscaped(std::string& out, std::string_view utf8) {
    static constexpr char Hex[] = "0123456789abcdef";
    std::size_t plain = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (i + 8 <= utf8.size()) {
            std::uint64_t word;
            std::memcpy(&word, utf8.data() + i, sizeof word);
            if (!WordNeedsEscape(word)) {
                i += 7;
                continue;
            }
        }
        const auto byte = static_cast<unsigned char>(utf8[i]);
        const char escape = JsonEscapes[byte];
        if (escape == 0) continue;
        out.append(utf8, plain, i - plain);
        plain = i + 1;
        if (escape == 'u') {
            const char escaped[6] = {'\\', 'u', '0', '0', Hex[byte >> 4], Hex[byte & 15]};
            out.append(escaped, 6);
        } else {
            const char escaped[2] = {'\\', escape};
            out.append(escaped, 2);
        }
    }
    out.append(utf8, plain);
}

// Calls `append` for each well-formed run of `bytes` and for U+FFFD in place
// of each malformed sequence: what decoding and encoding back would give.
template <typename Append>
void ForEachRepairedRun(std::string_view bytes, Append append) {
    while (!bytes.empty()) {
        const Utf8Run run = NextUtf8Run(bytes, true);
        append(bytes.substr(0, run.wellFormed));
        if (run.malformed == 0) break;
        append("\xEF\xBF\xBD");
        bytes.remove_prefix(run.wellFormed + run.malformed);
    }
}

}  // namespace

void AppendJsonText(std::string& out, std::string_view bytes) {
    ForEachRepairedRun(bytes, [&out](std::string_view run) { AppendJsonEscaped(out, run); });
}

void AppendJsonString(std::string& out, std::string_view bytes) {
    out += '"';
    AppendJsonText(out, bytes);
    out += '"';
}

// Most captions need no escape and are encoded straight into `out`.
void AppendJsonString(std::string& out, std::u16string_view caption, std::string& scratch) {
    out += '"';
    const bool plain = std::none_of(caption.begin(), caption.end(), [](char16_t unit) {
        return unit < 0x80 && JsonEscapes[unit] != 0;
    });
    if (plain) {
        EncodeUtf8Prefix(caption, true, out);
    } else {
        scratch.clear();
        EncodeUtf8Prefix(caption, true, scratch);
        AppendJsonEscaped(out, scratch);
    }
    out += '"';
}

void AppendRepaired(std::string& out, std::string_view bytes) {
    ForEachRepairedRun(bytes, [&out](std::string_view run) { out += run; });
}

void AppendNumber(std::string& out, std::int64_t number) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out.append(digits, end);
}

void AppendDisplayCaption(std::string& out, std::u16string_view caption) {
    const std::size_t start = out.size();
    EncodeUtf8Prefix(caption, true, out);
    // Line breaks and tabs are rare in a caption: most need no second look.
    const auto breaks = [](char16_t unit) {
        return unit == u'\n' || unit == u'\r' || unit == u'\t';
    };
    if (std::none_of(caption.begin(), caption.end(), breaks)) return;
    const std::string text = out.substr(start);
    out.resize(start);
    for (const char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else {
            out.push_back(c);
        }
    }
}

std::string DisplayCaption(std::u16string_view caption) {
    std::string text;
    AppendDisplayCaption(text, caption);
    return text;
}

std::string UriBase(const std::vector<std::string>& paths) {
    for (const auto& path : paths) {
        if (!path.empty() && path.front() != '/') {
            std::error_code ignored;
            return std::filesystem::current_path(ignored).native() + "/";
        }
    }
    return {};
}

void PathConverter::AppendJsonString(std::string& out, std::string_view path) {
    const std::size_t cut = path.rfind('/') + 1;  // 0 without a "/"
    if (path.substr(0, cut) != m_jsonFolder) {
        m_jsonFolder.assign(path, 0, cut);
        m_jsonFolderText.clear();
        AppendJsonText(m_jsonFolderText, m_jsonFolder);
    }
    out += '"';
    out += m_jsonFolderText;
    AppendJsonText(out, path.substr(cut));
    out += '"';
}

void PathConverter::AppendUri(std::string& out, std::string_view path) {
    const std::size_t cut = path.rfind('/') + 1;
    if (!m_uriFolderKnown || path.substr(0, cut) != m_uriFolder) {
        m_uriFolderKnown = true;
        m_uriFolder.assign(path, 0, cut);
        // A relative path is taken from the working folder.
        const bool relative = path.empty() || path.front() != '/';
        m_uriFolderText = "file://";
        AppendUriPath(m_uriFolderText, relative ? m_base + m_uriFolder : m_uriFolder);
    }
    out += '"';
    out += m_uriFolderText;
    AppendUriPath(out, path.substr(cut));
    out += '"';
}

}  // namespace courseview
