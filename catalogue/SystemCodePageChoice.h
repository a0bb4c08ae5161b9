#pragma once
// Which 8-bit code page stands for the Windows system code page on this
// machine. Course pages without a byte-order mark or declaration were written
// on Windows in its ANSI code page, which follows the system's language; a
// Linux locale usually says UTF-8 instead, so the language decides.

#include <string>
#include <string_view>

namespace courseview {

// The code page old pages were written in on this machine: the locale's
// codeset when it is a legacy one (not UTF-8, not the C/POSIX ASCII);
// otherwise the ANSI code page of the locale's language (windows-1251 for
// Russian, Ukrainian and the other Cyrillic languages, windows-1252 for
// languages without one of their own and for the C/POSIX locale). `override`
// (COURSEVIEW_CODEPAGE, may be null or empty) wins when iconv knows it, else
// `warning` (may be null) receives one clear line and the rule applies.
// `localeCodeset` is what nl_langinfo(CODESET) gives, `ctypeLocaleName` what
// setlocale(LC_CTYPE, nullptr) gives ("ru_RU.UTF-8", "sr_RS@latin",
// "C.UTF-8", "POSIX"). Returns the codeset as iconv spells it ("CP1251"), or
// the override's own spelling.
std::string ChooseSystemCodePage(std::string_view localeCodeset, std::string_view ctypeLocaleName,
                                 const char* override, std::string* warning);

}  // namespace courseview
