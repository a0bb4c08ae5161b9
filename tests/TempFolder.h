#pragma once
// A fresh folder per test, removed afterwards, with helpers to lay out
// content the way an author would.

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

    // Writes `bytes` to a file at `relative`, creating folders on the way.
    std::string Write(const std::string& relative, std::string_view bytes) const;
    std::string MakeFolder(const std::string& relative) const;

private:
    std::string m_path;
};

// The names of a folder in the order the file system lists them, without "."
// and "..": what a scan sees.
std::vector<std::string> ListingOrder(const std::string& folder);

// The same names in the order a scan takes them.
std::vector<std::string> ScanOrder(const std::string& folder);

// The whole content of a file, or "" when it cannot be read.
std::string ReadFileBytes(const std::string& path);

// A page whose title element holds `title` (UTF-8 bytes).
std::string PageWithTitle(std::string_view title);

}  // namespace courseview::testing
