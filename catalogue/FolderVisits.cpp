#include "FolderVisits.h"

#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace courseview {

namespace {

// `path` with every link resolved; "" when it cannot be.
std::string RealPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         &std::free);
    return resolved != nullptr ? std::string(resolved.get()) : std::string();
}

}  // namespace

void FolderVisits::Clear(const std::string& root) {
    m_path.clear();
    m_listed.clear();
    m_root = RealPath(root);
    if (m_root.empty() || m_root.back() != '/') m_root.push_back('/');
}

FolderVisits::Verdict FolderVisits::Judge(const FolderEntry& entry,
                                          const std::string& fullPath) const {
    FolderIdentity target;
    if (!entry.isLink || !IdentifyFolder(fullPath, target)) return Verdict::Enter;
    if (!(RealPath(fullPath) + "/").starts_with(m_root)) return Verdict::OutsideCourse;
    if (std::find(m_path.begin(), m_path.end(), target) != m_path.end()) return Verdict::LoopsBack;
    if (m_listed.contains({target.device, target.inode})) return Verdict::ListedAlready;
    return Verdict::Enter;
}

void FolderVisits::Enter(const FolderIdentity& folder) {
    m_path.push_back(folder);
    m_listed.emplace(folder.device, folder.inode);
}

void FolderVisits::Leave() { m_path.pop_back(); }

}  // namespace courseview
