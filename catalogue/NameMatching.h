#pragma once
// Every decision about a name (skipped folder, page, picture, clip, title tag)
// goes through these two comparisons.

#include <string>
#include <string_view>
#include <vector>

namespace courseview {

using ExtensionList = std::vector<std::u16string>;

// True when both strings have the same length and their UTF-16 code units are
// equal once "A".."Z" are folded to "a".."z". Nothing else is folded, so
// Cyrillic letters compare exactly.
bool SameTextAscii(std::u16string_view a, std::u16string_view b);

// Position in `list` of the text after the last "." of `name` (the whole name
// when it has no "."), or -1. Names shorter than 2 code units give -1. Works on
// whole paths too: the last "." may lie in a folder name.
int ExtensionIndex(const ExtensionList& list, std::u16string_view name);

// The file kinds are positions in ViewableExtensions.
enum FileKind : int {
    KindNone = -1,
    KindPage = 0,
    KindPageLong = 1,
    KindBitmap = 2,
    KindJpeg = 3,
    KindClip = 4,
};

inline bool IsPageKind(int kind) { return kind == KindPage || kind == KindPageLong; }
inline bool IsPictureKind(int kind) { return kind == KindBitmap || kind == KindJpeg; }

// The two tables, filled in the order that gives the file kinds above.
struct ExtensionTables {
    ExtensionList ViewableExtensions;
    ExtensionList SkippedFolderExtensions;
};
ExtensionTables MakeExtensionTables();

// The viewer's own page: never listed, whatever the case of its Latin letters.
inline constexpr std::u16string_view WrapperPageName = u"temp.htm";

// A folder the catalogue shows as a branch and enters: its name does not
// begin with "." or "_" and has no "files" extension.
bool IsTreeFolder(bool isFolder, std::u16string_view name, const ExtensionTables& tables);

}  // namespace courseview
