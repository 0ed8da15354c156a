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

// What the solver tried and found. Each "tried" counts (candidate, checksum) pairs: a value of
// w bits matches about tried / 2^w of them by chance, which the caller prints beside the hits.
struct SolveResult {
    std::vector<WholeHit> whole;
    std::uint64_t wholeTried = 0;
    std::vector<RangeHit> aligned;  // the first alignedLimit aligned ranges in the bounds
    std::uint64_t alignedHits = 0;
    std::uint64_t alignedTried = 0;
    std::uint64_t rangeHits = 0;  // every range in the bounds, aligned ones included
    std::uint64_t rangeTried = 0;
    bool outOfMemory = false;
};

// Told of each range hit that is not aligned, in the order found; false to hear no more.
using RangeHitSink = std::function<bool(const RangeHit& hit)>;

// Chance matches expected among tried candidates for a value of width bits.
[[nodiscard]] double ExpectedByChance(std::uint64_t tried, unsigned width);

// The number of (range, sum) pairs a range search would try: to refuse one that would drown.
[[nodiscard]] std::uint64_t RangePairsOf(std::uint64_t dumpLength, const SolveRequest& request);

// Whole views (sums and catalogue CRCs, with and without a trailer), then, with ranges, aligned
// ranges and every range in the bounds (sums only). Memory: the lane copies (twice the dump)
// and the range search's tables for one view at a time (RangeSumBytesNeeded).
[[nodiscard]] SolveResult Solve(std::span<const std::uint8_t> dump, const SolveRequest& request,
                                const RangeHitSink& onRange);

}  // namespace vesperine::checksum
