#include "EntryKind.h"

#include "Utf.h"

namespace courseview {

EntryKind ClassifyEntry(bool isFolder, std::u16string_view name, const ExtensionTables& tables) {
    if (name == u"." || name == u"..") return EntryKind::Dot;
    if (IsTreeFolder(isFolder, name, tables)) {
        return name.back() == u'^' ? EntryKind::PageFolder : EntryKind::TreeFolder;
    }
    const int kind = ExtensionIndex(tables.ViewableExtensions, name);
    if (IsPageKind(kind)) {
        return SameTextAscii(name, WrapperPageName) ? EntryKind::WrapperPage : EntryKind::Page;
    }
    if (IsPictureKind(kind)) return EntryKind::Picture;
    if (kind == KindClip) return EntryKind::Clip;
    if (!isFolder) return EntryKind::NotViewable;
    return name.front() == u'.' || name.front() == u'_' ? EntryKind::HiddenFolder
                                                        : EntryKind::SkippedFolder;
}

void DecodeEntryName(std::string_view name, const CodePage& systemCodePage, std::u16string& out) {
    if (IsWellFormedUtf8(name)) {
        DecodeUtf8Prefix(name, true, out);
    } else {
        systemCodePage.DecodePrefix(name, true, out);
    }
}

void DecodeEntryName(const FolderEntry& entry, const CodePage& systemCodePage,
                     std::u16string& out) {
    if (entry.decodedName.find(ReplacementCharacter) == std::u16string_view::npos) {
        out.append(entry.decodedName);
    } else {
        DecodeEntryName(entry.name, systemCodePage, out);
    }
}

}  // namespace courseview
