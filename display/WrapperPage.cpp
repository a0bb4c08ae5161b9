#include "WrapperPage.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>

#include "ExitCleanup.h"
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

namespace {

// What Write reports for a course folder another viewer holds.
constexpr int HeldByAnotherViewer = -1;
// A folder that cannot be locked (some network file systems): written
// without the lock, as there is no way to agree with another viewer there.
constexpr int FolderCannotBeLocked = -2;

std::string FolderOf(const std::string& page) { return page.substr(0, page.rfind('/') + 1); }

std::string NameOf(const std::string& page) { return page.substr(page.rfind('/') + 1); }

std::string OwnPageName(int pid) { return "courseview-" + std::to_string(pid) + "-temp.htm"; }

// The pid in "courseview-<pid>-temp.htm", or -1 for any other name.
long PidOfOwnPage(std::string_view name) {
    constexpr std::string_view Prefix = "courseview-";
    constexpr std::string_view Suffix = "-temp.htm";
    if (!name.starts_with(Prefix) || !name.ends_with(Suffix)) return -1;
    const std::string_view digits =
        name.substr(Prefix.size(), name.size() - Prefix.size() - Suffix.size());
    if (digits.empty() || digits.size() > 9) return -1;
    long pid = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return -1;
        pid = pid * 10 + (c - '0');
    }
    return pid;
}

int WriteAll(int descriptor, const std::string& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(descriptor, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return count < 0 ? errno : EIO;
        written += static_cast<std::size_t>(count);
    }
    return 0;
}

}  // namespace

struct WrapperPageWriter::PlaceState {
    explicit PlaceState(WrapperPagePlace where)
        : place(std::move(where)),
          // No page extension: a scan meanwhile never lists it.
          temporary(FolderOf(place.page) + "." + NameOf(place.page) + "-" +
                    std::to_string(::getpid())),
          pageEntry(std::make_unique<CleanupEntry>(place.page)),
          temporaryEntry(std::make_unique<CleanupEntry>(temporary)) {}

    WrapperPagePlace place;
    std::string temporary;
    std::unique_ptr<CleanupEntry> pageEntry;
    std::unique_ptr<CleanupEntry> temporaryEntry;
    int folderLock = -1;      // shared place: the locked folder's descriptor
    int pageDescriptor = -1;  // the page while it is ours, locked so no one takes it for left over
    bool written = false;

    void Remove() {
        if (written) ::unlink(place.page.c_str());
        pageEntry->SetPresent(false);
        if (pageDescriptor >= 0) ::close(pageDescriptor);
        pageDescriptor = -1;
        written = false;
    }
};

std::vector<WrapperPagePlace> WrapperPagePlaces(std::string_view courseFolder,
                                                const std::vector<std::string>& userFolders,
                                                int pid) {
    std::vector<WrapperPagePlace> places;
    if (!courseFolder.empty()) {
        std::string folder(courseFolder);
        if (folder.back() != '/') folder.push_back('/');
        places.push_back({folder + Utf16ToUtf8(WrapperPageName), true});
    }
    std::vector<std::string> seen;
    for (std::string folder : userFolders) {
        if (folder.empty() || folder.front() != '/') continue;
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        if (folder != "/") folder.push_back('/');
        if (std::find(seen.begin(), seen.end(), folder) != seen.end()) continue;
        seen.push_back(folder);
        places.push_back({folder + OwnPageName(pid), false});
    }
    return places;
}

std::vector<std::string> UserPageFolders() {
    std::vector<std::string> folders;
    for (const char* variable : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        if (const char* value = std::getenv(variable); value != nullptr && *value != 0)
            folders.emplace_back(value);
    }
    folders.emplace_back("/tmp");
    return folders;
}

WrapperPageWriter::WrapperPageWriter(std::vector<WrapperPagePlace> places, const CodePage& codePage)
    : m_current(places.size()), m_codePage(codePage) {
    m_places.reserve(places.size());
    for (WrapperPagePlace& place : places) {
        if (!place.shared) RemoveAbandonedPages(FolderOf(place.page));
        m_places.emplace_back(std::move(place));
    }
}

WrapperPageWriter::~WrapperPageWriter() { RemovePages(); }

