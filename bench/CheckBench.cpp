#include "CheckBench.h"

#include <stdlib.h>

#include <iostream>
#include <map>

#include "CourseCheck.h"
#include "Measurement.h"
#include "Report.h"
#include "ScannedCourse.h"
#include "SearchBench.h"

namespace courseview::bench {

void MeasureCheck(const Options& options, const std::string& folder, const PackageFacts& facts) {
    const std::vector<std::string> pages = ScannedCourse(folder).PagePaths();
    // The package was written on a Russian Windows, as the search's figures take it.
    const CodePage& codePage = CodePageNamed("CP1251");
    std::map<std::string_view, std::uint64_t> kinds;
    auto check = [&](bool filter) {
        kinds.clear();
        CourseCheck checker(codePage);
        checker.UsePageFilter(filter);
        checker.Run(folder,
                    [&](const Problem& problem) { ++kinds[ProblemKindName(problem.kind)]; });
    };
    // One untimed pass of each warms the page cache.
    SearchFloor(pages, "Кеплер");
    check(true);

    std::vector<double> floorTimes;
    std::vector<double> checkTimes;
    for (int i = 0; i < options.runs; ++i) {
        floorTimes.push_back(MedianSeconds(1, [&] { SearchFloor(pages, "Кеплер"); }));
        checkTimes.push_back(MedianSeconds(1, [&] { check(true); }));
    }
    const double unfiltered = MedianSeconds(1, [&] { check(false); });
    check(true);
    const double floor = Median(floorTimes);

    std::cout << "\n### The author's check (" << facts.pages << " pages)\n\n";
    Row("figure", "median", "pages/s", "× floor", "target");
    Row("---", "---:", "---:", "---:", "---");
    TimingRow("search floor: every page read, memmem, warm cache", floor, pages.size(), floor, "");
    TimingRow("check: scan, then every page read, warm cache", Median(checkTimes), pages.size(),
              floor, "≤ 3×");
    TimingRow("check, every page read as HTML (no filter), one run", unfiltered, pages.size(),
              floor, "");
    std::string found;
    for (const auto& [kind, count] : kinds)
        found += (found.empty() ? "" : ", ") + std::to_string(count) + " " + std::string(kind);
    Row("problems found", found.empty() ? "none" : found, "", "", "");

    ::setenv("COURSEVIEW_CODEPAGE", "CP1251", 1);
    const ChildRun tool = RunQuietly({CatalogueToolPath(), "--check", "--json", folder});
    ::unsetenv("COURSEVIEW_CODEPAGE");
    Row("courseview-catalogue --check --json, one run", Fixed(tool.seconds, 3) + " s", "",
        Fixed(tool.seconds / floor, 2) + "×", "");
    Row("peak RSS of courseview-catalogue --check --json", Megabytes(tool.peakRssBytes), "", "",
        "");
    // The check exits 1 when it finds problems: only 2 is trouble.
    if (tool.exitStatus != 0 && tool.exitStatus != 1)
        std::cout << "\n(courseview-catalogue --check exited with " << tool.exitStatus << ")\n";
}

}  // namespace courseview::bench
