#include "FolderListing.h"

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>

#include "FileError.h"

namespace courseview {

FolderListing::FolderListing(const std::string& folderPath) : m_folderPath(folderPath) {
    DIR* directory = ::opendir(folderPath.c_str());
    if (directory == nullptr) throw CannotOpenFile(folderPath, SystemErrorText(errno));
    m_directory = directory;
    struct stat status {};
    if (::fstat(::dirfd(directory), &status) == 0) {
        m_identity = {static_cast<std::uint64_t>(status.st_dev),
                      static_cast<std::uint64_t>(status.st_ino)};
    }
}

FolderListing::~FolderListing() {
    if (m_directory != nullptr) ::closedir(static_cast<DIR*>(m_directory));
}

int FolderListing::Descriptor() const { return ::dirfd(static_cast<DIR*>(m_directory)); }

bool FolderListing::Next(FolderEntry& entry, std::string& fullPath,
                         const std::string& folderWithSeparator) {
    errno = 0;
    const dirent* found = ::readdir(static_cast<DIR*>(m_directory));
    if (found == nullptr) {
        if (errno != 0) throw CannotOpenFile(m_folderPath, SystemErrorText(errno));
        return false;
    }
    entry.name.assign(found->d_name);
    fullPath.assign(folderWithSeparator);
    fullPath += entry.name;
    entry.isLink = found->d_type == DT_LNK;
    entry.isPlainFile = found->d_type == DT_REG;
    if (found->d_type == DT_DIR) {
        entry.isFolder = true;
    } else if (found->d_type == DT_LNK || found->d_type == DT_UNKNOWN) {
        // A link counts as what it points to; a dangling one is a plain entry.
        struct stat status {};
        entry.isFolder = ::stat(fullPath.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
        if (found->d_type == DT_UNKNOWN) {
            struct stat linkStatus {};
            entry.isLink =
                ::lstat(fullPath.c_str(), &linkStatus) == 0 && S_ISLNK(linkStatus.st_mode);
        }
    } else {
        entry.isFolder = false;
    }
    return true;
}

bool IdentifyFolder(const std::string& path, FolderIdentity& identity) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return false;
    identity = {static_cast<std::uint64_t>(status.st_dev),
                static_cast<std::uint64_t>(status.st_ino)};
    return true;
}

void AllowDeepFolderListings() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

}  // namespace courseview
