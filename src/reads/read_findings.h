// What a comparison of several reads says about the chip and the reader, in words for a person.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "reads/compare_reads.h"
#include "reads/read_patterns.h"

namespace vesperine::reads {

enum class ReadsFindingKind {
    Stable,     // every read agrees in every bit
    Outlier,    // one read alone disagrees on the bits: that read went wrong
    DataLine,   // the bits on one data line: a weak line or contact
    Address,    // the bits where some address lines have one value: a flaky address line
    Region,     // the bits in one small aligned block: weak cells in a sector
    Fading,     // 1 -> 0: cells losing charge
    Rising,     // 0 -> 1: a line that floats high now and then
    Ties,       // bits with as many 1s as 0s: the majority cannot decide them
    Scattered,  // bits with none of the spread patterns above
};

struct ReadsFinding {
    ReadsFindingKind kind = ReadsFindingKind::Stable;
    std::string text;  // one line for a person at the programmer; reads are counted from 1
    // The findings of one group explain the same bits together (read_patterns.h); a closing
    // Scattered is a group of its own, the rest. 0 for a note on the whole (Stable, Ties).
    unsigned group = 0;
    std::uint64_t bits = 0;  // the unstable bits of the group: over the groups, each unstable bit once
};

// The findings of AccountForBits, a group at a time: its patterns in the order chosen (the most
// explaining first), then a Scattered when it has only a direction; then the rest as a closing
// Scattered ("and 1 bit elsewhere, at offset ..."); then the ties. Stable alone for reads that
// agree. A group's first finding says how many bits it explains of how many; the others speak
// of "those N bits".
[[nodiscard]] std::vector<ReadsFinding> ExplainReads(const ReadsComparison& comparison);

// The same, with AccountForBits reporting to poll as it says; nothing when broken off.
[[nodiscard]] std::optional<std::vector<ReadsFinding>> ExplainReads(const ReadsComparison& comparison,
                                                                    const WorkPoll& poll);

[[nodiscard]] const char* ReadsFindingName(ReadsFindingKind kind);  // "stable", "outlier", ...

// "offset 0x01234 bit 5": the offset in at least five digits, as many as the read's last needs.
[[nodiscard]] std::string BitText(std::uint64_t bitIndex, std::uint64_t length);
}  // namespace vesperine::reads
