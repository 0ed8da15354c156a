// The label solver: which sum or CRC, over which part of a dump, gives the number on a label.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "analysis/views.h"
#include "checksum/sums.h"

namespace vesperine::checksum {

struct SolveRequest {
    std::uint32_t value = 0;
    unsigned width = 16;  // 8, 16 or 32; value < 2^width
    bool ranges = false;  // also search ranges of the whole dump, the odd/even bytes and the lanes
    std::uint64_t minLength = 1;
    std::uint64_t maxLength = ~std::uint64_t{0};
    std::size_t alignedLimit = 100;  // aligned hits kept; the rest only counted
};

// A whole view that gives the value: a sum of the width in one of its forms, or a catalogue CRC
// of the width; with trailer, over the view without its last width/8 bytes (where a stored
// checksum of that width would sit).
struct WholeHit {
    std::string view;
    std::string checksum;
    bool trailer = false;
};

// A range [start, end) of a view (bytes of the view) whose sum gives the value. aligned: its
// length is a power of two and its start a multiple of it.
struct RangeHit {
    std::string view;
    std::string checksum;
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    std::uint64_t dumpStart = 0;  // where the range's first byte lies in the dump
    bool aligned = false;
};

// What the solver tried and found. Each "tried" counts (candidate, checksum) pairs; each
// "chance" is the number of them expected to match by chance, printed beside the hits.
//
// Whole views: a CRC of w bits is uniform, 2^-w per CRC. A sum of n units is not (n random
// bytes add up near n * 127.5, not anywhere): it is modelled as n units drawn from the view's
// own units (their mean, variance and the lattice they lie on: every unit is u0 modulo g), the
// total normal on that lattice, folded to the sum's modulus (WholeSumChance).
//
// Ranges, aligned or not: measured. The same counting walk counts the matches of decoy values
// near the value (DecoysOf), and the chance figure is their mean: the data's own distribution
// of range sums, whatever its content, at the cost of a sampled count.
struct SolveResult {
    std::vector<WholeHit> whole;
    std::uint64_t wholeTried = 0;
    double wholeChance = 0;
    std::vector<RangeHit> aligned;  // the first alignedLimit aligned ranges in the bounds
    std::uint64_t alignedHits = 0;
    std::uint64_t alignedTried = 0;
    double alignedChance = 0;
    std::uint64_t rangeHits = 0;  // every range in the bounds, aligned ones included
    std::uint64_t rangeTried = 0;
    double rangeChance = 0;
    std::size_t decoys = 0;  // decoy values the range figures are measured over
    bool outOfMemory = false;
};

// Told of each range hit that is not aligned, in the order found; false to hear no more.
using RangeHitSink = std::function<bool(const RangeHit& hit)>;

// Chance matches expected among tried candidates of a uniform statistic (a CRC) of width bits.
[[nodiscard]] double ExpectedByChance(std::uint64_t tried, unsigned width);

// The probability that a sum of kind (its form included) over units drawn like those of
// `units` (as many as it holds) shows value: the model the whole views' figure is built from.
[[nodiscard]] double WholeSumChance(std::span<const std::uint8_t> units, const SumKind& kind, std::uint32_t value);

// Up to 8 values near value (value + 1, value - 1, value + 2, ... at most 32 away) that share
// no form with it (their plain, negated and complemented sums are none of its own) and are
// none of 0, 1 and 2^w - 1.
[[nodiscard]] std::vector<std::uint32_t> DecoysOf(std::uint32_t value, unsigned width);

// The number of (range, sum) pairs a range search would try: to refuse one that would drown.
[[nodiscard]] std::uint64_t RangePairsOf(std::uint64_t dumpLength, const SolveRequest& request);

// The range searches' tables at their largest at once: the whole dump's (RangeSumBytesNeeded),
// and beside them those of the second processor's search: a few MiB for 8- and 16-bit sums, a
// byte lane's (a quarter as much) for 32-bit ones.
[[nodiscard]] std::uint64_t SolveTableBytes(std::uint64_t dumpLength, const SolveRequest& request);

// Whole views (sums and catalogue CRCs, with and without a trailer), then, with ranges, aligned
// ranges and every range in the bounds (sums only). Memory: the lane copies (twice the dump)
// and the range searches' tables (SolveTableBytes). With a second processor part of the work
// runs on a thread of its own; onRange is called on the caller's thread only.
[[nodiscard]] SolveResult Solve(std::span<const std::uint8_t> dump, const SolveRequest& request,
                                const RangeHitSink& onRange);

}  // namespace vesperine::checksum
