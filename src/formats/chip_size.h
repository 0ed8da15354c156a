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
// hexadecimal numbers too; otherwise a size in hexadecimal (1 to 8 digits). Without 0x the
// size must be a power of two, as chips are, so that an unknown part such as 27C999 is
// refused rather than read as 0x27C999 bytes; with 0x (always a size) any size is taken.
// Sizes of 0, or of 2 GiB and more, are refused (nothing).
[[nodiscard]] std::optional<std::uint32_t> ParseChipSize(std::string_view text);

}  // namespace vesperine::formats
