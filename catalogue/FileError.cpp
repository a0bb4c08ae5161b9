#include "FileError.h"

#include <cstring>

#include "CodePage.h"
#include "Utf.h"

namespace courseview {

std::string SystemErrorText(int errorNumber) {
    // The system speaks the locale's language in the locale's code page;
    // messages travel as UTF-8.
    std::string text = Utf16ToUtf8(LocaleCodePage().ToUtf16(std::strerror(errorNumber)));
    while (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

std::string PathForMessage(const std::filesystem::path& path) {
    return Utf16ToUtf8(Utf8ToUtf16(path.native()));
}

FileError CannotOpenFile(const std::filesystem::path& path, const std::string& reason) {
    return FileError("Cannot open file \"" + PathForMessage(path) + "\". " + reason);
}

FileError CannotCreateFile(const std::filesystem::path& path, const std::string& reason) {
    return FileError("Cannot create file \"" + PathForMessage(path) + "\". " + reason);
}

}  // namespace courseview
