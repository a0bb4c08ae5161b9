#pragma once
// Names as NTFS compares them. A Windows folder listing comes out ascending by
// name under this order, and Windows finds a file whatever the letter case of
// the name asked for: both compare UTF-16 code units after mapping each one
// through the upper-case table the volume carries. That table is the simple
// upper-case mapping of an older Unicode: Latin and Cyrillic letters map as
// expected, while dotless i, long s, the micro sign, final sigma, titlecase
// digraphs and letters added later map to themselves.

#include <string>
#include <string_view>

namespace courseview {

// The NTFS upper-case of one UTF-16 code unit.
char16_t NtfsUpCase(char16_t unit);

// The key NTFS sorts a name by: the name decoded as UTF-8 (U+FFFD for what
// does not decode, as DecodeUtf8Prefix does), each code unit through
// NtfsUpCase.
std::u16string NtfsNameKey(std::string_view name);

// The key of a name decoded already: each unit through NtfsUpCase, appended
// to `key`.
void AppendNtfsKey(std::u16string_view decodedName, std::u16string& key);

// The order a Windows listing gives: by key, names with equal keys by their
// raw bytes. Strict weak order.
bool NtfsNameLess(std::string_view a, std::string_view b);

// True when the names' keys are equal (letter case ignored as NTFS ignores
// it; Cyrillic too).
bool SameNameIgnoringCase(std::string_view a, std::string_view b);

}  // namespace courseview
