// The Identity panel's model: what the subject and its views match in the DAT files, as rows, with the CRCs a near miss
// could be mended to.
#pragma once

#ifdef VESPERINE_HAVE_DAT

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dat/identify.h"
#include "dat/rom_entry.h"
#include "inspector/text.h"

namespace vesperine::inspector {

// The sentence before any DAT file is listed.
[[nodiscard]] std::string NoDatsYet();
// What becomes of a DAT file that cannot be read or is not one, said after why.
[[nodiscard]] std::string DroppedDat();
// The refusal of shown (as a person reads it), which is not a DAT file: where and why, and DroppedDat().
[[nodiscard]] std::string NotADat(std::string_view shown, const dat::DatError& error);
// "game / name (status)".
[[nodiscard]] std::string RomText(const dat::RomEntry& rom);

// A near miss that a repair of the inspected bytes can mend: the whole file, against a ROM whose
// CRC-32 the DAT gives. A view's near miss would need its bytes mapped back to the file's.
struct CrcMiss {
    std::uint32_t expected = 0;
    std::uint32_t got = 0;
    bool whole = false;
};
// For each near miss of found, the CRC-32 its ROM has and the one its view of bytes has; an
// empty CrcMiss where the DAT gives no CRC-32 or the view is not among bytes' views.
[[nodiscard]] std::vector<CrcMiss> MissesOf(std::span<const std::uint8_t> bytes, const dat::Identification& found,
                                            const dat::DatIndex& index);

struct IdentityTable {
    Rows rows;                       // view, result, ROM, DAT, details: the matches, then the near misses
    std::vector<CrcMiss> rowMisses;  // each row's CRCs to mend to; empty where there is nothing to mend
    std::string summary;             // "1 match and 2 near misses among 30 ROMs."
};
// misses: MissesOf(found). romDats: the DAT file each ROM of roms came from, as a person reads it.
[[nodiscard]] IdentityTable IdentityRows(const dat::Identification& found, std::span<const CrcMiss> misses,
                                         std::span<const dat::RomEntry> roms, std::span<const std::string> romDats);

}  // namespace vesperine::inspector

#endif
