#pragma once
// HTML 4's named character references, generated into HtmlEntities.cpp by
// tools-dev/make-search-tables.sh; CharacterReferences.h reads them.

#include <cstddef>
#include <string_view>

namespace courseview {

struct HtmlEntity {
    std::string_view name;  // without "&" and ";", case as written ("Aacute", "aacute")
    char16_t character;     // every one of them is a single UTF-16 unit
};

// Sorted by name in byte order.
extern const HtmlEntity HtmlEntities[];
extern const std::size_t HtmlEntityCount;

}  // namespace courseview
