#pragma once
// One folder's entries in the order a Windows listing of an NTFS volume gives
// them (NtfsNames), "." and ".." included: the order the courses' authors saw
// their chapters in. Linux file systems list in hash or creation order, so the
// folder is read whole and sorted once. The only place that lists folders, so
// a Windows build can put FindFirstFileW behind it.

#include <cstdint>
#include <string>
#include <vector>

namespace courseview {

// Identifies a folder on this machine, so a link back into the path being
// scanned can be recognised.
struct FolderIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FolderIdentity&) const = default;
};

struct FolderEntry {
    std::string name;  // exactly as the file system reports it
    // The name decoded as UTF-8, U+FFFD for what does not decode (what its
    // sort key was made from), while the listing lives.
    std::u16string_view decodedName;
    bool isFolder = false;     // after following a symbolic link
    bool isLink = false;       // a symbolic link (to a folder when isFolder)
    bool isPlainFile = false;  // the listing itself says: a regular file, no link
};

class FolderListing {
public:
    // Reads the folder's entries. Throws FileError when the folder cannot be
    // opened.
    explicit FolderListing(const std::string& folderPath);
    ~FolderListing();
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    FolderIdentity Identity() const { return m_identity; }

    // The open folder, for opening its entries relative to it.
    int Descriptor() const;

    // The next entry, or false at the end. `fullPath` names the entry for the
    // cases where its kind must be asked for. When reading the folder broke
    // off, the entries read before are given, then FileError is thrown.
    bool Next(FolderEntry& entry, std::string& fullPath, const std::string& folderWithSeparator);

private:
    struct Listed {
        std::size_t keyOffset;   // in m_keys
        std::size_t nameOffset;  // in m_names
        std::uint32_t keyLength;
        std::uint32_t nameLength;
        unsigned char type;  // as the listing gave it (DT_*)
    };

    std::string m_folderPath;
    void* m_directory = nullptr;
    FolderIdentity m_identity;
    std::vector<Listed> m_entries;  // in listing order
    std::string m_names;            // every name, end to end
    std::u16string m_decoded;       // every name decoded, end to end
    std::u16string m_keys;          // every name's sort key, at the same offsets
    std::size_t m_next = 0;
    int m_readError = 0;  // what broke off reading the folder, or 0
};

// The identity of the folder a path (following links) names, if it is one.
bool IdentifyFolder(const std::string& path, FolderIdentity& identity);

// Each folder level of a scan keeps its listing open, so a package nested a
// thousand folders deep needs a thousand descriptors: a program that scans
// raises its soft limit on open files to the hard one at start.
void AllowDeepFolderListings();

}  // namespace courseview
