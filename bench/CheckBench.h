#pragma once
// The author's check's figures on a benchmark package: the whole check (the
// scan, then every page of the catalogue read for its links and code page)
// against the search's floor of reading every page whole, and what the
// author's tool takes to print it.

#include <string>

#include "Options.h"
#include "PackageGenerator.h"

namespace courseview::bench {

void MeasureCheck(const Options& options, const std::string& folder, const PackageFacts& facts);

}  // namespace courseview::bench
