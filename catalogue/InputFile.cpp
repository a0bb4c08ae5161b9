#include "InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>

#include "FileError.h"

namespace courseview {

InputFile::InputFile(const std::filesystem::path& path) { Open(path.native()); }

void InputFile::Open(const std::string& path) {
    Close();
    m_path.assign(path);
    OpenAt(AT_FDCWD, m_path.c_str(), false);
}

void InputFile::Open(const ListedFile& file) {
    Close();
    m_path.assign(*file.fullPath);
    OpenAt(file.folderDescriptor, file.name, file.plainFile);
}

void InputFile::OpenAt(int folderDescriptor, const char* name, bool plainFile) {
    // Non-blocking, so that a FIFO without a writer cannot hold the scan.
    m_descriptor = ::openat(folderDescriptor, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_descriptor < 0) {
        const int error = errno;  // before the message's own allocations
        throw CannotOpenFile(m_path, SystemErrorText(error));
    }
    m_size = 0;
    if (plainFile) return;
    struct stat status {};
    if (::fstat(m_descriptor, &status) != 0) {
        const int error = errno;
        Close();
        throw CannotOpenFile(m_path, SystemErrorText(error));
    }
    if (!S_ISREG(status.st_mode)) {
        Close();
        throw CannotOpenFile(m_path, SystemErrorText(S_ISDIR(status.st_mode) ? EISDIR : EINVAL));
    }
    m_size = static_cast<std::uint64_t>(status.st_size);
}

void InputFile::Close() {
    if (m_descriptor >= 0) ::close(m_descriptor);
    m_descriptor = -1;
}

InputFile::~InputFile() { Close(); }

std::size_t InputFile::Read(char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t got = ::read(m_descriptor, buffer, size);
        if (got >= 0) return static_cast<std::size_t>(got);
        const int error = errno;
        if (error == EINTR) continue;
        throw CannotOpenFile(m_path, SystemErrorText(error));
    }
}

bool InputFile::ReadIfCached(char* buffer, std::size_t size, std::size_t& got) {
    iovec part{buffer, size};
    for (;;) {
        // Offset -1: from the current position on, as read() does.
        const ssize_t count = ::preadv2(m_descriptor, &part, 1, -1, RWF_NOWAIT);
        if (count >= 0) {
            got = static_cast<std::size_t>(count);
            return true;
        }
        const int error = errno;
        if (error == EINTR) continue;
        if (error == EAGAIN) return false;
        // No answer from this kernel or file system: read the usual way,
        // which also raises a real error as Read() does.
        got = Read(buffer, size);
        return true;
    }
}

void InputFile::Seek(std::uint64_t offset) {
    if (::lseek(m_descriptor, static_cast<off_t>(offset), SEEK_SET) < 0) {
        throw CannotOpenFile(m_path, SystemErrorText(errno));
    }
}

std::size_t InputFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t got = ::pread(m_descriptor, buffer, size, static_cast<off_t>(offset));
        if (got >= 0) return static_cast<std::size_t>(got);
        const int error = errno;
        if (error == EINTR) continue;
        throw CannotOpenFile(m_path, SystemErrorText(error));
    }
}

void InputFile::AdviseReading(std::size_t bytes) {
    ::posix_fadvise(m_descriptor, 0, static_cast<off_t>(bytes), POSIX_FADV_WILLNEED);
}

std::string InputFile::ReadAll() {
    std::string content;
    content.resize(static_cast<std::size_t>(m_size));
    std::size_t filled = 0;
    for (;;) {
        if (filled == content.size()) content.resize(content.size() + 65536);
        const std::size_t got = Read(content.data() + filled, content.size() - filled);
        if (got == 0) break;
        filled += got;
    }
    content.resize(filled);
    return content;
}

}  // namespace courseview
