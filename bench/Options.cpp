#include "Options.h"

#include <algorithm>
#include <cstdlib>

namespace courseview::bench {

std::optional<Options> ParseOptions(int argc, char** argv, std::vector<std::string> defaultSizes) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "medium" || argument == "large") {
            options.sizes.push_back(argument);
        } else if (argument == "all") {
            options.sizes = {"medium", "large"};
        } else if (argument == "--runs" && hasValue) {
            options.runs = std::max(1, std::atoi(argv[++i]));
        } else if (argument == "--cold-runs" && hasValue) {
            options.coldRuns = std::max(1, std::atoi(argv[++i]));
        } else if (argument == "--no-cold") {
            options.cold = false;
        } else if (argument == "--work" && hasValue) {
            options.work = argv[++i];
        } else if (argument == "--seed" && hasValue) {
            options.seed = std::strtoull(argv[++i], nullptr, 10);
        } else {
            return std::nullopt;
        }
    }
    if (options.sizes.empty()) options.sizes = std::move(defaultSizes);
    return options;
}

std::string UsageText(const std::string& program) {
    return "usage: " + program +
           " [medium|large|all] [--runs N] [--cold-runs N] [--no-cold] [--work FOLDER] [--seed N]";
}

PackageShape ShapeOf(const Options& options, const std::string& size) {
    return size == "large" ? LargePackage(options.seed) : MediumPackage(options.seed);
}

std::string PackageFolder(const Options& options, const PackageShape& shape) {
    return options.work + "/" + shape.name + "-seed" + std::to_string(shape.seed);
}

}  // namespace courseview::bench
