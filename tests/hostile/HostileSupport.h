#pragma once
// Building hostile packages and watching a program run on them: folder trees
// deeper than any path may name (so everything works through descriptors),
// snapshots that show whether anything was written, moved or deleted, and a
// program run that cannot hang the test.

#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "TempFolder.h"

namespace courseview::testing {

// Writes `bytes` to a new file at `path`; makes a folder; makes a FIFO; makes
// a symbolic link at `path` to `target`. Each throws when it fails.
std::string WriteFile(const std::string& path, std::string_view bytes);
std::string MakeFolder(const std::string& path);
void MakeFifo(const std::string& path);
void MakeLink(const std::string& target, const std::string& path);

// Creates `depth` folders named `name`, each inside the last, below `root`,
// through descriptors, and writes `pageBytes` as "p.htm" into every
// `pageEvery`-th one (0: none) and into the deepest. Returns how many exist.
int MakeNestedFolders(const std::string& root, const std::string& name, int depth, int pageEvery,
                      const std::string& pageBytes);

// What a tree holds: every entry's kind, size, modification time, inode and
// link target, keyed by its place. Access times are left out: reading is
// allowed.
struct SnapshotEntry {
    std::string name;
    int depth = 0;
    mode_t type = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::uint64_t inode = 0;
    std::string linkTarget;
    bool operator==(const SnapshotEntry&) const = default;
};
using Snapshot = std::map<std::uint64_t, SnapshotEntry>;

Snapshot TakeSnapshot(const std::string& root);

// Succeeds when the tree at `root` is still as `before` shows it; else names
// the first entry that differs. Folders' modification times are ignored when
// `ignoreFolderTimes`.
::testing::AssertionResult SameTree(const Snapshot& before, const std::string& root,
                                    bool ignoreFolderTimes = false);

struct ProgramRun {
    bool hung = false;   // killed after the deadline
    int exitCode = -1;   // when it exited
    int signal = 0;      // when a signal ended it
    std::string output;  // standard output
    std::string errors;  // standard error
};

// Runs `arguments[0]` with `arguments` in `workingFolder`, with `environment`
// added to the test's own, and kills it once `deadlineSeconds` have passed.
ProgramRun RunProgram(const std::vector<std::string>& arguments, const std::string& workingFolder,
                      const std::map<std::string, std::string>& environment, int deadlineSeconds);

}  // namespace courseview::testing