std::filesystem::path WrapperPageWriter::PagePath() const {
    if (m_current < m_places.size()) return m_places[m_current].place.page;
    if (m_places.empty()) return {};
    return m_places.front().place.page;
}

int WrapperPageWriter::WriteTo(PlaceState& place, const std::string& bytes) {
    if (place.place.shared && place.folderLock == -1) {
        const std::string folder = FolderOf(place.place.page);
        const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (descriptor < 0) return errno;
        if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
            place.folderLock = descriptor;
        } else {
            const int error = errno;
            ::close(descriptor);
            if (error == EWOULDBLOCK) return HeldByAnotherViewer;
            place.folderLock = FolderCannotBeLocked;
        }
    }
    place.temporaryEntry->SetPresent(true);
    const int descriptor = ::open(place.temporary.c_str(),
                                  O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        const int error = errno;
        place.temporaryEntry->SetPresent(false);
        return error;
    }
    ::fchmod(descriptor, 0644);
    // The lock travels with the file under its final name: a viewer starting
    // later sees that this page is in use and leaves it alone.
    ::flock(descriptor, LOCK_EX | LOCK_NB);
    int error = WriteAll(descriptor, bytes);
    // The lock stays with a second descriptor; closing the first reports a
    // write that failed late, as on a network share.
    const int kept = error == 0 ? ::dup(descriptor) : -1;
    if (error == 0 && kept < 0) error = errno;
    if (::close(descriptor) != 0 && error == 0) error = errno;
    if (error == 0) {
        place.pageEntry->SetPresent(true);
        if (::rename(place.temporary.c_str(), place.place.page.c_str()) != 0) error = errno;
    }
    if (error != 0) {
        ::unlink(place.temporary.c_str());
        if (kept >= 0) ::close(kept);
        if (!place.written) place.pageEntry->SetPresent(false);
    } else {
        if (place.pageDescriptor >= 0) ::close(place.pageDescriptor);
        place.pageDescriptor = kept;
        place.written = true;
    }
    place.temporaryEntry->SetPresent(false);
    return error;
}

std::filesystem::path WrapperPageWriter::Write(std::u16string_view fragment) {
    const std::string bytes = m_codePage.FromUtf16(JoinLines(WrapperPageLines(fragment)));
    std::string message;
    for (std::size_t i = 0; i < m_places.size(); ++i) {
        PlaceState& place = m_places[i];
        const int error = WriteTo(place, bytes);
        if (error == 0) {
            if (m_current != i && m_current < m_places.size()) m_places[m_current].Remove();
            m_current = i;
            return place.place.page;
        }
        const std::string reason =
            error == HeldByAnotherViewer ? "Another viewer holds it" : SystemErrorText(error);
        message += message.empty()
                       ? CannotCreateFile(place.place.page, reason).what()
                       : "; nor \"" + PathForMessage(place.place.page) + "\": " + reason;
    }
    if (message.empty()) {
        message = CannotCreateFile(Utf16ToUtf8(WrapperPageName), "No folder to write it in").what();
    }
    throw FileError(message);
}

void WrapperPageWriter::RemovePages() {
    for (PlaceState& place : m_places) {
        place.Remove();
        if (place.folderLock >= 0) ::close(place.folderLock);
        place.folderLock = -1;
    }
    m_current = m_places.size();
}

void RemoveAbandonedPages(const std::string& folder) {
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) return;
    const long ownPid = ::getpid();
    while (const dirent* entry = ::readdir(listing)) {
        const long pid = PidOfOwnPage(entry->d_name);
        if (pid < 0 || pid == ownPid) continue;
        const std::string page = folder + entry->d_name;
        const int descriptor = ::open(page.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (descriptor < 0) continue;
        struct stat opened {};
        struct stat named {};
        // Unlocked means no running viewer holds it; the page must still be
        // the file that was looked at, not one a viewer has just put there.
        if (::fstat(descriptor, &opened) == 0 && S_ISREG(opened.st_mode) &&
            ::flock(descriptor, LOCK_EX | LOCK_NB) == 0 && ::lstat(page.c_str(), &named) == 0 &&
            named.st_dev == opened.st_dev && named.st_ino == opened.st_ino) {
            ::unlink(page.c_str());
        }
        ::close(descriptor);
    }
    ::closedir(listing);
}

}  // namespace courseview
