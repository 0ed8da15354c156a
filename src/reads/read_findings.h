// What a comparison of several reads says about the chip and the reader, in words for a person.
#pragma once

#include <string>
#include <vector>

#include "reads/compare_reads.h"

namespace vesperine::reads {

enum class ReadsFindingKind {
    Stable,     // every read agrees in every bit
    Outlier,    // one read alone disagrees on most unstable bits: that read went wrong
    DataLine,   // every unstable bit on one data line: a weak line or contact
    Address,    // every unstable bit where some address lines have one value: a flaky address line
    Region,     // every unstable bit in one small aligned block: weak cells in a sector
    Fading,     // 1 -> 0 only: cells losing charge
    Rising,     // 0 -> 1 only: a line that floats high now and then
    Ties,       // bits with as many 1s as 0s: the majority cannot decide them
    Scattered,  // unstable bits with none of the patterns above
};

struct ReadsFinding {
    ReadsFindingKind kind = ReadsFindingKind::Stable;
    std::string text;  // one line for a person at the programmer; reads are counted from 1
};

// The fewest unstable bits (or words, for the address lines) that make a pattern worth naming:
// below them a pattern is too likely by chance (all of 4 bits on one of 8 lines: 1 in 512;
// one of some 20 address bits constant over 16 words: about 1 in 1,600).
inline constexpr std::uint64_t kMinLineBits = 4;
inline constexpr std::uint64_t kMinAddressWords = 16;
inline constexpr std::uint64_t kMinRegionWords = 4;
inline constexpr std::uint64_t kMinDirectionBits = 4;
inline constexpr std::uint64_t kMinOutlierBits = 8;

// The findings, most telling first: Stable alone for reads that agree; otherwise an outlier
// read, then the spread by data line, address lines and region, the direction, the ties, and
// Scattered when no spread pattern was found. A region is the smallest aligned power-of-two
// block that holds every unstable bit, named when it is at most an eighth of the read; the
// address lines are then looked at only inside it.
[[nodiscard]] std::vector<ReadsFinding> ExplainReads(const ReadsComparison& comparison);

[[nodiscard]] const char* ReadsFindingName(ReadsFindingKind kind);  // "stable", "outlier", ...

}  // namespace vesperine::reads
