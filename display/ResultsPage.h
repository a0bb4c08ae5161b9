#pragma once
// The page the window shows the search's results on, made by the viewer and
// served from memory: the entries found by their captions, then the pages
// found by their text, each a link that opens it, in the viewer's colours
// and its own Russian texts. The page comes first, empty; the results are
// added to it by script as they come, so it never reloads under the student.
//
// Whatever comes from a page, a caption, a folder or the query reaches the
// page as text, never as markup: it is escaped wherever it is written, and a
// script carries markup only as a string literal that cannot end early.
// Everything is UTF-8.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Searcher.h"
#include "ViewerPages.h"

namespace courseview {

inline constexpr std::u16string_view NothingFoundText = u"Ничего не найдено";
inline constexpr std::u16string_view SearchingText = u"Идёт поиск…";

// The page for `query` before any result: its heading, an empty list and
// SearchingText.
std::string ResultsPageHtml(std::u16string_view query);

// The markup of `results` [first, end), each a link to
// ChosenResultUri(generation, entry), a group's heading before its first
// result: the caption (its hits marked), the number of hits, the folders
// above it and the line around the first hit (its hits marked). Marks that
// overlap one already made, or reach past their text, are cut to fit.
std::string ResultsFragment(const std::vector<SearchResult>& results, std::size_t first,
                            std::size_t end, std::uint64_t generation);

// The scripts that add a fragment to the page shown, and that say the search
// has ended with `found` results (NothingFoundText for none). On any other
// page they do nothing.
std::string AddResultsScript(std::string_view fragment);
std::string SearchEndedScript(std::size_t found);

// "1 совпадение", "3 совпадения", "5 совпадений", "21 совпадение" ...
std::u16string HitsText(std::uint64_t hits);

// UTF-8 `text` as a JavaScript string literal in double quotes: quotes, "\",
// "<", ">", "&", line terminators and every control character as \uXXXX, so
// it can stand inside a <script> and never ends there; malformed bytes as
// U+FFFD.
std::string ScriptStringLiteral(std::string_view utf8);

}  // namespace courseview
