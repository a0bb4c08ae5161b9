#pragma once
// A file opened for reading. Only regular files can be opened: a folder, a
// FIFO, a socket or a device named like a page is refused at once instead of
// being read as an empty page or blocking the scan.
//
// The reading rules ask for read sharing only, so that a file another process
// holds open for writing cannot be read. Linux has no sharing modes: such a
// file is read as it stands.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace courseview {

class InputFile {
public:
    // Throws FileError ("Cannot open file ...") when the file cannot be opened.
    explicit InputFile(const std::filesystem::path& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Reads up to `size` bytes; 0 at the end. Throws FileError when a read fails.
    std::size_t Read(char* buffer, std::size_t size);

    // The size the file had when it was opened.
    std::uint64_t Size() const { return m_size; }

    // Reads everything from the current position on.
    std::string ReadAll();

private:
    std::filesystem::path m_path;
    int m_descriptor = -1;
    std::uint64_t m_size = 0;
};

}  // namespace courseview
