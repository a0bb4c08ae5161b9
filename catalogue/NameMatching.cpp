#include "NameMatching.h"

namespace courseview {

namespace {
char16_t FoldAscii(char16_t unit) {
    return (unit >= u'A' && unit <= u'Z') ? static_cast<char16_t>(unit + 32) : unit;
}
}  // namespace

bool SameTextAscii(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

int ExtensionIndex(const ExtensionList& list, std::u16string_view name) {
    if (name.size() < 2) return -1;
    const auto dot = name.rfind(u'.');
    const std::u16string_view extension =
        dot == std::u16string_view::npos ? name : name.substr(dot + 1);
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (SameTextAscii(list[i], extension)) return static_cast<int>(i);
    }
    return -1;
}

ExtensionTables MakeExtensionTables() {
    ExtensionTables tables;
    tables.SkippedFolderExtensions = {u"files"};
    tables.ViewableExtensions = {u"htm", u"html", u"bmp", u"jpg", u"avi"};
    return tables;
}

bool IsTreeFolder(bool isFolder, std::u16string_view name, const ExtensionTables& tables) {
    return isFolder && !name.empty() && name.front() != u'.' && name.front() != u'_' &&
           ExtensionIndex(tables.SkippedFolderExtensions, name) == -1;
}

}  // namespace courseview
