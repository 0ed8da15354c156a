// Every range of a view whose programmer sum is a value: prefix sums joined by key.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "checksum/sums.h"

namespace vesperine::checksum {

// A sum to look for over ranges: kind's unit, width and end-around carry; kind.form is ignored,
// every form is tried (plain, negated, complemented). Ranges lie on the unit's grid (words of
// width/8 bytes from the view's start; a trailing partial word is never in a range) and hold
// minLength to maxLength bytes.
struct RangeSumRequest {
    SumKind kind;
    std::uint32_t value = 0;
    std::uint64_t minLength = 1;
    std::uint64_t maxLength = ~std::uint64_t{0};
    // Other values whose matches are counted too, for the count expected by chance. Each must
    // differ from value in every form, and be none of 0, 1 and 2^w - 1 (whose end-around carry
    // forms ask for all-zero ranges or exclude them).
    std::vector<std::uint32_t> decoys;
    // Hits are told only at ends within this many bytes of the view's start; past it the search
    // only counts. The tables that tell hits grow with it (4 bytes a unit for 8- and 16-bit sums).
    std::uint64_t tellingLimit = ~std::uint64_t{0};
};

// Told of each hit, [start, end) in bytes of the view and the form that matched; returns false
// to hear of no more (the count goes on).
using SumRangeHit = std::function<bool(std::uint64_t start, std::uint64_t end, SumForm form)>;

struct RangeSumResult {
    std::uint64_t hits = 0;  // every matching (range, form), told or not
    // Ranges matching the decoys, every form, summed over the decoys: counted at a sample of the
    // ends (every end up to 2^16 of them) and scaled up by the sampling.
    double decoyHits = 0;
    bool outOfMemory = false;
};

// Bytes of the tables at their largest: 4 per unit of the view within the telling limit for 8- and
// 16-bit sums, 16 per unit of the view for 32-bit ones.
[[nodiscard]] std::uint64_t RangeSumBytesNeeded(std::uint64_t viewLength, const SumKind& kind,
                                                std::uint64_t tellingLimit = ~std::uint64_t{0});

// Number of ranges on the grid with a length in the bounds: what chance matches are counted on.
[[nodiscard]] std::uint64_t RangeCount(std::uint64_t viewLength, const RangeSumRequest& request);

// The hits by ascending end; for 8- and 16-bit sums, for one end by form (plain, negated,
// complemented) then descending start; for 32-bit sums form by form, each by ascending end then
// start. Time: linear in the view for 8- and 16-bit sums (a table of every key); for 32-bit
// sums a binary search per end within the keys sharing their top 16 bits; plus the hits told. The count needs no walk
// over the hits, so a blank region where every range matches costs no more than any other.
[[nodiscard]] RangeSumResult FindSumRanges(std::span<const std::uint8_t> view, const RangeSumRequest& request,
                                           const SumRangeHit& onHit);

}  // namespace vesperine::checksum
