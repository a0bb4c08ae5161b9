#pragma once
// Entries of one folder that share a caption: the catalogue shows them alike,
// and a student cannot tell them apart.

#include <cstddef>
#include <vector>

#include "MemoryTree.h"

namespace courseview {

// Every group of two or more nodes of one folder (or of the top level) whose
// captions are equal, compared exactly as shown: node positions, each group
// in tree order, the groups in the order of their first nodes.
std::vector<std::vector<std::size_t>> DuplicateCaptionGroups(const MemoryTree& tree);

}  // namespace courseview
