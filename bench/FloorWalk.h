#pragma once
// The floor a catalogue scan is measured against: the same files touched in
// the same order with nothing else done. A single-threaded readdir walk, each
// folder sorted as the catalogue sorts it, with the catalogue's skip rules that opens every page
// and reads it only until its closing title tag, without decoding, tokenizing or building a tree.

#include <cstdint>
#include <string>

namespace courseview::bench {

struct FloorCounts {
    std::uint64_t listed = 0;     // entries of the folders walked, "." and ".." left out
    std::uint64_t pages = 0;      // pages opened
    std::uint64_t bytesRead = 0;  // page bytes read
};

// `sorted` false leaves each folder in the file system's own order: what the
// sort costs is the difference.
FloorCounts FloorWalk(const std::string& folder, bool sorted = true);

}  // namespace courseview::bench
