// CRC repair: the flips of one or two bits that give a dump an expected CRC-32.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "base/work_poll.h"

namespace vesperine::diagnosis {

// One bit of the dump: byte offset and bit 0 (least significant) to 7.
struct BitPosition {
    std::uint64_t offset = 0;
    unsigned bit = 0;

    friend bool operator==(const BitPosition&, const BitPosition&) = default;
};

// A correction: one or two bits to flip, in offset order.
struct FlipCandidate {
    std::vector<BitPosition> bits;

    friend bool operator==(const FlipCandidate&, const FlipCandidate&) = default;
};

enum class RepairOutcome {
    AlreadyMatches,  // the CRC-32 is already the expected one
    Unique,          // exactly one candidate of the fewest flips that has any
    Ambiguous,       // several candidates of the fewest flips
    NoCandidate,     // no flip of up to maxBits bits gives the expected CRC
    TooLarge,        // two-bit search refused: its table would exceed kPairTableLimit
    Broken,          // the poll asked to stop; the counts and candidates are incomplete
};

struct RepairResult {
    RepairOutcome outcome = RepairOutcome::NoCandidate;
    std::uint32_t crc = 0;         // the dump's CRC-32 as it is
    std::uint64_t singles = 0;     // one-bit candidates
    std::uint64_t pairs = 0;       // two-bit candidates (searched with maxBits 2 only)
    std::uint64_t tableBytes = 0;  // what the two-bit table takes (or would take)
    // Every one-bit candidate, then at most `keepPairs` two-bit ones: the first in offset order.
    std::vector<FlipCandidate> candidates;
};

// The two-bit search keeps 8 bytes per slot of a hash table of at least twice as many slots
// as the dump has bits: a 1 MiB dump needs 128 MiB, an 8 MiB dump 1 GiB, the most allowed.
inline constexpr std::uint64_t kPairTableLimit = std::uint64_t{1} << 30;
[[nodiscard]] std::uint64_t PairTableBytes(std::uint64_t length);

// The pairs FindBitRepairs keeps unless told otherwise.
inline constexpr std::size_t kKeptPairs = 1000;

// Asked every 65536 bits of the pass with the bits done and the total; true stops the search.
using RepairPoll = WorkPoll;

// Every flip of one bit, and with maxBits 2 every flip of two bits, after which the CRC-32 of
// bytes is expected. One flipped bit is far likelier than two, so the outcome looks at the
// fewest flips that have any candidate: Unique when exactly one candidate has that many, so a
// single one-bit candidate is Unique whatever number of pairs there are. The candidates are
// ordered fewest flips first, then by offset and bit: every one-bit candidate is kept (there is
// at most one below 2^32 - 1 bits, 512 MiB), and of the pairs the first keepPairs in that
// order; the others are counted. Time is linear in the length (expected, for pairs).
[[nodiscard]] RepairResult FindBitRepairs(std::span<const std::uint8_t> bytes, std::uint32_t expected, unsigned maxBits,
                                          std::size_t keepPairs = kKeptPairs, const RepairPoll& poll = nullptr);

// bytes with the candidate's bits flipped.
[[nodiscard]] std::vector<std::uint8_t> ApplyFlips(std::span<const std::uint8_t> bytes, const FlipCandidate& candidate);

}  // namespace vesperine::diagnosis
