#pragma once
// What the catalogue makes of one entry of a content folder. The naming rules
// live here alone: the scan and every walk that must go where the scan goes
// ask the same question.

#include <string>
#include <string_view>

#include "CodePage.h"
#include "FolderListing.h"
#include "NameMatching.h"

namespace courseview {

enum class EntryKind {
    Dot,            // "." or "..": nothing at all
    TreeFolder,     // a branch, entered
    PageFolder,     // a branch whose name ends with "^": entered, and openable itself
    Page,           // a leaf captioned by its title
    WrapperPage,    // "temp.htm" in any Latin case: the viewer's own page, left out
    Picture,        // a leaf captioned by its name
    Clip,           // a leaf captioned by its name
    HiddenFolder,   // a folder whose name begins with "_" or ".": left out, not entered
    SkippedFolder,  // a folder named "files" or "*.files": left out, not entered
    NotViewable,    // anything else
};

// `name` as UTF-16; `isFolder` after following a symbolic link. A folder that
// is no tree folder counts by its extension like a file: "_pics.jpg" is a
// picture.
EntryKind ClassifyEntry(bool isFolder, std::u16string_view name, const ExtensionTables& tables);

// A name as the catalogue reads it: as UTF-8 when it is UTF-8, else in the
// system code page, in which discs and archives made on Windows carry their
// names. Appends to `out`.
void DecodeEntryName(std::string_view name, const CodePage& systemCodePage, std::u16string& out);
// The same for a listed entry, taking the listing's decoding where it holds
// no U+FFFD: the name is UTF-8 then, and decoded already.
void DecodeEntryName(const FolderEntry& entry, const CodePage& systemCodePage, std::u16string& out);

inline bool IsBranch(EntryKind kind) {
    return kind == EntryKind::TreeFolder || kind == EntryKind::PageFolder;
}

}  // namespace courseview
