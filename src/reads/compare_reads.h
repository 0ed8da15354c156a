// Several reads of one chip compared bit by bit: where they disagree, how, and their consensus.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "base/byte_buffer.h"
#include "base/work_poll.h"

namespace vesperine::reads {

// A bit of a read is named by its index 8 × offset + bit, bit 0 the least significant: the
// order in which the bits lie in memory, and the order of the lists below.
[[nodiscard]] constexpr std::uint64_t OffsetOf(std::uint64_t bitIndex) { return bitIndex >> 3; }
[[nodiscard]] constexpr unsigned BitOf(std::uint64_t bitIndex) { return static_cast<unsigned>(bitIndex & 7u); }

// The lists of unstable and tied bits keep at most this many (8 bytes each: 32 MiB; their
// shapes 8 more); the counts are always whole. Reads that disagree in more bits are not worth
// mending bit by bit.
inline constexpr std::uint64_t kListedBitsLimit = std::uint64_t{1} << 22;

// How the reads split on one unstable bit: the way the majority went, and the read that alone
// holds its value against all the others, if one does (with two reads neither, both being alone).
enum class BitDirection : std::uint8_t { Tie, OneToZero, ZeroToOne };
inline constexpr std::uint32_t kNoLoneRead = 0xFFFFFFFFu;
struct UnstableShape {
    std::uint32_t loneRead = kNoLoneRead;  // from 0; kNoLoneRead also for reads past the 2^32 - 1st
    BitDirection direction = BitDirection::Tie;
    friend bool operator==(const UnstableShape&, const UnstableShape&) = default;
};

struct ReadsComparison {
    std::uint64_t length = 0;  // bytes in each read
    unsigned width = 1;        // bytes a word: 1 (8-bit chip) or 2 (16-bit chip, low byte first)
    std::size_t readCount = 0;

    // A bit is unstable when the reads do not all agree on it, tied when as many reads have it 1
    // as 0 (always so with two reads).
    std::uint64_t unstableBits = 0;
    std::uint64_t unstableWords = 0;  // words holding at least one unstable bit
    std::uint64_t ties = 0;
    std::vector<std::uint64_t> unstable;  // bit indices, ascending; complete when unstableBits <= kListedBitsLimit
    std::vector<std::uint64_t> tied;      // likewise
    std::vector<UnstableShape> shapes;    // of each bit of unstable, in its order

    // Spread of the unstable bits. Data line Dk is bit k of a word (width 2: the byte at an
    // even offset holds D0-D7, the next D8-D15). Address line Ak is bit k of the word address
    // (offset / width); addressOnes[k] counts the unstable bits whose word address has Ak = 1,
    // over addressBits lines, those that the last word's address needs.
    std::array<std::uint64_t, 16> byDataLine{};
    std::array<std::uint64_t, 32> addressOnes{};
    unsigned addressBits = 0;
    std::uint64_t firstOffset = 0;  // the first and last byte holding an unstable bit, when any
    std::uint64_t lastOffset = 0;
    // Direction by the majority: 1 -> 0 when most reads have 1 and the rest 0, 0 -> 1 the other
    // way; ties have none.
    std::uint64_t oneToZero = 0;
    std::uint64_t zeroToOne = 0;

    // For each read, the unstable bits on which it alone differs and all the other reads agree
    // (with two reads, every unstable bit for both).
    std::vector<std::uint64_t> soleDissent;

    // Each bit as most reads have it; a tie keeps the first read's value.
    ByteBuffer consensus;

    [[nodiscard]] bool Stable() const { return unstableBits == 0; }
    [[nodiscard]] bool ListsComplete() const { return unstableBits <= kListedBitsLimit; }
};

// Compares reads, two or more of one length, with words of width 1 or 2 bytes (a length that is
// not a multiple of the width is taken as it is: the last byte forms a word alone). Word at a
// time: 64 bits of every read are compared at once and only the words in which they differ are
// looked at further, still a word at a time for two and three reads and bit by bit for more, so
// the time is one pass over the reads plus a constant per differing word (per unstable bit with
// four reads or more, and per listed bit).
// Memory: the consensus (one read's length) and the lists (at most 96 MiB). Throws
// std::invalid_argument for fewer than two reads, unequal lengths or another width.
[[nodiscard]] ReadsComparison CompareReads(std::span<const std::span<const std::uint8_t>> reads, unsigned width = 1);

// The same, reporting to poll the bytes of each read compared of their length, every 1 MiB
// (kPollBytes); nothing when broken off. Throws as CompareReads does, before asking the poll.
[[nodiscard]] std::optional<ReadsComparison> CompareReads(std::span<const std::span<const std::uint8_t>> reads,
                                                          unsigned width, const WorkPoll& poll);

}  // namespace vesperine::reads
