// Chip sizes for --chip: a byte count in hexadecimal, or the name of a common 27xx EPROM.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vesperine::formats {

// The size in bytes of a part such as 27C512, 27512, M27C512-10F1, AM27C010 or 27C4096: a
// maker's letters before "27", letters after it (C, HC, SF ...), the number that names the
// capacity, then anything after a non-digit (speed and package). Nothing for a name that is
// not in the table of common parts.
[[nodiscard]] std::optional<std::uint32_t> PartSize(std::string_view name);

// A --chip argument: a part name (PartSize) first, since names such as 27512 and 27C512 are
// hexadecimal numbers too; otherwise a size in hexadecimal (1 to 8 digits, 0x or 0X allowed,
// and 0x always means a size). Sizes of 0, or of 2 GiB and more, are refused (nothing).
[[nodiscard]] std::optional<std::uint32_t> ParseChipSize(std::string_view text);

}  // namespace vesperine::formats
