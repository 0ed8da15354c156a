// How the Inspector's panels write numbers and tables: one form for counts, CRCs and fractions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vesperine::inspector {

// A table as a panel shows it: one row a line, one UTF-8 text a column.
using Row = std::vector<std::string>;
using Rows = std::vector<Row>;

// A CRC-32 or other 32-bit value: "44D56F86".
[[nodiscard]] std::string Hex8(std::uint32_t value);
// A count with thousands grouped as the command line groups them: "47,846".
[[nodiscard]] std::string Grouped(std::uint64_t n);
// A count with its noun, singular for exactly one: "1 bit", "47,846 bits".
[[nodiscard]] std::string Counted(std::uint64_t n, const char* one, const char* many);
// A value with two decimals, rounded to nearest, a point whatever the locale: "7.61".
[[nodiscard]] std::string TwoDecimals(double value);

}  // namespace vesperine::inspector
