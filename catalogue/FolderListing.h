#pragma once
// One folder's entries in the order the file system delivers them, "." and
// ".." included, nothing sorted. The only place that lists folders, so a
// Windows build can put FindFirstFileW behind it.

#include <cstdint>
#include <string>

namespace courseview {

// Identifies a folder on this machine, so a link back into the path being
// scanned can be recognised.
struct FolderIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FolderIdentity&) const = default;
};

struct FolderEntry {
    std::string name;          // exactly as the file system reports it
    bool isFolder = false;     // after following a symbolic link
    bool isLink = false;       // a symbolic link (to a folder when isFolder)
    bool isPlainFile = false;  // the listing itself says: a regular file, no link
};

class FolderListing {
public:
    // Throws FileError when the folder cannot be listed.
    explicit FolderListing(const std::string& folderPath);
    ~FolderListing();
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    FolderIdentity Identity() const { return m_identity; }

    // The open folder, for opening its entries relative to it.
    int Descriptor() const;

    // The next entry, or false at the end. `fullPath` names the entry for the
    // cases where its kind must be asked for. Throws FileError when the
    // listing breaks off.
    bool Next(FolderEntry& entry, std::string& fullPath, const std::string& folderWithSeparator);

private:
    std::string m_folderPath;
    void* m_directory = nullptr;
    FolderIdentity m_identity;
};

// The identity of the folder a path (following links) names, if it is one.
bool IdentifyFolder(const std::string& path, FolderIdentity& identity);

// Each folder level of a scan keeps its listing open, so a package nested a
// thousand folders deep needs a thousand descriptors: a program that scans
// raises its soft limit on open files to the hard one at start.
void AllowDeepFolderListings();

}  // namespace courseview
