#pragma once
// Clocks, medians, the page cache and child processes: what the benchmark
// needs of the machine.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace courseview::bench {

double NowSeconds();

double Median(std::vector<double> values);

// Runs `work` `runs` times and returns the median wall time in seconds.
// `before` runs ahead of each timing, untimed (dropping the page cache, say).
double MedianSeconds(int runs, const std::function<void()>& work,
                     const std::function<void()>& before = {});

// Dropping the page cache needs root and a kernel that lets this machine do
// it; the answer is found by trying once.
bool CanDropPageCache();
void DropPageCache();

struct ChildRun {
    int exitStatus = -1;
    std::uint64_t peakRssBytes = 0;
    double seconds = 0;  // from the program's start to its end, as its parent saw them
};

// courseview-catalogue, built beside this benchmark.
std::string CatalogueToolPath();

// Runs a program with its output thrown away and reports its peak memory.
// A child forked from a large process inherits that process's peak, so the
// program is started by a fresh copy of this one in the mode below.
ChildRun RunQuietly(const std::vector<std::string>& arguments);

// The mode a fresh copy runs in: "--peak-rss-of PROGRAM ARGUMENTS..." starts
// the program, waits for it, and prints its exit status, its peak RSS in bytes
// and its wall time in seconds.
inline constexpr const char* PeakRssOption = "--peak-rss-of";
int ReportPeakRssOf(char** programArguments);

std::uint64_t PeakRssBytesOfThisProcess();

// The processor, cores, memory, kernel and the file system `folder` is on:
// what figures from another machine must be read against.
std::string MachineDescription(const std::string& folder);

}  // namespace courseview::bench
