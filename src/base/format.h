// The printed forms of numbers: "%08LX" and the dump size text.
#pragma once

#include <cstdint>
#include <string>

namespace vesperine {

// Eight upper-case hexadecimal digits with leading zeros.
[[nodiscard]] std::string FormatHex8(std::uint32_t value);
// "<decimal> bytes (0x<8 hex digits>)".
[[nodiscard]] std::string FormatDumpSize(std::uint32_t length);

}  // namespace vesperine
