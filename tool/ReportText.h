#pragma once
// The report's pieces of text: JSON strings of text that may not be UTF-8 or
// of UTF-16 captions, paths as JSON strings and as file:// URIs, numbers.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace courseview {

// JSON string content for bytes that may not be UTF-8: what decoding and
// encoding back would give (U+FFFD for each malformed sequence), escaped.
void AppendJsonText(std::string& out, std::string_view bytes);

// The same as a JSON string literal.
void AppendJsonString(std::string& out, std::string_view bytes);

// A caption as a JSON string literal: UTF-16 that may hold a lone surrogate.
// `scratch` is room to reuse from one caption to the next.
void AppendJsonString(std::string& out, std::u16string_view caption, std::string& scratch);

// Bytes that may not be UTF-8, as UTF-8 with U+FFFD for what was not.
void AppendRepaired(std::string& out, std::string_view bytes);

void AppendNumber(std::string& out, std::int64_t number);

// A caption, or a line of a page's text, on one line of the readable
// output: line breaks and tabs as \n, \r and \t.
std::string DisplayCaption(std::u16string_view caption);
void AppendDisplayCaption(std::string& out, std::u16string_view caption);

// Where relative paths are taken from for their URIs: the working folder
// with a "/", as std::filesystem::absolute would take it, asked once; "" when
// every path is absolute.
std::string UriBase(const std::vector<std::string>& paths);

// Paths as JSON strings and as file:// URIs. A catalogue lists a folder's
// entries one after another, so each path's folder is usually the one before
// it: its converted form is kept and only the name is converted anew. Cut at
// a "/", the conversions of the parts join up to that of the whole, since no
// UTF-8 sequence spans an ASCII byte.
class PathConverter {
public:
    // `base`: UriBase of the paths.
    explicit PathConverter(std::string base) : m_base(std::move(base)) {}

    // `path` as a JSON string: AppendJsonString above.
    void AppendJsonString(std::string& out, std::string_view path);
    // `path` as a JSON string holding its absolute file:// URI (FileUri).
    void AppendUri(std::string& out, std::string_view path);

private:
    std::string m_base;
    std::string m_jsonFolder;
    std::string m_jsonFolderText;
    bool m_uriFolderKnown = false;  // "" is a folder too: the working folder's
    std::string m_uriFolder;
    std::string m_uriFolderText;
};

}  // namespace courseview
