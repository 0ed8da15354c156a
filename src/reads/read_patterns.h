// The patterns that explain the unstable bits of a comparison, composed so that each bit is accounted for once.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "base/work_poll.h"
#include "reads/compare_reads.h"

namespace vesperine::reads {

// A pattern is named only when it explains at least this share of the bits it is judged on
// (rounded up), so that a few stray bits never hide a dead line and never pass for one.
inline constexpr std::uint64_t kExplainedPercent = 90;

// The fewest unstable bits (or words, for address lines and regions) that make a pattern worth
// naming: below them a pattern is too likely by chance. Nine tenths of n random bits on one of 8
// lines: at n = 4 all four, 1 in 512; one of some 20 address lines at 22 or more of 24 random
// words: about 1 in 1,400; a region of an eighth of the read holding all of 4 words: 1 in 512;
// one read of three alone in 8 of 8 bits: 1 in 2,200.
inline constexpr std::uint64_t kMinLineBits = 4;
inline constexpr std::uint64_t kMinAddressWords = 24;
inline constexpr std::uint64_t kMinRegionWords = 4;
inline constexpr std::uint64_t kMinDirectionBits = 4;
inline constexpr std::uint64_t kMinOutlierBits = 8;

// After this many groups the bits left are reported as the rest, whatever they show.
inline constexpr std::size_t kMostGroups = 4;
// The bits of the rest are listed when there are at most this many.
inline constexpr std::size_t kListedRest = 8;

enum class PatternKind { Outlier, DataLine, Region, Address, Fading, Rising };

// What one pattern says of an unstable bit; only the fields of its kind count.
struct ReadsPattern {
    PatternKind kind = PatternKind::DataLine;
    std::uint32_t read = 0;           // Outlier: the read (from 0) alone in its value, all the others agreeing
    unsigned line = 0;                // DataLine: Dk, numbered as in ReadsComparison::byDataLine
    std::uint64_t blockStart = 0;     // Region: an aligned power-of-two block of bytes
    std::uint64_t blockSize = 0;      //   at most an eighth of the read
    std::uint32_t addressMask = 0;    // Address: the word-address lines held constant
    std::uint32_t addressValues = 0;  //   and their values (a subset of addressMask)
    // Fading: the majority 1, the rest 0; Rising: the other way.
};

// A group of patterns that hold together: its bits are those, among the bits no earlier group
// took, on which every one of its patterns holds.
struct ReadsGroup {
    std::vector<ReadsPattern> patterns;  // as chosen, the most explaining first; one Address at most
    std::uint64_t bits = 0;              // the bits the group explains
    std::uint64_t from = 0;              // the bits no earlier group took, which it was judged on
};

// Every unstable bit once: in the first group whose patterns all hold on it, or in the rest.
struct ReadsAccount {
    std::vector<ReadsGroup> groups;
    std::uint64_t rest = 0;
    std::vector<std::uint64_t> restListed;     // the rest's bit indices, when at most kListedRest
    std::vector<std::uint32_t> restLoneReads;  // beside them, the read alone on each or kNoLoneRead
    bool bitByBit = true;  // false: the lists were incomplete and one pattern was judged from the counts
};

[[nodiscard]] bool PatternHolds(const ReadsPattern& pattern, const ReadsComparison& comparison, std::uint64_t bit,
                                UnstableShape shape);

// The composition. Bits are judged a group at a time, on the set S of bits no earlier group
// took. A group starts as S and takes patterns one by one: each time, of the patterns not yet
// in it that still hold on 90 % of S (counted within the group as it stands, so that together
// they explain 90 % of S) and reach their minimum, the one that holds on the most bits, the
// group then narrowed to them. Spread patterns (an outlier read, a data line, a region, address
// lines) come before a direction (fading, rising), which every unstable bit has one way or the
// other; among equals an outlier read comes first, then a data line, a region, address lines.
// Address lines are looked at once no region can be named, and inside a region only those
// that vary within it. A group with no pattern ends the composition; so do kMostGroups groups.
// Cost: a pass over the group's listed bits per pattern tried, a few dozen passes a group.
// Reads that differ in more bits than are listed (ListsComplete false) are judged from the
// counts alone: the one pattern that explains the most, in a group of its own.
[[nodiscard]] ReadsAccount AccountForBits(const ReadsComparison& comparison);

// The same, reporting to poll the patterns chosen, before each choice (a few passes over the
// listed bits, up to 4 Mi of them): total is kMostGroups × 7 (at most one pattern of each of the
// six kinds, then the choice that finds none), a group that ends early jumping to the next.
// Judging from the counts is immediate and asks nothing. Nothing when broken off.
[[nodiscard]] std::optional<ReadsAccount> AccountForBits(const ReadsComparison& comparison, const WorkPoll& poll);

}  // namespace vesperine::reads
