#pragma once
// The benchmarks' command line: which packages, how many runs, where.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "PackageGenerator.h"

namespace courseview::bench {

struct Options {
    std::vector<std::string> sizes;  // "medium", "large"
    int runs = 5;
    int coldRuns = 3;
    bool cold = true;
    std::string work = "/var/tmp/courseview-bench";
    std::uint64_t seed = 1;
};

// [medium|large|all] [--runs N] [--cold-runs N] [--no-cold] [--work FOLDER] [--seed N];
// nothing when the arguments make no sense. Without a size: `defaultSizes`.
std::optional<Options> ParseOptions(int argc, char** argv, std::vector<std::string> defaultSizes);
std::string UsageText(const std::string& program);

PackageShape ShapeOf(const Options& options, const std::string& size);
std::string PackageFolder(const Options& options, const PackageShape& shape);

}  // namespace courseview::bench
