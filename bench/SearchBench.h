#pragma once
// The search's figures on a benchmark package: a word that a hundredth of
// the pages hold (PlantedWord), looked for as the viewer looks for it,
// against the floor of reading every page and finding the word's bytes with
// memmem; how soon the first result is ready; what the search adds to the
// author's tool's peak memory.

#include <string>

#include "Options.h"
#include "PackageGenerator.h"

namespace courseview::bench {

void MeasureSearch(const Options& options, const std::string& folder, const PackageFacts& facts);

// The floor: every page of the catalogue read whole, one after another, and
// `needle` looked for in its bytes. Returns how many pages hold it.
std::uint64_t SearchFloor(const std::vector<std::string>& pages, std::string_view needle);

}  // namespace courseview::bench
