// Reading a DAT in any of its forms into RomEntry lists: pure functions over the file's bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "dat/rom_entry.h"
#include "dat/zip_members.h"

namespace vesperine::dat {

// XML DATs: Logiqx (<datafile> with <game> or <machine> children) and the machine list
// (<mame> with <machine> children); each child's <rom> elements with their attributes.
[[nodiscard]] DatParse ReadXmlDat(std::string_view text);

// The bracketed text form: blocks `game ( name "..." rom ( name x size 123 crc ... ) )`, also
// `machine (` and `resource (`; other blocks (the `clrmamepro (` header) are skipped. Parsed
// without recursion, so any depth of nesting costs nothing but a counter.
[[nodiscard]] DatParse ReadBracketDat(std::string_view text);

// Any DAT: a zip (every member named *.dat or *.xml, their ROMs together), XML (the first
// character other than white space and a byte-order mark is '<'), or the bracketed form. A zip's
// members are inflated one at a time within limits, a larger one refused as an error.
[[nodiscard]] DatParse ReadDat(std::span<const std::uint8_t> bytes, const ZipLimits& limits = kDatZipLimits);

}  // namespace vesperine::dat
