// Power-of-two-aligned blocks of a view whose programmer sum gives a value, found in bulk.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "checksum/sums.h"

namespace vesperine::checksum {

// Told of each aligned block [start, start + length) in units of the view whose sum, shown in
// form, is the value; returns false to hear of no more (the count goes on).
using AlignedSumHit = std::function<bool(std::uint64_t start, std::uint64_t length, SumForm form)>;

struct AlignedSumResult {
    std::uint64_t hits = 0;  // every matching (block, form), told or not
    // Blocks matching the decoy values, every form, summed over the decoys: counted over a
    // sample of the stretches (every stretch up to 2^16 leaves) and scaled up by the sampling.
    double decoyHits = 0;
};

// Every block of the view of length L units, L a power of two with bit_ceil(minUnits) <= L <=
// maxUnits, starting at a multiple of L, whose sum by kind's unit, width and end-around carry
// (kind.form is ignored: every form is tried) shows value. Told by ascending end, then
// ascending length, then form (plain, negated, complemented). Each unit is read once; the
// block sums of a stretch of the view are combined level by level in a small buffer that the
// compiler vectorises, and only the rare stretch holding a hit is looked at closer. Once the
// listener has heard enough, hits are only counted, so a blank view where every block matches
// costs what any other does. decoys: other values (never the value in any form) whose matches
// are counted the same way, for the count expected by chance.
[[nodiscard]] AlignedSumResult FindAlignedSums(std::span<const std::uint8_t> view, const SumKind& kind,
                                               std::uint32_t value, std::uint64_t minUnits, std::uint64_t maxUnits,
                                               std::span<const std::uint32_t> decoys, const AlignedSumHit& onHit);

}  // namespace vesperine::checksum
