#pragma once
// The title rule, read literally: the system's own reading rules for a page's
// caption. The page is decoded whole, cut into lines and joined with CR LF,
// cut into tokens by TSimpleParser at space, "<", ">", CR, LF and NUL, and the
// title is the tokens between the first "title" token and the next "/title"
// token (Latin letters in any case), each behind a single space. No HTML
// parser is involved: attributes of the title tag and tags inside the title
// become part of it, entities stay as they are.
//
// This reads every page whole. The catalogue reads titles with the streaming
// PageTitleReader, which stops as soon as the title is decided; the tests and
// the fuzzers hold it to this rule.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "CodePage.h"

namespace courseview {

// Titles longer than this are cut here: no tree line can show more, and it
// keeps the memory a hostile page can claim small.
inline constexpr std::size_t MaximumTitleLength = 65536;

// " " + every gathered token, each behind a single space, or "" when there is
// no "title" token or no "/title" after it.
std::u16string TitleFromTokens(const std::vector<std::u16string>& tokens);

// The encoding a caption is read in: the page's byte-order mark; else the
// charset it declares in its first 1024 bytes; else UTF-8 when the bytes from
// the start of the text through the end of the token that closes the title
// are valid UTF-8 (the whole text, when there is no title); else the system
// code page. Returns a codeset for CodePageNamed(), or "" when the page
// declares an encoding whose text is never shown ("replacement").
std::string CaptionCodeset(std::string_view page, const CodePage& systemCodePage);

// The caption's title of a whole page by the rule: " " + tokens, or "" when
// there is no complete title; cut at MaximumTitleLength. Every character of
// the page reaches the title: the tokens are cut from UTF-8, which carries
// them all.
std::u16string TitleByTheRule(std::string_view page, const CodePage& systemCodePage);

}  // namespace courseview
