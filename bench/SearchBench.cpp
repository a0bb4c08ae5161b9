#include "SearchBench.h"

#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <iostream>
#include <thread>

#include "FolderScan.h"
#include "Measurement.h"
#include "MemoryTree.h"
#include "Report.h"
#include "ScannedCourse.h"
#include "SearchCatalogue.h"
#include "Searcher.h"
#include "Utf.h"

namespace courseview::bench {

namespace {

struct SearchRun {
    double seconds = 0;
    double firstResultSeconds = -1;
    std::uint64_t results = 0;
    SearchSummary summary;
};

SearchRun TimedSearch(Searcher& searcher, const SearchCatalogue& catalogue,
                      std::u16string_view query) {
    SearchRun run;
    const double start = NowSeconds();
    searcher.Start(
        catalogue, query,
        [&](SearchResult) {
            if (run.results++ == 0) run.firstResultSeconds = NowSeconds() - start;
        },
        [&](const SearchSummary& summary) { run.summary = summary; });
    searcher.Wait();
    run.seconds = NowSeconds() - start;
    return run;
}

// A search started while another one is busy, as a person types on: how
// soon its first result comes, the old one cancelled on the way.
double FirstResultOfASearchReplacingAnother(Searcher& searcher, const SearchCatalogue& catalogue,
                                            std::u16string_view query) {
    std::atomic<int> earlier{0};
    searcher.Start(catalogue, query, [&](SearchResult) { ++earlier; });
    while (earlier < 20) std::this_thread::yield();
    return TimedSearch(searcher, catalogue, query).firstResultSeconds;
}

}  // namespace

std::uint64_t SearchFloor(const std::vector<std::string>& pages, std::string_view needle) {
    std::uint64_t holding = 0;
    std::string buffer(1 << 20, '\0');
    for (const std::string& page : pages) {
        const int descriptor = ::open(page.c_str(), O_RDONLY | O_CLOEXEC);
        if (descriptor < 0) continue;
        std::size_t filled = 0;
        for (;;) {
            if (filled == buffer.size()) buffer.resize(buffer.size() * 2);
            const ssize_t got = ::read(descriptor, buffer.data() + filled, buffer.size() - filled);
            if (got <= 0) break;
            filled += static_cast<std::size_t>(got);
        }
        ::close(descriptor);
        if (::memmem(buffer.data(), filled, needle.data(), needle.size()) != nullptr) ++holding;
    }
    return holding;
}

void MeasureSearch(const Options& options, const std::string& folder, const PackageFacts& facts) {
    const ScannedCourse course(folder);
    const SearchCatalogue& catalogue = course.Catalogue();
    const std::vector<std::string> pages = course.PagePaths();
    // The package was written on a Russian Windows: its pages without a mark
    // or declaration are windows-1251, whatever this machine's locale says.
    Searcher searcher(0, CodePageNamed("CP1251"));
    const std::string needle = "Кеплер";

    // One untimed pass of each warms the page cache.
    const std::uint64_t floorHolding = SearchFloor(pages, needle);
    SearchRun run = TimedSearch(searcher, catalogue, PlantedWord);

    std::vector<double> floorTimes;
    std::vector<double> searchTimes;
    std::vector<double> firstTimes;
    std::vector<double> replacingTimes;
    for (int i = 0; i < options.runs; ++i) {
        floorTimes.push_back(MedianSeconds(1, [&] { SearchFloor(pages, needle); }));
        run = TimedSearch(searcher, catalogue, PlantedWord);
        searchTimes.push_back(run.seconds);
        firstTimes.push_back(run.firstResultSeconds);
        replacingTimes.push_back(
            FirstResultOfASearchReplacingAnother(searcher, catalogue, PlantedWord));
    }
    const double floor = Median(floorTimes);

    std::cout << "\n### Search for \"" << Utf16ToUtf8(PlantedWord) << "\" (" << facts.plantedPages
              << " of " << facts.pages << " pages hold it)\n\n";
    Row("figure", "median", "pages/s", "× floor", "target");
    Row("---", "---:", "---:", "---:", "---");
    TimingRow("floor: every page read, memmem, warm cache", floor, pages.size(), floor, "");
    TimingRow("search, " + std::to_string(searcher.Threads()) + " worker threads, warm cache",
              Median(searchTimes), pages.size(), floor, "≤ 2×");
    Row("first result ready", Fixed(Median(firstTimes) * 1e3, 1) + " ms", "", "", "≤ 100 ms");
    Row("first result ready, started while another search runs",
        Fixed(Median(replacingTimes) * 1e3, 1) + " ms", "", "", "");
    Row("results", std::to_string(run.results), "", "",
        std::to_string(facts.plantedPages) + " planted, " + std::to_string(floorHolding) +
            " pages hold its bytes in UTF-8");
    Row("pages read in full (let through by the filter)",
        std::to_string(run.summary.pagesReadInFull), "", "",
        "of " + std::to_string(run.summary.pagesSearched) + " searched");

    const std::string tool = CatalogueToolPath();
    const ChildRun catalogueOnly = RunQuietly({tool, folder});
    const ChildRun withSearch = RunQuietly({tool, "--find", Utf16ToUtf8(PlantedWord), folder});
    // A query without words: the same scan, no search at all.
    const ChildRun withoutSearch = RunQuietly({tool, "--find", "", folder});
    auto above = [](const ChildRun& run, const ChildRun& base) {
        return run.peakRssBytes > base.peakRssBytes ? run.peakRssBytes - base.peakRssBytes : 0;
    };
    Row("peak RSS of courseview-catalogue --find", Megabytes(withSearch.peakRssBytes), "", "", "");
    Row("above the catalogue's (courseview-catalogue FOLDER)",
        Megabytes(above(withSearch, catalogueOnly)), "", "", "≤ 16 MB");
    Row("above the same scan without a search (--find \"\")",
        Megabytes(above(withSearch, withoutSearch)), "", "", "");
    if (withSearch.exitStatus != 0) {
        std::cout << "\n(courseview-catalogue --find exited with " << withSearch.exitStatus
                  << ")\n";
    }
}

}  // namespace courseview::bench
