#pragma once
// A page that reads right only where the system code page is its author's:
// the display reads it in the system code page (no byte-order mark, no
// declaration, its first 64 KB not UTF-8) and its text there is not all
// ASCII.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "PageEncoding.h"

namespace courseview {

struct CodePageDependence {
    std::string encoding;  // the name browsers know the system code page by
    std::uint64_t line;    // of the first character that is not ASCII
};

// `encoding`: the display's decision for the page; `head`: the bytes it was
// decided on.
std::optional<CodePageDependence> FindCodePageDependence(const PageEncoding& encoding,
                                                         std::string_view head);

// What it means, and the declaration that would fix it.
std::string CodePageDependenceMessage(const CodePageDependence& dependence);

}  // namespace courseview
