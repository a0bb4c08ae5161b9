#pragma once
// A page's caption comes from the tokens between the first "title" token and
// the next "/title" token (Latin letters in any case), cut at space, "<", ">",
// CR, LF and NUL. No HTML parser is involved: attributes of the title tag and
// tags inside the title become part of it, entities stay as they are.

#include <filesystem>
#include <string>
#include <vector>

#include "CodePage.h"

namespace courseview {

// " " + every gathered token, each behind a single space, or "" when there is
// no "title" token or no "/title" after it.
std::u16string TitleFromTokens(const std::vector<std::u16string>& tokens);

// Titles longer than this are cut here: no tree line can show more, and it
// keeps the memory a hostile page can claim small.
inline constexpr std::size_t MaximumTitleLength = 65536;

// Returns the caption a page gets from its title: " " + tokens, or "" when
// there is no complete title. The file is read only as far as the title is
// decided, so a huge page costs no more than its head. Throws FileError when
// the file cannot be opened or read.
std::u16string ReadPageTitle(const std::filesystem::path& page,
                             const CodePage& systemCodePage = SystemCodePage());

}  // namespace courseview
