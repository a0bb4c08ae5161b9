#include "Report.h"

#include <cstdio>
#include <iostream>

namespace courseview::bench {

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Thousands(double value) {
    const std::string digits = Fixed(value, 0);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped.push_back(' ');
        grouped.push_back(digits[i]);
    }
    return grouped;
}

std::string Megabytes(std::uint64_t bytes) {
    return Fixed(static_cast<double>(bytes) / 1e6, 1) + " MB";
}

void TableHead() {
    Row("figure", "median", "entries/s", "× floor", "target");
    Row("---", "---:", "---:", "---:", "---");
}

void Row(const std::string& figure, const std::string& value, const std::string& rate,
         const std::string& ratio, const std::string& target) {
    std::cout << "| " << figure << " | " << value << " | " << rate << " | " << ratio << " | "
              << target << " |\n";
}

void TimingRow(const std::string& figure, double seconds, std::uint64_t entries,
               double floorSeconds, const std::string& target) {
    Row(figure, Fixed(seconds, 3) + " s", Thousands(static_cast<double>(entries) / seconds),
        Fixed(seconds / floorSeconds, 2) + "×", target);
}

}  // namespace courseview::bench
