#include "FloorWalk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "NtfsNames.h"

namespace courseview::bench {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool SameAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

std::string_view Extension(std::string_view name) {
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(dot + 1);
}

bool IsTreeFolder(std::string_view name) {
    return name[0] != '.' && name[0] != '_' && !SameAscii(Extension(name), "files");
}

bool IsPage(std::string_view name) {
    if (name.size() < 2) return false;
    const std::string_view extension = Extension(name);
    return (SameAscii(extension, "htm") || SameAscii(extension, "html")) &&
           !SameAscii(name, "temp.htm");
}

// "/title" in an 8-bit text, or in UTF-16 of either byte order, where a zero
// byte stands between the letters.
constexpr std::size_t LongestTag = 12;

bool ClosingTagAt(const char* at, const char* end) {
    static constexpr char letters[] = "title";
    if (end - at >= 6) {
        bool match = true;
        for (int i = 0; i < 5 && match; ++i) match = Lower(at[1 + i]) == letters[i];
        if (match) return true;
    }
    if (end - at >= 11) {
        for (int i = 0; i < 5; ++i) {
            if (at[1 + 2 * i] != '\0' || Lower(at[2 + 2 * i]) != letters[i]) return false;
        }
        return true;
    }
    return false;
}

bool HoldsClosingTag(const char* begin, const char* end) {
    const char* at = begin;
    while ((at = static_cast<const char*>(
                std::memchr(at, '/', static_cast<std::size_t>(end - at)))) != nullptr) {
        if (ClosingTagAt(at, end)) return true;
        ++at;
    }
    return false;
}

class Walker {
public:
    explicit Walker(bool sorted) : m_sorted(sorted) {}
    FloorCounts counts;

    void Walk(std::string& path) {
        DIR* directory = ::opendir(path.c_str());
        if (directory == nullptr) return;
        // The order the catalogue takes a folder in: read whole, sorted once
        // by the names' NTFS keys.
        struct Entry {
            std::u16string key;
            std::string name;
            unsigned char type;
        };
        std::vector<Entry> entries;
        while (const dirent* entry = ::readdir(directory)) {
            const std::string_view name = entry->d_name;
            if (name == "." || name == "..") continue;
            entries.push_back({m_sorted ? NtfsNameKey(name) : std::u16string(), std::string(name),
                               entry->d_type});
        }
        if (m_sorted)
            std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
                const int order = a.key.compare(b.key);
                return order != 0 ? order < 0 : a.name < b.name;
            });
        path.push_back('/');
        const std::size_t folderLength = path.size();
        for (const Entry& entry : entries) {
            ++counts.listed;
            path.resize(folderLength);
            path.append(entry.name);
            bool folder = entry.type == DT_DIR;
            if (entry.type == DT_UNKNOWN || entry.type == DT_LNK) {
                struct stat status {};
                folder = ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
            }
            if (folder) {
                if (IsTreeFolder(entry.name)) Walk(path);
            } else if (IsPage(entry.name)) {
                // A page that cannot be read ends its folder, as in the scan.
                if (!ReadHead(path.c_str())) break;
            }
        }
        ::closedir(directory);
        path.resize(folderLength - 1);
    }

private:
    bool ReadHead(const char* path) {
        const int descriptor = ::open(path, O_RDONLY | O_CLOEXEC);
        if (descriptor < 0) return false;
        ++counts.pages;
        // The same chunks as the catalogue: a small first one, since most
        // titles stand at the top, then large ones.
        std::size_t kept = 0;
        std::size_t chunk = 4096;
        for (;;) {
            const ssize_t got = ::read(descriptor, m_buffer + kept, chunk);
            if (got <= 0) break;
            counts.bytesRead += static_cast<std::uint64_t>(got);
            const std::size_t filled = kept + static_cast<std::size_t>(got);
            if (HoldsClosingTag(m_buffer, m_buffer + filled)) break;
            // Keep the tail: a tag may straddle two chunks.
            kept = std::min(filled, LongestTag);
            std::memmove(m_buffer, m_buffer + filled - kept, kept);
            chunk = sizeof(m_buffer) - LongestTag;
        }
        ::close(descriptor);
        return true;
    }

    bool m_sorted;
    char m_buffer[65536 + LongestTag];
};

}  // namespace

FloorCounts FloorWalk(const std::string& folder, bool sorted) {
    Walker walker(sorted);
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    path.reserve(4096);
    walker.Walk(path);
    return walker.counts;
}

}  // namespace courseview::bench
