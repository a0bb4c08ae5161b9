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

// A file found by listing a folder that is still open: it is opened relative
// to that folder, which spares the system the walk down the full path, and
// when the listing said it is a plain file its kind is not asked again.
struct ListedFile {
    int folderDescriptor = -1;
    const char* name = nullptr;
    const std::string* fullPath = nullptr;  // what messages name
    bool plainFile = false;
};

class InputFile {
public:
    // Throws FileError ("Cannot open file ...") when the file cannot be opened.
    explicit InputFile(const std::filesystem::path& path);
    // A closed file, to be opened again and again: a scan reads thousands of
    // pages through one, keeping its path buffer.
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Closes the file open before, if any, and opens `path`. Throws FileError.
    void Open(const std::string& path);
    void Open(const ListedFile& file);
    void Close();

    // Reads up to `size` bytes; 0 at the end. Throws FileError when a read fails.
    std::size_t Read(char* buffer, std::size_t size);

    // As Read(), but only bytes the system holds in memory already: false,
    // with nothing read, when they would have to come from the disk. Where the
    // system cannot tell, it reads as Read() does.
    bool ReadIfCached(char* buffer, std::size_t size, std::size_t& got);

    // Reads on from `offset`.
    void Seek(std::uint64_t offset);

    // Reads up to `size` bytes from `offset` on, leaving the position where
    // it is; 0 at the end. Throws FileError when the read fails.
    std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t size);

    // Asks the system to read the file's first `bytes` into memory in the
    // background, for a reader that comes soon.
    void AdviseReading(std::size_t bytes);

    // The size the file had when it was opened; 0 for a listed plain file,
    // whose kind and size were not asked for.
    std::uint64_t Size() const { return m_size; }

    // Reads everything from the current position on.
    std::string ReadAll();

private:
    void OpenAt(int folderDescriptor, const char* name, bool plainFile);

    std::string m_path;
    int m_descriptor = -1;
    std::uint64_t m_size = 0;
};

}  // namespace courseview
