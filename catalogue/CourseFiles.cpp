#include "CourseFiles.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <memory>

#include "FileError.h"
#include "FolderListing.h"
#include "NtfsNames.h"

namespace courseview {

namespace {

// The name in `folder` that equals `name` with letter case ignored, the first
// in NTFS order when several do.
std::optional<std::string> FindIgnoringCase(const std::string& folder, std::string_view name) {
    std::optional<std::string> found;
    try {
        FolderListing listing(folder);
        FolderEntry entry;
        std::string fullPath;
        while (listing.Next(entry, fullPath, folder)) {
            if (entry.name == "." || entry.name == "..") continue;
            if (!SameNameIgnoringCase(entry.name, name)) continue;
            if (!found || NtfsNameLess(entry.name, *found)) found = entry.name;
        }
    } catch (const FileError&) {
        return std::nullopt;  // a folder that cannot be listed holds nothing to find
    }
    return found;
}

std::optional<std::string> RealPath(const std::string& path) {
    const std::unique_ptr<char, decltype(&::free)> real(::realpath(path.c_str(), nullptr), ::free);
    if (real == nullptr) return std::nullopt;
    return std::string(real.get());
}

bool IsFolder(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

std::optional<std::string> ResolveCourseFile(const std::string& courseRoot,
                                             std::string_view relativePath) {
    if (relativePath.starts_with('/')) return std::nullopt;
    std::string folder = courseRoot;
    if (folder.empty() || folder.back() != '/') folder.push_back('/');
    std::string path = folder;
    while (!relativePath.empty()) {
        const auto slash = relativePath.find('/');
        const std::string_view component = relativePath.substr(0, slash);
        relativePath =
            slash == std::string_view::npos ? std::string_view() : relativePath.substr(slash + 1);
        if (component.empty() || component == ".") continue;
        if (component == "..") return std::nullopt;
        if (path != folder) {
            if (!IsFolder(path)) return std::nullopt;
            folder = path + "/";
        }
        struct stat status {};
        path = folder + std::string(component);
        if (::lstat(path.c_str(), &status) != 0) {
            const std::optional<std::string> match = FindIgnoringCase(folder, component);
            if (!match) return std::nullopt;
            path = folder + *match;
        }
    }
    // Links may lead anywhere: only where the entry really is counts.
    const std::optional<std::string> real = RealPath(path);
    const std::optional<std::string> realRoot = RealPath(courseRoot);
    if (!real || !realRoot) return std::nullopt;
    if (*real != *realRoot && !real->starts_with(*realRoot == "/" ? "/" : *realRoot + "/"))
        return std::nullopt;
    return path;
}

}  // namespace courseview
