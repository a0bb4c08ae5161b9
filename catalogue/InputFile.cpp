#include "InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "FileError.h"

namespace courseview {

InputFile::InputFile(const std::filesystem::path& path) : m_path(path) {
    // Non-blocking, so that a FIFO without a writer cannot hold the scan.
    m_descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_descriptor < 0) throw CannotOpenFile(path, SystemErrorText(errno));
    struct stat status {};
    if (::fstat(m_descriptor, &status) != 0) {
        const int error = errno;
        ::close(m_descriptor);
        throw CannotOpenFile(path, SystemErrorText(error));
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(m_descriptor);
        throw CannotOpenFile(path, SystemErrorText(S_ISDIR(status.st_mode) ? EISDIR : EINVAL));
    }
    m_size = static_cast<std::uint64_t>(status.st_size);
}

InputFile::~InputFile() {
    if (m_descriptor >= 0) ::close(m_descriptor);
}

std::size_t InputFile::Read(char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t got = ::read(m_descriptor, buffer, size);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno == EINTR) continue;
        throw CannotOpenFile(m_path, SystemErrorText(errno));
    }
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
