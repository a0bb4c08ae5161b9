#pragma once
// A fresh folder per test, removed afterwards however deep and whatever its
// permissions, with helpers to lay out content the way an author would.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace courseview::testing {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, ending in "/".
    const std::string& Path() const { return m_path; }

    // Writes `bytes` to a file at `relative`, creating folders on the way;
    // returns its path. Throws when the file cannot be written.
    std::string Write(const std::string& relative, std::string_view bytes) const;
    // Makes the folder `relative` and those on the way; returns its path.
    std::string MakeFolder(const std::string& relative) const;

private:
    std::string m_path;
};

// Removes `path` and everything below it through descriptors, so that no
// path length limit and no folder permission stops it.
void RemoveTree(const std::string& path);

// The names of a folder in the order the file system lists them, without "."
// and "..": what a scan sees. Empty when the folder cannot be opened.
std::vector<std::string> ListingOrder(const std::string& folder);
// The same for an open folder, which stays open.
std::vector<std::string> ListingOrder(int folderDescriptor);

// The same names in the order a scan takes them.
std::vector<std::string> ScanOrder(const std::string& folder);

// The whole content of a file, or "" when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);

// A page whose title element holds `title` (UTF-8 bytes).
std::string PageWithTitle(std::string_view title);

}  // namespace courseview::testing
