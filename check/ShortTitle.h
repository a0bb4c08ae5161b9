#pragma once
// A page whose title is too short to be its caption: the catalogue shows its
// file name instead, which the author rarely meant.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "CodePage.h"

namespace courseview {

// True when a title element's title (" " + tokens, "" for an empty element)
// is too short to caption its page, as the catalogue decides it.
bool TitleTooShort(std::u16string_view title);

// The line (1-based, in the text's own line breaks) of the token that opens
// the title by the title rule, in the page's text as the display decodes it;
// none when the text has no such token.
std::optional<std::uint64_t> TitleLine(std::string_view page, const CodePage& systemCodePage);

// Why the page shows `caption` rather than its title.
std::string ShortTitleMessage(std::u16string_view title, std::u16string_view caption);

}  // namespace courseview
