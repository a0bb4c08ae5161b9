#include "TempFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "NtfsNames.h"

namespace courseview::testing {

namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

bool IsRealFolder(int folder, const std::string& name) {
    struct stat status {};
    return ::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISDIR(status.st_mode);
}

int OpenFolderAt(int folder, const char* name) {
    return ::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

}  // namespace

TempFolder::TempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "courseview-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) Fail("mkdtemp");
    m_path = pattern + "/";
}

TempFolder::~TempFolder() {
    try {
        RemoveTree(m_path.substr(0, m_path.size() - 1));
    } catch (const std::exception&) {
        // What could not be removed stays in the temp folder; the test is over.
    }
}

std::string TempFolder::Write(const std::string& relative, std::string_view bytes) const {
    const std::string path = m_path + relative;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (file < 0) Fail("create " + path);
    for (std::size_t written = 0; written < bytes.size();) {
        const ssize_t count = ::write(file, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            ::close(file);
            Fail("write " + path);
        }
        written += static_cast<std::size_t>(count);
    }
    ::close(file);
    return path;
}

std::string TempFolder::MakeFolder(const std::string& relative) const {
    std::filesystem::create_directories(m_path + relative);
    return m_path + relative;
}

void RemoveTree(const std::string& path) {
    int folder = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0) {
        if (errno == ENOENT) return;
        if (errno == ENOTDIR || errno == ELOOP) {
            ::unlink(path.c_str());
            return;
        }
        Fail("open " + path);
    }
    std::vector<std::string> descent;  // names from `path` down to `folder`
    for (;;) {
        ::fchmod(folder, 0700);
        std::string inner;
        for (const auto& name : ListingOrder(folder)) {
            if (IsRealFolder(folder, name)) {
                inner = name;
                break;
            }
            ::unlinkat(folder, name.c_str(), 0);
        }
        if (!inner.empty()) {
            const int child = OpenFolderAt(folder, inner.c_str());
            if (child < 0) Fail("open " + inner);
            ::close(folder);
            folder = child;
            descent.push_back(inner);
            continue;
        }
        if (descent.empty()) break;
        // Empty now: climb back and remove it.
        const int parent = OpenFolderAt(folder, "..");
        if (parent < 0) Fail("open ..");
        ::close(folder);
        folder = parent;
        if (::unlinkat(folder, descent.back().c_str(), AT_REMOVEDIR) != 0)
            Fail("rmdir " + descent.back());
        descent.pop_back();
    }
    ::close(folder);
    if (::rmdir(path.c_str()) != 0) Fail("rmdir " + path);
}

std::vector<std::string> ListingOrder(int folderDescriptor) {
    std::vector<std::string> names;
    const int copy = ::dup(folderDescriptor);
    DIR* listing = copy < 0 ? nullptr : ::fdopendir(copy);
    if (listing == nullptr) {
        if (copy >= 0) ::close(copy);
        Fail("list a folder");
    }
    ::rewinddir(listing);
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(listing);
    return names;
}

std::vector<std::string> ListingOrder(const std::string& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return {};
    std::vector<std::string> names = ListingOrder(descriptor);
    ::close(descriptor);
    return names;
}

std::vector<std::string> ScanOrder(const std::string& folder) {
    std::vector<std::string> names = ListingOrder(folder);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return NtfsNameLess(a, b); });
    return names;
}

std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string PageWithTitle(std::string_view title) {
    return "<html><head><title>" + std::string(title) +
           "</title></head><body>text</body></html>\r\n";
}

}  // namespace courseview::testing
