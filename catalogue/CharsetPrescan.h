#pragma once
// The character encoding a page declares, found as a browser finds it before
// it parses: the HTML standard's prescan of the page's first bytes.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace courseview {

inline constexpr std::size_t PrescanBytes = 1024;

// The encoding the first PrescanBytes of `head` declare, by its standard name
// (as EncodingInfo::name): a <meta charset=...>, or a <meta http-equiv=
// "Content-Type" content="...; charset=...">, with comments, other tags and
// their attributes skipped the way the prescan skips them; or UTF-16 when the
// page starts with an XML declaration in UTF-16 without a mark. A declared
// UTF-16 reads as UTF-8 (the declaration itself is ASCII, so the bytes cannot
// be UTF-16) and x-user-defined as windows-1252. None when nothing declares a
// known encoding: declarations inside comments, cut off by the end of the
// bytes or past the first PrescanBytes do not count.
std::optional<std::string> PrescanDeclaredEncoding(std::string_view head);

// The encoding named in a meta element's content attribute ("text/html;
// charset=koi8-r"), by the standard's rule for extracting it; none when it
// names none or an unknown one.
std::optional<std::string> EncodingFromContentType(std::string_view content);

}  // namespace courseview
