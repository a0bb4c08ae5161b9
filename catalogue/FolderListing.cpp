#include "FolderListing.h"

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <utility>

#include "FileError.h"
#include "NtfsNames.h"
#include "Utf.h"

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
    for (;;) {
        errno = 0;
        const dirent* found = ::readdir(directory);
        if (found == nullptr) {
            m_readError = errno;
            break;
        }
        const std::string_view name = found->d_name;
        const std::size_t keyOffset = m_keys.size();
        DecodeUtf8Prefix(name, true, m_decoded);
        AppendNtfsKey(std::u16string_view(m_decoded).substr(keyOffset), m_keys);
        m_entries.push_back(Listed{keyOffset, m_names.size(),
                                   static_cast<std::uint32_t>(m_keys.size() - keyOffset),
                                   static_cast<std::uint32_t>(name.size()), found->d_type});
        m_names += name;
    }
    // Sorted once, by keys made once: a folder of 50 000 entries costs a
    // moment, not a moment per entry.
    const auto keyOf = [this](const Listed& listed) {
        return std::u16string_view(m_keys).substr(listed.keyOffset, listed.keyLength);
    };
    const auto nameOf = [this](const Listed& listed) {
        return std::string_view(m_names).substr(listed.nameOffset, listed.nameLength);
    };
    std::sort(m_entries.begin(), m_entries.end(), [&](const Listed& a, const Listed& b) {
        const int order = keyOf(a).compare(keyOf(b));
        return order != 0 ? order < 0 : nameOf(a) < nameOf(b);
    });
}

FolderListing::~FolderListing() {
    if (m_directory != nullptr) ::closedir(static_cast<DIR*>(m_directory));
}

int FolderListing::Descriptor() const { return ::dirfd(static_cast<DIR*>(m_directory)); }

bool FolderListing::Next(FolderEntry& entry, std::string& fullPath,
                         const std::string& folderWithSeparator) {
    if (m_next == m_entries.size()) {
        if (m_readError != 0) {
            const int error = std::exchange(m_readError, 0);
            throw CannotOpenFile(m_folderPath, SystemErrorText(error));
        }
        return false;
    }
    const Listed& found = m_entries[m_next++];
    entry.name.assign(m_names, found.nameOffset, found.nameLength);
    entry.decodedName = std::u16string_view(m_decoded).substr(found.keyOffset, found.keyLength);
    fullPath.assign(folderWithSeparator);
    fullPath += entry.name;
    entry.isLink = found.type == DT_LNK;
    entry.isPlainFile = found.type == DT_REG;
    if (found.type == DT_DIR) {
        entry.isFolder = true;
    } else if (found.type == DT_LNK || found.type == DT_UNKNOWN) {
        // A link counts as what it points to; a dangling one is a plain entry.
        struct stat status {};
        entry.isFolder = ::stat(fullPath.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
        if (found.type == DT_UNKNOWN) {
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
