#pragma once
// How the benchmarks print: Markdown tables a README can take as they are.

#include <cstdint>
#include <string>

namespace courseview::bench {

std::string Fixed(double value, int decimals);
std::string Thousands(double value);  // "1 234 567"
std::string Megabytes(std::uint64_t bytes);

void TableHead();
void Row(const std::string& figure, const std::string& value, const std::string& rate,
         const std::string& ratio, const std::string& target);
// A wall time with its entries per second and its ratio to the floor.
void TimingRow(const std::string& figure, double seconds, std::uint64_t entries,
               double floorSeconds, const std::string& target);

}  // namespace courseview::bench
