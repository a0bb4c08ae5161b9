#pragma once
// The names a page may give its character encoding, as browsers read them:
// every label of the Encoding standard and the encoding it stands for, and
// the iconv codeset that decodes each encoding here.

#include <span>
#include <string_view>

namespace courseview {

struct EncodingInfo {
    std::string_view name;     // the standard's name: "UTF-8", "windows-1251", "Shift_JIS"
    std::string_view codeset;  // iconv's name for it; empty where none decodes it
    std::string_view labels;   // every label, lower case, separated by spaces
};

// Every encoding, UTF-8 first. "replacement" (labels of encodings browsers
// refuse to decode) and "x-user-defined" have no codeset: the reader decodes
// them itself.
std::span<const EncodingInfo> Encodings();

// The encoding `label` names, ignoring ASCII letter case and the ASCII
// whitespace around it; none for a label the standard does not know.
const EncodingInfo* EncodingForLabel(std::string_view label);

// The encoding by its own name (exact spelling, as EncodingInfo::name).
const EncodingInfo* EncodingNamed(std::string_view name);

// The encoding an iconv codeset decodes, for telling a browser what the
// system code page is: the codeset read as a label ("CP1251", "KOI8-R"), else
// the encoding this table decodes with it ("CP932" is Shift_JIS), else the
// Windows code pages browsers know by other names ("CP936" is GBK, "CP950"
// Big5). None for a codeset no encoding matches.
const EncodingInfo* EncodingForCodeset(std::string_view codeset);

}  // namespace courseview
