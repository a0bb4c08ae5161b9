#pragma once
// The encoding the viewer's display reads a page in, decided as a browser
// decides it for a local file: a byte-order mark, else the charset the page
// declares, else UTF-8 when the bytes are UTF-8, else the system code page, in
// which pages made on Windows without a declaration were written.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "CodePage.h"

namespace courseview {

enum class EncodingSource { ByteOrderMark, Declaration, Utf8Detected, SystemCodePage };

struct PageEncoding {
    std::string name;     // the browser's charset name ("UTF-8", "UTF-16LE", "windows-1251", ...)
    std::string codeset;  // what OpenCodePage()/iconv decodes it with; empty for "replacement"
    EncodingSource source;
    std::size_t markBytes = 0;  // byte-order mark to skip
};

// The mark (FF FE, FE FF, EF BB BF, tested in that order), else the
// declaration in the first 1024 bytes; none when the page has neither.
std::optional<PageEncoding> MarkedOrDeclaredEncoding(std::string_view head);

// The display's decision: marked or declared; else UTF-8 when `head` (the
// page's first DisplayDecisionBytes, or all of it) is valid UTF-8 (a
// character cut by the end of `head` still counts as valid when the page goes
// on); else the system code page, named by the encoding browsers know it as
// (its codeset's own name where they know none).
PageEncoding DisplayEncoding(std::string_view head, bool pageGoesOn,
                             const CodePage& systemCodePage);
inline constexpr std::size_t DisplayDecisionBytes = 65536;

// The whole text of a page decoded by the display's decision, the mark
// skipped; the first U+0000 ends it, as for every text the viewer reads. A
// page declared in an encoding browsers refuse to decode ("replacement")
// reads as a single U+FFFD.
std::u16string DecodePageForDisplay(std::string_view bytes, const CodePage& systemCodePage);

}  // namespace courseview
