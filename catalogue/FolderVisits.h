#pragma once
// The folders a walk of the course has entered, so that a symbolic link leads
// into a folder only the first time the walk meets that folder, and only when
// that folder lies inside the course: a link back into the path would never
// end, folders linked to one another would multiply the work past any bound,
// and a link to "/" would walk the whole disk. The scan and the read-ahead
// judge links with it alike.

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "FolderListing.h"

namespace courseview {

class FolderVisits {
public:
    enum class Verdict {
        Enter,          // not a link, or a link to a folder not met before
        LoopsBack,      // a link to a folder on the path being walked
        ListedAlready,  // a link to a folder this walk has listed already
        OutsideCourse,  // a link to a folder outside the folder the walk began in
    };

    // A new walk of the course folder `root` begins.
    void Clear(const std::string& root);

    // Whether the walk enters the folder entry at `fullPath`.
    Verdict Judge(const FolderEntry& entry, const std::string& fullPath) const;

    // The walk lists `folder` now, until the matching Leave().
    void Enter(const FolderIdentity& folder);
    void Leave();

private:
    std::string m_root;                  // the course folder, links resolved, with a "/" at its end
    std::vector<FolderIdentity> m_path;  // outermost first
    std::set<std::pair<std::uint64_t, std::uint64_t>> m_listed;
};

// Enter() and Leave() around one folder's listing, on every path out.
class FolderVisit {
public:
    FolderVisit(FolderVisits& visits, const FolderIdentity& folder) : m_visits(visits) {
        m_visits.Enter(folder);
    }
    ~FolderVisit() { m_visits.Leave(); }
    FolderVisit(const FolderVisit&) = delete;
    FolderVisit& operator=(const FolderVisit&) = delete;

private:
    FolderVisits& m_visits;
};

}  // namespace courseview
