#pragma once
// Synthetic course packages for the benchmark: the same seed and size always
// give the same folder tree, byte for byte, so figures from different runs and
// machines describe the same work.

#include <cstdint>
#include <string>
#include <string_view>

namespace courseview::bench {

struct PackageShape {
    std::string name;       // "medium", "large"
    std::uint64_t entries;  // files and folders to create, skipped ones included
    std::uint64_t seed;
};

// A word that a hundredth of the pages hold, in a sentence of their body
// ("Законы Кеплера описывают движение планет."), and no other page or title.
inline constexpr std::u16string_view PlantedWord = u"кеплер";

PackageShape MediumPackage(std::uint64_t seed);
PackageShape LargePackage(std::uint64_t seed);

struct PackageFacts {
    std::uint64_t entries = 0;        // every file and folder created
    std::uint64_t pages = 0;          // page files the scan will read
    std::uint64_t hugePages = 0;      // 8 MB pages (sparse past their head)
    std::uint64_t plantedPages = 0;   // pages holding PlantedWord
    std::uint64_t apparentBytes = 0;  // file sizes added up
    bool generatedNow = false;        // false when an earlier run's package was used
};

// Creates the package in `folder` unless a complete one of the same shape is
// already there (a marker file written last says so), and returns its facts.
PackageFacts EnsurePackage(const std::string& folder, const PackageShape& shape);

// A sparse file of `bytes` whose title stands at the very top.
void EnsureHugePage(const std::string& path, std::uint64_t bytes);

}  // namespace courseview::bench
