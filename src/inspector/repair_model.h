// The 1-2 bit repair to a known CRC-32 as the Identity panel offers it: how far to search, the outcome in words, the
// check before saving.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "diagnosis/repair.h"

namespace vesperine::inspector {

// The candidates a repair lists; the rest are counted.
inline constexpr std::size_t kListedCandidates = 8;

// How many flipped bits to try in a dump of length bytes, as `vesperine-cli repair --bits 2`
// does: two, but one past the two-bit search's table limit (the table grows with the dump).
[[nodiscard]] unsigned RepairBitsFor(std::uint64_t length);
// "bit 3 of 0x00001234 (0x5A -> 0x52) and bit 0 of ..." for the bytes before the flips.
[[nodiscard]] std::string CandidateText(const diagnosis::FlipCandidate& candidate, std::span<const std::uint8_t> bytes);

// What a repair came to. The fewest flips that have a candidate decide; only a single candidate
// of that many is a repair, and only then are the repaired bytes given.
struct RepairReport {
    std::string text;  // the outcome, then the deciding candidates one a line
    std::optional<std::vector<std::uint8_t>> repaired;
};
[[nodiscard]] RepairReport ReportRepair(const diagnosis::RepairResult& result, std::span<const std::uint8_t> bytes,
                                        std::uint32_t expected, unsigned maxBits);
// Verify before writing, as the command line does: nothing when repaired carries expected,
// otherwise the refusal to save it.
[[nodiscard]] std::optional<std::string> CheckRepair(std::span<const std::uint8_t> repaired, std::uint32_t expected);

}  // namespace vesperine::inspector
