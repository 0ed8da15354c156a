// The CRC-guided mend: which values of the unstable bits give the consensus an expected CRC-32.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "base/byte_buffer.h"
#include "base/work_poll.h"

namespace vesperine::reads {

enum class MendOutcome {
    NoAssignment,  // no values of the unknown bits give the expected CRC-32
    Unique,        // exactly one assignment does
    Ambiguous,     // 2^freeBits assignments do
};

// An assignment, as the unknown bits it sets opposite to the consensus (bit indices, ascending).
// Its distance from the majority vote is the number of them.
using Flips = std::vector<std::uint64_t>;

struct MendResult {
    MendOutcome outcome = MendOutcome::NoAssignment;
    std::uint32_t consensusCrc = 0;  // the CRC-32 of the consensus as it is
    std::uint64_t unknowns = 0;      // u
    unsigned rank = 0;               // independent equations among the 32: at most min(32, u)
    std::uint64_t freeBits = 0;      // k = u - rank: 2^k assignments when there are any
    // Unique: the one assignment. Ambiguous with freeBits <= kListFreeBitsLimit: the `keep`
    // assignments nearest the majority vote (fewest flips first, then by their bits); otherwise
    // none are listed (2^k are too many to rank, and any one is a guess).
    std::vector<Flips> assignments;
};

inline constexpr std::uint64_t kListFreeBitsLimit = 20;

/*
  CRC-32 is affine in the bits of its input over GF(2): flipping a set E of bits of the
  consensus changes its CRC by the XOR of each flipped bit's effect, e(d) = x^(d + 32) mod P for
  the bit with d bits after it (diagnosis/repair.cpp derives it). With S = CRC(consensus) XOR
  expected, an assignment a of the u unknown bits (1: flip it) gives the expected CRC exactly
  when

      sum over i of a_i e(d_i) = S,

  32 equations (one per CRC bit) in u unknowns. MendByCrc forms them as 32 rows of u bits,
  reduces them by Gaussian elimination (at most 32 pivots, each cleared from 31 rows of u/64
  words: about 16 u word operations), and reads off no solution (a zero row against a 1), one
  (rank u), or 2^(u - rank). The effects come from one walk from the last unknown to the
  first, a step of the CRC register per bit between near neighbours and a power of x for far
  ones; the CRC of the consensus is the one pass over the data.

  unknownBits: bit indices (8 × offset + bit), ascending, each below 8 × consensus.size().
  keep: how many assignments to list when ambiguous.
*/
[[nodiscard]] MendResult MendByCrc(std::span<const std::uint8_t> consensus, std::span<const std::uint64_t> unknownBits,
                                   std::uint32_t expected, std::size_t keep = 8);

// The same, reporting to poll: four stages of like weight, each metered as the consensus' length
// in bytes, so total is 4 × its length (4 for an empty one): the CRC of the consensus (asked
// every 1 MiB), the effects and the rows (every 4096 unknowns), the elimination (every pivot) and
// the walk over the solutions (every 65536). Nothing when broken off.
[[nodiscard]] std::optional<MendResult> MendByCrc(std::span<const std::uint8_t> consensus,
                                                  std::span<const std::uint64_t> unknownBits, std::uint32_t expected,
                                                  std::size_t keep, const WorkPoll& poll);

// consensus with the flips applied.
[[nodiscard]] ByteBuffer ApplyAssignment(std::span<const std::uint8_t> consensus, const Flips& flips);

}  // namespace vesperine::reads
