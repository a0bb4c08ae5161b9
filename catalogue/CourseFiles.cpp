#include "CourseFiles.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <memory>

#include "FileError.h"
#include "FolderListing.h"
#include "NtfsNames.h"

namespace courseview {

namespace {

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

CourseFileFinder::CourseFileFinder(std::string courseRoot) : m_root(std::move(courseRoot)) {
    if (m_root.empty() || m_root.back() != '/') m_root.push_back('/');
}

std::optional<std::string> CourseFileFinder::FindIgnoringCase(const std::string& folder,
                                                              std::string_view name) {
    auto [names, listedNow] = m_folders.try_emplace(folder);
    if (listedNow) {
        try {
            FolderListing listing(folder);
            FolderEntry entry;
            std::string fullPath;
            while (listing.Next(entry, fullPath, folder)) {
                if (entry.name == "." || entry.name == "..") continue;
                // The listing comes in NTFS order: the first name of a key wins.
                names->second.try_emplace(NtfsNameKey(entry.name), entry.name);
            }
        } catch (const FileError&) {
            // A folder that cannot be listed holds nothing to find.
        }
    }
    const auto found = names->second.find(NtfsNameKey(name));
    if (found == names->second.end()) return std::nullopt;
    return found->second;
}

CourseFileMatch CourseFileFinder::Find(std::string_view relativePath) {
    using Kind = CourseFileMatch::Kind;
    if (relativePath.starts_with('/')) return {Kind::Outside, {}};
    if (relativePath.find('\0') != std::string_view::npos) return {Kind::Missing, {}};
    bool ignoredCase = false;
    std::string folder = m_root;
    std::string path = folder;
    while (!relativePath.empty()) {
        const auto slash = relativePath.find('/');
        const std::string_view component = relativePath.substr(0, slash);
        relativePath =
            slash == std::string_view::npos ? std::string_view() : relativePath.substr(slash + 1);
        if (component.empty() || component == ".") continue;
        if (component == "..") return {Kind::Outside, {}};
        if (path != folder) {
            if (!IsFolder(path)) return {Kind::Missing, {}};
            folder = path + "/";
        }
        struct stat status {};
        path = folder + std::string(component);
        if (::lstat(path.c_str(), &status) != 0) {
            const std::optional<std::string> match = FindIgnoringCase(folder, component);
            if (!match) return {Kind::Missing, {}};
            path = folder + *match;
            ignoredCase = true;
        }
    }
    if (!m_realRootKnown) {
        m_realRoot = RealPath(m_root);
        m_realRootKnown = true;
    }
    // Links may lead anywhere: only where the entry really is counts.
    const std::optional<std::string> real = RealPath(path);
    if (!real) return {Kind::Missing, {}};  // a link that leads nowhere
    if (!m_realRoot) return {Kind::Outside, {}};
    if (*real != *m_realRoot && !real->starts_with(*m_realRoot == "/" ? "/" : *m_realRoot + "/"))
        return {Kind::Outside, {}};
    return {ignoredCase ? Kind::IgnoringCase : Kind::Exact, path};
}

std::optional<std::string> ResolveCourseFile(const std::string& courseRoot,
                                             std::string_view relativePath) {
    CourseFileMatch match = CourseFileFinder(courseRoot).Find(relativePath);
    if (!match.Found()) return std::nullopt;
    return std::move(match.path);
}

}  // namespace courseview
