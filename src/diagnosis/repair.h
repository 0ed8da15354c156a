// CRC repair: the flips of one or two bits that give a dump an expected CRC-32.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

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
};

struct RepairResult {
    RepairOutcome outcome = RepairOutcome::NoCandidate;
    std::uint32_t crc = 0;                  // the dump's CRC-32 as it is
    std::uint64_t singles = 0;              // one-bit candidates
    std::uint64_t pairs = 0;                // two-bit candidates (searched with maxBits 2 only)
    std::uint64_t tableBytes = 0;           // what the two-bit table takes (or would take)
    std::vector<FlipCandidate> candidates;  // one-bit candidates first, at most `keep` in all
};

// The two-bit search keeps 8 bytes per slot of a hash table of at least twice as many slots
// as the dump has bits: a 1 MiB dump needs 128 MiB, an 8 MiB dump 1 GiB, the most allowed.
inline constexpr std::uint64_t kPairTableLimit = std::uint64_t{1} << 30;
[[nodiscard]] std::uint64_t PairTableBytes(std::uint64_t length);

// Every flip of one bit, and with maxBits 2 every flip of two bits, after which the CRC-32 of
// bytes is expected. The outcome counts the fewest flips first: one flipped bit is far likelier
// than two, so a single one-bit candidate is Unique whatever number of pairs there are. Time
// is linear in the length (expected, for pairs); candidates beyond keep are counted, not kept.
[[nodiscard]] RepairResult FindBitRepairs(std::span<const std::uint8_t> bytes, std::uint32_t expected, unsigned maxBits,
                                          std::size_t keep = 1000);

// bytes with the candidate's bits flipped.
[[nodiscard]] std::vector<std::uint8_t> ApplyFlips(std::span<const std::uint8_t> bytes, const FlipCandidate& candidate);

}  // namespace vesperine::diagnosis
