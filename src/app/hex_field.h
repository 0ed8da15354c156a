// Hexadecimal input fields, read as the C library's strtoul reads base 16.
#pragma once

#include <cstdint>
#include <string_view>

namespace vesperine {

// Leading white space is skipped, one optional sign (a minus negates modulo 2^32) and an
// optional 0x or 0X are taken, and digits are read up to the first non-digit. No digits give
// 0; a value beyond 32 bits gives FFFFFFFF whatever the sign, as strtoul's overflow does.
[[nodiscard]] std::uint32_t ParseHexField(std::string_view text);

}  // namespace vesperine
