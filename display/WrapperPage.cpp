#include "WrapperPage.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "FileError.h"
#include "NameMatching.h"
#include "TextFile.h"
#include "Utf.h"

namespace courseview {

namespace {

void AppendPercentEncoded(std::string_view bytes, std::u16string& out) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    for (unsigned char byte : bytes) {
        out.push_back(u'%');
        out.push_back(static_cast<char16_t>(Hex[byte >> 4]));
        out.push_back(static_cast<char16_t>(Hex[byte & 15]));
    }
}

// Writes `bytes` to a fresh file beside `target` and renames it over the
// target. Returns 0, or the errno that stopped it.
int ReplaceFile(const std::string& target, const std::string& bytes) {
    const auto slash = target.rfind('/');
    // The temporary name has no page extension, so a scan never lists it.
    std::string temporary = target.substr(0, slash + 1) + ".temp.htm-XXXXXX";
    const int descriptor = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0) return errno;
    ::fchmod(descriptor, 0644);
    int error = 0;
    std::size_t written = 0;
    while (written < bytes.size() && error == 0) {
        const ssize_t count = ::write(descriptor, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            error = count < 0 ? errno : EIO;
        } else {
            written += static_cast<std::size_t>(count);
        }
    }
    if (::close(descriptor) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) ::unlink(temporary.c_str());
    return error;
}

}  // namespace

std::vector<std::u16string> WrapperPageLines(std::u16string_view fragment) {
    return {
        u"<html><center><body bgcolor=\"#FFAED0\"  scroll=no topmargin=\"0\" leftmargin=\"0\" "
        u"rightmargin=\"0\" bottommargin=\"0\" marginwidth=\"0\" marginheight=\"0\">",
        u"<table align=\"center\"  height=100% border=\"0\"><tr valign=\"middle\"><td>",
        std::u16string(fragment),
        u"</td></tr></table></body></center></html>",
    };
}

std::u16string PathForSourceAttribute(const std::filesystem::path& path, const CodePage& codePage) {
    const std::string& bytes = path.native();
    std::u16string out;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80) {
            switch (byte) {
                case '&':
                    out += u"&amp;";
                    break;
                case '"':
                    out += u"&quot;";
                    break;
                case '<':
                    out += u"&lt;";
                    break;
                case '>':
                    out += u"&gt;";
                    break;
                case '%':
                case '#':
                case '?':
                case '\\':
                case 0x7F:
                    AppendPercentEncoded(bytes.substr(i, 1), out);
                    break;
                default:
                    // Control characters would be dropped from the address by the browser.
                    if (byte < 0x20) {
                        AppendPercentEncoded(bytes.substr(i, 1), out);
                    } else {
                        out.push_back(byte);
                    }
            }
            ++i;
            continue;
        }
        // One character of the file name: kept when it is well-formed and the
        // page's code page can carry it, else its bytes go percent-encoded.
        std::u16string character;
        const std::size_t length =
            DecodeOneUtf8Character(std::string_view(bytes).substr(i), character);
        if (length > 0 && codePage.ToUtf16(codePage.FromUtf16(character)) == character) {
            out += character;
            i += length;
        } else {
            AppendPercentEncoded(std::string_view(bytes).substr(i, length > 0 ? length : 1), out);
            i += length > 0 ? length : 1;
        }
    }
    return out;
}

std::u16string PictureFragment(const std::filesystem::path& picture, int browserWidth,
                               int browserHeight, const CodePage& codePage) {
    const std::string height = std::to_string(browserHeight - 12);
    const std::string width = std::to_string(browserWidth - 12);
    return u"<img src=\"" + PathForSourceAttribute(picture, codePage) + u"\" height=\"" +
           Utf8ToUtf16(height) + u"\" width=\"" + Utf8ToUtf16(width) + u"\">";
}

WrapperPageWriter::WrapperPageWriter(std::string programFolder, std::string fallbackFolder,
                                     const CodePage& codePage)
    : m_programFolder(std::move(programFolder)),
      m_fallbackFolder(std::move(fallbackFolder)),
      m_codePage(codePage) {
    if (!m_fallbackFolder.empty() && m_fallbackFolder.back() != '/')
        m_fallbackFolder.push_back('/');
}

std::filesystem::path WrapperPageWriter::PagePath() const {
    return m_programFolder + Utf16ToUtf8(WrapperPageName);
}

std::filesystem::path WrapperPageWriter::Write(std::u16string_view fragment) {
    const std::string bytes = m_codePage.FromUtf16(JoinLines(WrapperPageLines(fragment)));
    const std::string page = PagePath().native();
    const int error = ReplaceFile(page, bytes);
    if (error == 0) return page;
    if (!m_fallbackFolder.empty()) {
        // A package on a disc or a read-only share still shows its pictures:
        // the page goes to the user's own folder under a name of its own.
        const std::string fallback = FallbackPagePath();
        if (ReplaceFile(fallback, bytes) == 0) return fallback;
    }
    throw CannotCreateFile(page, SystemErrorText(error));
}

void WrapperPageWriter::RemovePages() const {
    ::unlink(PagePath().c_str());
    if (!m_fallbackFolder.empty()) ::unlink(FallbackPagePath().c_str());
}

std::string WrapperPageWriter::FallbackPagePath() const {
    // One name per running viewer, so two viewers never share a page.
    return m_fallbackFolder + "courseview-" + std::to_string(::getpid()) + "-temp.htm";
}

std::string UserRuntimeFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != 0) {
        return runtime;
    }
    return std::filesystem::temp_directory_path().string();
}

}  // namespace courseview
