#pragma once
// Why an entry of a content folder is not in the catalogue. The viewer leaves
// entries out quietly; the author's tool reports these notes so a broken
// package can be found.

#include <string>
#include <vector>

#include "CatalogueTree.h"

namespace courseview {

enum class OmissionReason {
    Hidden,              // a folder whose name begins with "_" or "."
    SkippedFolder,       // a folder named "files" or "*.files"
    NotViewable,         // no page, picture or clip extension
    WrapperPageName,     // "temp.htm" in any Latin case: the viewer's own page
    FolderLoop,          // a link back to a folder on the current path: shown, not entered
    LinkToListedFolder,  // a link to a folder this rebuild has listed already: shown, not entered
    LinkOutsideCourse,   // a link to a folder outside the course folder: shown, not entered
    ListingEnded,        // an error ended the folder's listing here
};

struct ScanNote {
    OmissionReason reason;
    std::string path;                      // as the file system spells it
    std::string error;                     // ListingEnded: the error's message
    std::vector<std::string> lostEntries;  // ListingEnded: the names listed after it, now missing
};

const char* OmissionReasonName(OmissionReason reason);

class ScanObserver {
public:
    virtual ~ScanObserver() = default;
    virtual void Note(ScanNote note) = 0;
    // A branch was added for the folder at `fullPath`, before its contents:
    // for an observer that needs to know where a branch that cannot be
    // opened lies.
    virtual void BranchAdded(NodeHandle /*node*/, const std::string& /*fullPath*/) {}
};

// Keeps every note, in the order the scan made them.
class NoteCollector final : public ScanObserver {
public:
    void Note(ScanNote note) override { notes.push_back(std::move(note)); }
    std::vector<ScanNote> notes;
};

}  // namespace courseview
