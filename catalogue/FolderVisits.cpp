#include "FolderVisits.h"

#include <algorithm>

namespace courseview {

void FolderVisits::Clear() {
    m_path.clear();
    m_listed.clear();
}

FolderVisits::Verdict FolderVisits::Judge(const FolderEntry& entry,
                                          const std::string& fullPath) const {
    FolderIdentity target;
    if (!entry.isLink || !IdentifyFolder(fullPath, target)) return Verdict::Enter;
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
