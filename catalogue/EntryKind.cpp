#include "EntryKind.h"

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

}  // namespace courseview
