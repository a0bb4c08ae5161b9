// courseview-bench: measures the catalogue scan against the floor of the same
// work on the same files and prints the figures. It judges nothing: the
// ratios are read by people, never asserted by tests.

#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "CheckBench.h"
#include "FloorWalk.h"
#include "FolderScan.h"
#include "Measurement.h"
#include "MemoryTree.h"
#include "Options.h"
#include "PackageGenerator.h"
#include "PageTitle.h"
#include "Report.h"
#include "SearchBench.h"

using namespace courseview;
using namespace courseview::bench;

namespace {

int Usage(const std::string& problem) {
    std::cerr << "courseview-bench: " << problem << "\n" << UsageText("courseview-bench") << "\n";
    return 2;
}

// What the author's tool holds once its scan is done.
struct CatalogueSize {
    std::uint64_t nodes = 0;
    std::uint64_t paths = 0;
    std::uint64_t notes = 0;
    std::uint64_t captionBytes = 0;  // UTF-16 captions
    std::uint64_t pathBytes = 0;     // PagePaths
    std::uint64_t noteBytes = 0;     // the notes' paths, messages and lost names
    std::uint64_t ContentBytes() const { return captionBytes + pathBytes + noteBytes; }
};

// What courseview-catalogue does before it prints: LoadContents into the
// in-memory tree, the notes collected.
CatalogueSize ScanIntoMemory(
    const std::string& folder, const ExtensionTables& tables,
    Catalogue::ReadAheadMode readAhead = Catalogue::ReadAheadMode::WhenPagesAreCold) {
    MemoryTree tree;
    WindowlessHost host;
    Catalogue catalogue(tree, host, tables);
    NoteCollector collector;
    catalogue.SetObserver(&collector);
    catalogue.SetReadAhead(readAhead);
    catalogue.LoadContents(folder, u"");
    CatalogueSize size;
    size.nodes = tree.Nodes().size();
    size.paths = catalogue.PagePaths.size();
    size.notes = collector.notes.size();
    for (const auto& node : tree.Nodes()) size.captionBytes += node.caption.size() * 2;
    for (const auto& path : catalogue.PagePaths) size.pathBytes += path.size();
    for (const auto& note : collector.notes) {
        size.noteBytes += note.path.size() + note.error.size();
        for (const auto& lost : note.lostEntries) size.noteBytes += lost.size();
    }
    return size;
}

void MeasurePackage(const Options& options, const std::string& sizeName, bool canDrop) {
    const PackageShape shape = ShapeOf(options, sizeName);
    const std::string folder = PackageFolder(options, shape);
    const double generationStart = NowSeconds();
    const PackageFacts facts = EnsurePackage(folder, shape);
    const double generationSeconds = NowSeconds() - generationStart;
    const ExtensionTables tables = MakeExtensionTables();

    // One untimed pass of each warms the page cache and the allocator.
    const FloorCounts counts = FloorWalk(folder);
    CatalogueSize size = ScanIntoMemory(folder, tables);

    std::cout << "\n## " << shape.name << " package: " << folder << "\n\n"
              << facts.entries << " entries (" << counts.listed << " listed by the scan), "
              << facts.pages << " pages (" << facts.hugePages << " of 8 MB), "
              << Fixed(facts.apparentBytes / 1e9, 2) << " GB; " << size.nodes
              << " catalogue nodes; "
              << (facts.generatedNow ? "generated in " + Fixed(generationSeconds, 1) + " s"
                                     : std::string("generated earlier"))
              << "\n\n";

    TableHead();
    // Interleaved, so drift on a shared machine hits them all alike. The
    // tool's runs are whole programs, their output thrown away.
    const std::string toolPath = CatalogueToolPath();
    std::vector<double> floorTimes;
    std::vector<double> catalogueTimes;
    std::vector<double> unsortedTimes;
    std::vector<double> toolTimes;
    std::vector<double> toolJsonTimes;
    int toolStatus = 0;
    for (int run = 0; run < options.runs; ++run) {
        floorTimes.push_back(MedianSeconds(1, [&] { FloorWalk(folder); }));
        unsortedTimes.push_back(MedianSeconds(1, [&] { FloorWalk(folder, false); }));
        catalogueTimes.push_back(MedianSeconds(1, [&] { size = ScanIntoMemory(folder, tables); }));
        for (auto [arguments, times] :
             {std::pair{std::vector<std::string>{toolPath, folder}, &toolTimes},
              std::pair{std::vector<std::string>{toolPath, "--json", folder}, &toolJsonTimes}}) {
            const ChildRun child = RunQuietly(arguments);
            times->push_back(child.seconds);
            if (child.exitStatus != 0) toolStatus = child.exitStatus;
        }
    }
    const double floorWarm = Median(floorTimes);
    TimingRow("floor, warm cache", floorWarm, counts.listed, floorWarm, "");
    // Folders read whole and sorted as a Windows listing orders them.
    TimingRow("floor without the sort, warm cache", Median(unsortedTimes), counts.listed, floorWarm,
              "");
    TimingRow("catalogue in memory, warm cache", Median(catalogueTimes), counts.listed, floorWarm,
              "≤ 1.25×");
    TimingRow("courseview-catalogue, warm cache", Median(toolTimes), counts.listed, floorWarm, "");
    TimingRow("courseview-catalogue --json, warm cache", Median(toolJsonTimes), counts.listed,
              floorWarm, "≤ 1.25×");
    if (toolStatus != 0) std::cout << "\n(courseview-catalogue exited with " << toolStatus << ")\n";

    if (options.cold && canDrop) {
        const double floorCold = MedianSeconds(
            options.coldRuns, [&] { FloorWalk(folder); }, DropPageCache);
        const double catalogueCold = MedianSeconds(
            options.coldRuns, [&] { ScanIntoMemory(folder, tables); }, DropPageCache);
        const double catalogueColdAlone = MedianSeconds(
            options.coldRuns,
            [&] { ScanIntoMemory(folder, tables, Catalogue::ReadAheadMode::Off); }, DropPageCache);
        TimingRow("floor, cold cache (one reader)", floorCold, counts.listed, floorCold, "");
        TimingRow("catalogue in memory, cold cache", catalogueCold, counts.listed, floorCold,
                  "≤ 0.6×");
        TimingRow("catalogue in memory, cold cache, no read-ahead", catalogueColdAlone,
                  counts.listed, floorCold, "");
    } else {
        Row("cold cache",
            options.cold ? "skipped: the page cache cannot be dropped here" : "skipped (--no-cold)",
            "", "", "");
    }

    const ChildRun empty = RunQuietly({CatalogueToolPath(), options.work + "/empty"});
    const ChildRun tool = RunQuietly({CatalogueToolPath(), folder});
    const std::uint64_t content = size.ContentBytes();
    const std::uint64_t growth =
        tool.peakRssBytes > empty.peakRssBytes ? tool.peakRssBytes - empty.peakRssBytes : 0;
    // The limit: twice the text the tool holds, plus what it takes to run at all.
    const std::uint64_t limit = 2 * content + empty.peakRssBytes;
    Row("peak RSS of courseview-catalogue", Megabytes(tool.peakRssBytes),
        Fixed(static_cast<double>(growth) / static_cast<double>(size.nodes), 0) + " B/node",
        Fixed(static_cast<double>(growth) / static_cast<double>(content), 2) + "× content",
        "≤ 2× content + fixed = " + Megabytes(limit));
    Row("content: captions (UTF-16), paths, notes", Megabytes(content),
        Fixed(static_cast<double>(content) / static_cast<double>(size.nodes), 0) + " B/node", "",
        std::to_string(size.paths) + " paths, " + std::to_string(size.notes) + " notes");
    Row("fixed: courseview-catalogue on an empty folder", Megabytes(empty.peakRssBytes), "", "",
        "");
    if (tool.exitStatus != 0)
        std::cout << "\n(courseview-catalogue exited with " << tool.exitStatus << ")\n";

    MeasureSearch(options, folder, facts);
    MeasureCheck(options, folder, facts);
}

void MeasureHugePage(const Options& options, bool canDrop) {
    const std::string path = options.work + "/huge-2GB.htm";
    EnsureHugePage(path, 2ull << 30);
    std::u16string title;
    const double warm = MedianSeconds(21, [&] { title = ReadPageTitle(path); });
    std::cout << "\n## A 2 GB page, its title at the top\n\n";
    Row("figure", "median", "", "", "target");
    Row("---", "---:", "", "", "---");
    Row("title of the 2 GB page, warm cache", Fixed(warm * 1e3, 3) + " ms", "", "", "< 10 ms");
    if (options.cold && canDrop) {
        const double cold = MedianSeconds(
            options.coldRuns, [&] { title = ReadPageTitle(path); }, DropPageCache);
        Row("title of the 2 GB page, cold cache", Fixed(cold * 1e3, 3) + " ms", "", "", "< 10 ms");
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], PeakRssOption) == 0) return ReportPeakRssOf(argv + 2);
    std::setlocale(LC_ALL, "");
    const auto options = ParseOptions(argc, argv, {"medium", "large"});
    if (!options) return Usage("bad arguments");
    std::filesystem::create_directories(options->work + "/empty");
    const bool canDrop = options->cold && CanDropPageCache();

    std::cout << "# courseview-bench\n\n"
              << "Machine: " << MachineDescription(options->work) << "; system code page "
              << SystemCodePage().Name() << "; medians of " << options->runs << " warm runs"
              << (canDrop
                      ? " and " + std::to_string(options->coldRuns) +
                            " cold runs (page cache dropped before each)"
                      : std::string(
                            options->cold
                                ? "; cold figures skipped: the page cache cannot be dropped here"
                                : "; cold figures not asked for"))
              << "\n";
    try {
        for (const auto& size : options->sizes) MeasurePackage(*options, size, canDrop);
        MeasureHugePage(*options, canDrop);
    } catch (const std::exception& error) {
        std::cerr << "courseview-bench: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
