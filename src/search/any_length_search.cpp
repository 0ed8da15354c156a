// The any-length CRC search: prefix CRCs normalised to offset 0, matched by sorting both sides by key and merging.
#include "search/any_length_search.h"

#include <algorithm>
#include <array>
#include <bit>
#include <new>
#include <utility>
#include <vector>

#include "base/byte_buffer.h"
#include "base/carryless_multiply.h"
#include "base/crc32.h"
#include "base/crc_algebra.h"

namespace vesperine {
namespace {

using crc_algebra::FixedMultiplier;
using crc_algebra::InverseShiftOperator;

/*
  Why every range with a given CRC is found in one pass.

  Polynomials over GF(2) as in base/crc_algebra.h. With I the initial register (all ones),
  F the final complement (all ones) and M a message of n bytes read as a polynomial (its first
  bit the highest term), the finished CRC-32 is

      C(M) = (I x^(8n) + M x^32) mod P + F.

  The conditioning does not get in the way of combining: for A (a bytes) followed by B
  (b bytes), (A B) = A x^(8b) + B, and

      C(A B) = (I x^(8(a+b)) + A x^(8b+32) + B x^32) mod P + F
             = (C(A) + F) x^(8b) + (C(B) + F + I x^(8b)) + F       (mod P)
             = C(A) x^(8b) + C(B)                                   (I = F, and F + F = 0).

  The preconditioning of B, I x^(8b), cancels the complement F of A carried over those b bytes
  because I and F are the same value; the final complements of A B and of B cancel each other.

  Let Q(o) be the CRC of the extract's first o bytes; Q(0) = 0, as C of no bytes is I + F = 0.
  For a range [a, b), taking A = [0, a) and B = [a, b): Q(b) = Q(a) x^(8(b-a)) + C([a, b)). So

      C([a, b)) = X   <=>   Q(b) + X = Q(a) x^(8b) x^(-8a)
                      <=>   (Q(b) + X) x^(-8b) = Q(a) x^(-8a)          (mod P),

  multiplying by x^(-8b), which exists because P has a constant term (x^-1 is a unit), and
  which loses nothing because multiplying by a unit is one-to-one. Both sides now depend on one
  offset only: a start key S(a) = Q(a) x^(-8a), the prefix CRC normalised back to offset 0,
  and an end key E(b) = (Q(b) + X) x^(-8b) = S(b) + X x^(-8b). A range has the target CRC
  exactly when its start's key equals its end's key: no false matches to check afterwards.

  So: a first walk computes S for every candidate start on the grid, running Q forward over
  step bytes and z = x^(-8o) by one fixed multiplication per offset, and sorts the (key, start)
  pairs by key with a stable radix sort: the starts of one key then lie together, in ascending
  order. A filter of at least 8 bits per start, set at the top bits of each start's key, then
  lets a second walk keep only the ends whose key may be a start's: on most data an eighth of
  them or fewer, on data whose keys repeat all of them. The kept ends (candidates) are taken a
  block at a time as the walk goes, in ascending order of end, sorted by key the same way and
  merged with the sorted starts, which gives each the first start of its key, or none. Then
  the block's candidates are visited in ascending order, and each emits the starts of its key
  whose distance lies in the length bounds: one cursor per key skips the starts too far behind
  (the lower bound only rises as the end does), and the emitting stops at the first start too
  near. Filtering, sorting and merging cost at most the same on any keys, so the time is
  linear in the offsets plus the hits however many keys are equal, and the hits come out in
  the order promised without being collected.

  An empty range (a = b) has CRC 0; it is never reported, so a target of 00000000 finds only
  ranges of at least one byte.
*/

constexpr std::uint64_t kOffsetsPerPoll = 65536;
constexpr std::size_t kShortRun = 16;  // below this the byte-wise table beats the library's call
constexpr int kDigitBits = 8;          // four radix passes cover a 32-bit key
constexpr std::size_t kDigitValues = std::size_t{1} << kDigitBits;
constexpr int kPasses = 32 / kDigitBits;
// The counts of the passes: 4 KiB, on the stack, the same for every search.
using Histogram = std::array<std::uint32_t, kPasses * kDigitValues>;
[[nodiscard]] std::uint32_t ContinueCrc(std::uint32_t crc, std::span<const std::uint8_t> bytes) {
    return bytes.size() < kShortRun ? Crc32Bytewise(bytes, crc) : Crc32(bytes, crc);
}

// The grid and the bounds in steps: offsets k * step for k = 0 .. lastOffset; lengths from
// minSteps to maxSteps steps; starts k = 0 .. startCount - 1, ends k = minSteps .. lastOffset.
struct Grid {
    std::uint64_t step = 1;
    std::uint64_t lastOffset = 0;
    std::uint64_t minSteps = 1;
    std::uint64_t maxSteps = 0;
    std::uint64_t startCount = 0;  // as many as ends; 0: no range fits the bounds
};

[[nodiscard]] Grid GridOf(std::uint64_t length, const AnyLengthRequest& request) {
    Grid grid;
    grid.step = std::max<std::uint32_t>(request.step, 1);
    grid.lastOffset = length / grid.step;
    const std::uint64_t minLength = std::max<std::uint32_t>(request.minLength, 1);
    grid.minSteps = (minLength + grid.step - 1) / grid.step;
    grid.maxSteps = request.maxLength / grid.step;
    if (grid.minSteps <= grid.maxSteps && grid.minSteps <= grid.lastOffset) {
        grid.startCount = grid.lastOffset - grid.minSteps + 1;
    }
    return grid;
}

// The words of each of the two buffers, and how the second is shared out once the starts are
// sorted. One holds the sorted starts (key and offset, two words each); the other is first the
// radix sort's scratch for the starts, then the filter (2^filterBits bits), when a maximum
// length can cut ranges short one cursor per start, and a block of candidates: their key and
// index in the block (two words each), the sort's scratch for them (two words each) and their
// offsets (one word each). Once a block is sorted, its scratch holds each candidate's group
// (one word each) and after them the bits of the candidates that have one (a word per 32).
struct Layout {
    bool cursors = false;
    int filterBits = 0;
    std::uint64_t filterWords = 0;
    std::uint64_t blockEnds = 0;  // candidates per block
    std::uint64_t bufferWords = 0;
};

constexpr std::uint64_t kWordsPerCandidate = 5;

[[nodiscard]] Layout LayoutOf(const Grid& grid) {
    const std::uint64_t n = grid.startCount;
    Layout layout;
    layout.cursors = grid.maxSteps < grid.lastOffset;
    layout.filterBits = std::min(32, std::countr_zero(std::bit_ceil(std::max<std::uint64_t>(n, 1))) + 3);
    layout.filterWords = std::max<std::uint64_t>(1, (std::uint64_t{1} << layout.filterBits) / 32);
    const std::uint64_t fixed = layout.filterWords + (layout.cursors ? n : 0);
    layout.blockEnds = std::max<std::uint64_t>(1, (2 * n - std::min(2 * n, fixed)) / kWordsPerCandidate);
    layout.bufferWords = std::max(2 * n, fixed + kWordsPerCandidate * layout.blockEnds);
    return layout;
}

// The poll, asked every kOffsetsPerPoll units of work (an offset walked, sorted, merged or
// visited).
class PollCounter {
public:
    PollCounter(const WindowPoll& poll, std::uint64_t total) : poll_(poll), total_(total) {}
    [[nodiscard]] bool Advance(std::uint64_t units) {
        const std::uint64_t before = done_ / kOffsetsPerPoll;
        done_ += units;
        return done_ / kOffsetsPerPoll != before && poll_(done_, total_);
    }

private:
    const WindowPoll& poll_;
    std::uint64_t total_;
    std::uint64_t done_ = 0;
};

// The units of work PollCounter counts for a whole search: the starts walked and sorted, the
// filter set, the ends walked, and as many candidates sorted, merged and visited and blocks
// merged as there would be were every end a candidate (the work an end filtered out spares is
// counted as done when it is passed over, so the count ends at the total).
[[nodiscard]] std::uint64_t WorkUnits(const Grid& grid, const Layout& layout) {
    const std::uint64_t n = grid.startCount;
    const std::uint64_t blocks = (n + layout.blockEnds - 1) / layout.blockEnds;
    return n + kPasses * n + n + grid.minSteps + n + (kPasses + 2) * n + blocks * n;
}

// The CRC-32 register's byte step, T[v] = v x^32 mod P for the byte v: a running CRC Q over one
// more byte b is ~(T[(~Q ^ b) & FF] ^ (~Q >> 8)), the bytewise CRC inlined into the key walk.
class ByteStep {
public:
    ByteStep() {
        for (std::uint32_t v = 0; v < 256; ++v) {
            const auto byte = static_cast<std::uint8_t>(v);
            table_[v] = ~Crc32Bytewise({&byte, 1}, 0xFFFFFFFF);
        }
    }
    // The register (the complement of the running CRC) after byte b.
    [[nodiscard]] std::uint32_t operator()(std::uint32_t reg, std::uint8_t b) const {
        return table_[(reg ^ b) & 0xFFu] ^ (reg >> 8);
    }

private:
    std::array<std::uint32_t, 256> table_{};
};

// S(k) and E(k) for k = 0, 1, 2 ... in turn: one step of the prefix CRC and one fixed
// multiplication an offset, and a carry-less one a key. E(k) = (Q(k) + X) x^(-8k) needs no
// shifted target of its own.
template <typename Multiply>
class KeyWalk {
public:
    KeyWalk(std::span<const std::uint8_t> extract, const Grid& grid, std::uint32_t target, const Multiply& multiply)
        : extract_(extract),
          step_(grid.step),
          multiply_(multiply),
          inverseStep_(InverseShiftOperator(grid.step)),
          target_(target) {}

    [[nodiscard]] VESPERINE_CARRYLESS_TARGET std::uint32_t StartKey() const {
        return multiply_(~register_, inverseShift_);
    }
    [[nodiscard]] VESPERINE_CARRYLESS_TARGET std::uint32_t EndKey() const {
        return multiply_(~register_ ^ target_, inverseShift_);
    }

    // To offset k + 1; k must be below the grid's last offset.
    void Next() {
        if (step_ == 1) {
            register_ = byteStep_(register_, extract_[k_]);
        } else {
            register_ = ~ContinueCrc(~register_, extract_.subspan(k_ * step_, step_));
        }
        inverseShift_ = inverseStep_(inverseShift_);
        ++k_;
    }

private:
    std::span<const std::uint8_t> extract_;
    std::uint64_t step_;
    const Multiply& multiply_;
    FixedMultiplier inverseStep_;
    ByteStep byteStep_;
    std::uint32_t target_;
    std::uint64_t k_ = 0;
    std::uint32_t register_ = 0xFFFFFFFF;             // ~Q(k): the CRC register before its final complement
    std::uint32_t inverseShift_ = crc_algebra::kOne;  // x^(-8 k step)
};

// The low `passes` digits of count (key, offset) word pairs, a stable pass each, ping-ponging
// between from and through: after an odd number of passes the pairs are in through.
void SortLowDigits(std::uint32_t* from, std::uint32_t* through, std::size_t count, int passes, Histogram& histogram) {
    std::fill(histogram.begin(), histogram.end(), 0);
    for (std::size_t i = 0; i < count; ++i) {
        for (int pass = 0; pass < passes; ++pass) {
            ++histogram[pass * kDigitValues + ((from[2 * i] >> (pass * kDigitBits)) & (kDigitValues - 1))];
        }
    }
    for (int pass = 0; pass < passes; ++pass) {
        std::uint32_t* const first = histogram.data() + pass * kDigitValues;
        std::uint32_t sum = 0;
        for (std::size_t d = 0; d < kDigitValues; ++d) sum += std::exchange(first[d], sum);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t at = first[(from[2 * i] >> (pass * kDigitBits)) & (kDigitValues - 1)]++;
            through[2 * at] = from[2 * i];
            through[2 * at + 1] = from[2 * i + 1];
        }
        std::swap(from, through);
    }
}

// Below this many pairs the four passes run over them all; above, the top digit goes first and
// each of its buckets, a 256th of the pairs on most inputs, is sorted by the other three while
// it sits in the caches.
constexpr std::size_t kTopDigitFirst = 1 << 16;

// Sorts count (key, offset) word pairs at `pairs` by key, stably, through `scratch`, in four
// passes of 8 bits (few enough buckets for each scatter to stay in the caches), ending where
// they began.
void SortByKey(std::uint32_t* pairs, std::uint32_t* scratch, std::size_t count, Histogram& histogram) {
    if (count < kTopDigitFirst) {
        SortLowDigits(pairs, scratch, count, kPasses, histogram);
        return;
    }
    constexpr int kTopShift = 32 - kDigitBits;
    std::array<std::uint32_t, kDigitValues + 1> bucketFirst{};
    for (std::size_t i = 0; i < count; ++i) ++bucketFirst[(pairs[2 * i] >> kTopShift) + 1];
    for (std::size_t d = 1; d <= kDigitValues; ++d) bucketFirst[d] += bucketFirst[d - 1];
    std::array<std::uint32_t, kDigitValues> next{};
    std::copy(bucketFirst.begin(), bucketFirst.end() - 1, next.begin());
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = next[pairs[2 * i] >> kTopShift]++;
        scratch[2 * at] = pairs[2 * i];
        scratch[2 * at + 1] = pairs[2 * i + 1];
    }
    for (std::size_t d = 0; d < kDigitValues; ++d) {
        const std::size_t first = bucketFirst[d];
        SortLowDigits(scratch + 2 * first, pairs + 2 * first, bucketFirst[d + 1] - first, kPasses - 1, histogram);
    }
}

// The search's state between its phases; the buffers are sized by Layout. They are ByteBuffers:
// every word is written before it is read, so nothing is zero-filled first, and their huge
// pages make the first touch and the sort's scatter cheaper.
struct Join {
    ByteBuffer startBlock;
    ByteBuffer otherBlock;
    std::uint32_t* starts = nullptr;  // (key, offset) by key, then offset
    std::uint32_t* other = nullptr;   // the other buffer of Layout
    Histogram histogram{};
    std::size_t startCount = 0;

    [[nodiscard]] std::uint32_t Key(std::size_t i) const { return starts[2 * i]; }
    [[nodiscard]] std::uint32_t Offset(std::size_t i) const { return starts[2 * i + 1]; }
};

// Gives each of a block's sorted candidates (key, index in the block) that has the key of some
// start the index of the first start of that key, in groups[index], and sets its bit in matched
// (bit index % 32 of word index / 32; the caller clears them). The walk through both lists takes no
// branch but the match, which on most data is rare and where keys repeat comes in long runs;
// only matched candidates are written, so the scattered writes are as few as the matches.
void MergeBlock(const Join& join, const std::uint32_t* ends, std::size_t count, std::uint32_t* groups,
                std::uint32_t* matched) {
    std::size_t i = 0;
    std::size_t e = 0;
    while (e < count && i < join.startCount) {
        const std::uint32_t startKey = join.Key(i);
        const std::uint32_t endKey = ends[2 * e];
        if (startKey == endKey) {
            const std::uint32_t at = ends[2 * e + 1];
            groups[at] = static_cast<std::uint32_t>(i);
            matched[at / 32] |= std::uint32_t{1} << (at % 32);
        }
        // The start moves on while its key is below the end's, so i stays on the first start
        // of a key as long as ends of that key come.
        i += startKey < endKey ? 1 : 0;
        e += startKey < endKey ? 0 : 1;
    }
}

// Tells the hits of the matched candidates of a block, whose ends are offsets[0 .. count - 1]
// in ascending order, in order; false when onHit stopped.
[[nodiscard]] bool EmitBlock(const Join& join, const Grid& grid, const std::uint32_t* offsets, std::size_t count,
                             const std::uint32_t* groups, const std::uint32_t* matched, std::uint32_t* cursors,
                             const RangeHit& onHit, std::uint64_t& hits) {
    for (std::size_t word = 0; word < (count + 31) / 32; ++word) {
        for (std::uint32_t bits = matched[word]; bits != 0; bits &= bits - 1) {
            const std::size_t e = 32 * word + static_cast<std::size_t>(std::countr_zero(bits));
            const std::uint32_t group = groups[e];
            const std::uint64_t end = offsets[e];
            const std::uint32_t key = join.Key(group);
            std::size_t i = group;
            if (cursors != nullptr) {
                i = cursors[group];
                while (i < join.startCount && join.Key(i) == key && join.Offset(i) + grid.maxSteps < end) ++i;
                cursors[group] = static_cast<std::uint32_t>(i);
            }
            for (; i < join.startCount && join.Key(i) == key && join.Offset(i) + grid.minSteps <= end; ++i) {
                ++hits;
                // Offsets are below the extract's length, under 2^32.
                if (!onHit(static_cast<std::uint32_t>(join.Offset(i) * grid.step),
                           static_cast<std::uint32_t>(end * grid.step))) {
                    return false;
                }
            }
        }
    }
    return true;
}

// The starts' keys, sorted; false when the poll broke off. Compiled for the carry-less multiply
// (as JoinEnds) so that the key walk's multiplication is inlined; the portable instance uses
// none of its instructions.
template <typename Multiply>
[[nodiscard]] VESPERINE_CARRYLESS_TARGET bool SortStarts(std::span<const std::uint8_t> extract, const Grid& grid,
                                                         std::uint32_t target, const Multiply& multiply,
                                                         PollCounter& poll, Join& join) {
    KeyWalk walk(extract, grid, target, multiply);
    for (std::uint64_t k = 0; k < grid.startCount; ++k) {
        join.starts[2 * k] = walk.StartKey();
        join.starts[2 * k + 1] = static_cast<std::uint32_t>(k);
        if (k + 1 < grid.startCount) walk.Next();
        if (poll.Advance(1)) return false;
    }
    SortByKey(join.starts, join.other, join.startCount, join.histogram);
    return !poll.Advance(kPasses * grid.startCount);
}

// Where a key falls in the filter: its top filterBits bits (3 to 32).
[[nodiscard]] std::uint32_t FilterBit(std::uint32_t key, int filterBits) { return key >> (32 - filterBits); }

// A block of candidates, sorted, merged and its hits told; false when onHit stopped.
[[nodiscard]] bool JoinBlock(Join& join, const Grid& grid, const Layout& layout, std::uint32_t* block,
                             std::size_t count, std::uint32_t* cursors, const RangeHit& onHit, std::uint64_t& hits) {
    std::uint32_t* const scratch = block + 2 * layout.blockEnds;
    std::uint32_t* const offsets = scratch + 2 * layout.blockEnds;
    std::uint32_t* const matched = scratch + layout.blockEnds;  // at most blockEnds words
    SortByKey(block, scratch, count, join.histogram);
    // The groups and the bits of the matched candidates overwrite the sort's scratch.
    std::fill(matched, matched + (count + 31) / 32, 0);
    MergeBlock(join, block, count, scratch, matched);
    return EmitBlock(join, grid, offsets, count, scratch, matched, cursors, onHit, hits);
}

// The ends walked, those the filter keeps taken a block at a time, each block sorted, merged
// and its hits told.
template <typename Multiply>
[[nodiscard]] VESPERINE_CARRYLESS_TARGET AnyLengthOutcome JoinEnds(std::span<const std::uint8_t> extract,
                                                                   const Grid& grid, const Layout& layout,
                                                                   std::uint32_t target, const Multiply& multiply,
                                                                   PollCounter& poll, Join& join, const RangeHit& onHit,
                                                                   std::uint64_t& hits) {
    std::uint32_t* const filter = join.other;
    std::uint32_t* const cursors = layout.cursors ? filter + layout.filterWords : nullptr;
    std::uint32_t* const block = filter + layout.filterWords + (layout.cursors ? grid.startCount : 0);
    std::uint32_t* const offsets = block + 4 * layout.blockEnds;
    std::fill(filter, filter + layout.filterWords, 0);
    for (std::size_t i = 0; i < grid.startCount; ++i) {
        const std::uint32_t bit = FilterBit(join.Key(i), layout.filterBits);
        filter[bit / 32] |= std::uint32_t{1} << (bit % 32);
    }
    for (std::size_t i = 0; cursors != nullptr && i < grid.startCount; ++i) cursors[i] = static_cast<std::uint32_t>(i);
    if (poll.Advance(grid.startCount)) return AnyLengthOutcome::Broken;
    KeyWalk walk(extract, grid, target, multiply);
    for (std::uint64_t k = 0; k < grid.minSteps; ++k) walk.Next();
    if (poll.Advance(grid.minSteps)) return AnyLengthOutcome::Broken;
    const std::uint64_t worstBlocks = (grid.startCount + layout.blockEnds - 1) / layout.blockEnds;
    std::uint64_t blocks = 0;
    std::size_t count = 0;
    // The filter's words are scattered over memory: a batch of keys is computed and their words
    // fetched before any is tested, and a candidate is written whether kept or not (the next
    // one overwrites it when not), so that no branch waits on a fetch.
    constexpr std::size_t kBatch = 64;
    std::array<std::uint32_t, kBatch> keys{};
    for (std::uint64_t batchFirst = grid.minSteps; batchFirst <= grid.lastOffset; batchFirst += kBatch) {
        const std::size_t batch = std::min<std::uint64_t>(kBatch, grid.lastOffset + 1 - batchFirst);
        for (std::size_t b = 0; b < batch; ++b) {
            keys[b] = walk.EndKey();
#if defined(__GNUC__)
            __builtin_prefetch(&filter[FilterBit(keys[b], layout.filterBits) / 32]);
#endif
            if (batchFirst + b < grid.lastOffset) walk.Next();
        }
        for (std::size_t b = 0; b < batch; ++b) {
            const std::uint32_t bit = FilterBit(keys[b], layout.filterBits);
            const std::size_t kept = (filter[bit / 32] >> (bit % 32)) & 1;
            block[2 * count] = keys[b];
            block[2 * count + 1] = static_cast<std::uint32_t>(count);
            offsets[count] = static_cast<std::uint32_t>(batchFirst + b);
            count += kept;
            if (count == layout.blockEnds) {
                if (!JoinBlock(join, grid, layout, block, count, cursors, onHit, hits)) {
                    return AnyLengthOutcome::Broken;
                }
                ++blocks;
                if (poll.Advance(grid.startCount)) return AnyLengthOutcome::Broken;
                count = 0;
            }
        }
        if (poll.Advance(batch * (kPasses + 3))) return AnyLengthOutcome::Broken;
    }
    if (count != 0) {
        if (!JoinBlock(join, grid, layout, block, count, cursors, onHit, hits)) return AnyLengthOutcome::Broken;
        ++blocks;
    }
    if (poll.Advance((worstBlocks - std::min(worstBlocks, blocks)) * grid.startCount)) {
        return AnyLengthOutcome::Broken;
    }
    return AnyLengthOutcome::Done;
}

template <typename Multiply>
[[nodiscard]] AnyLengthResult SearchWith(std::span<const std::uint8_t> extract, const Grid& grid, std::uint32_t target,
                                         const Multiply& multiply, const WindowPoll& poll, const RangeHit& onHit) {
    AnyLengthResult result;
    const Layout layout = LayoutOf(grid);
    Join join;
    try {
        join.startBlock.ResizeDiscarding(layout.bufferWords * sizeof(std::uint32_t));
        join.otherBlock.ResizeDiscarding(layout.bufferWords * sizeof(std::uint32_t));
    } catch (const std::bad_alloc&) {
        result.outcome = AnyLengthOutcome::OutOfMemory;
        return result;
    }
    join.starts = reinterpret_cast<std::uint32_t*>(join.startBlock.data());
    join.other = reinterpret_cast<std::uint32_t*>(join.otherBlock.data());
    join.startCount = grid.startCount;
    PollCounter counter(poll, WorkUnits(grid, layout));
    if (!SortStarts(extract, grid, target, multiply, counter, join)) {
        result.outcome = AnyLengthOutcome::Broken;
        return result;
    }
    result.outcome = JoinEnds(extract, grid, layout, target, multiply, counter, join, onHit, result.hits);
    return result;
}

}  // namespace

std::uint64_t AnyLengthBytesNeeded(std::uint64_t extractLength, const AnyLengthRequest& request) {
    const Grid grid = GridOf(extractLength, request);
    if (grid.startCount == 0) return 0;
    const Layout layout = LayoutOf(grid);
    return 2 * sizeof(std::uint32_t) * layout.bufferWords;
}

AnyLengthResult FindCrcRanges(std::span<const std::uint8_t> extract, const AnyLengthRequest& request,
                              const WindowPoll& poll, const RangeHit& onHit) {
    const Grid grid = GridOf(extract.size(), request);
    AnyLengthResult result;
    result.bytesNeeded = AnyLengthBytesNeeded(extract.size(), request);
    if (grid.startCount == 0) return result;
    if (request.memoryLimit != 0 && result.bytesNeeded > request.memoryLimit) {
        result.outcome = AnyLengthOutcome::TooLarge;
        return result;
    }
    if (crc_algebra::CarrylessMultiplier::Available()) {
        result = SearchWith(extract, grid, request.target, crc_algebra::CarrylessMultiplier{}, poll, onHit);
    } else {
        result = SearchWith(extract, grid, request.target, crc_algebra::PortableMultiplier{}, poll, onHit);
    }
    result.bytesNeeded = AnyLengthBytesNeeded(extract.size(), request);
    return result;
}

AnyLengthResult FindCrcRangesNaive(std::span<const std::uint8_t> extract, const AnyLengthRequest& request,
                                   const WindowPoll& poll, const RangeHit& onHit) {
    const Grid grid = GridOf(extract.size(), request);
    AnyLengthResult result;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> hits;  // (end, start), to be told in that order
    for (std::uint64_t a = 0; a < grid.startCount; ++a) {
        std::uint32_t crc = 0;
        for (std::uint64_t b = a + 1; b <= grid.lastOffset && b - a <= grid.maxSteps; ++b) {
            crc = Crc32Bytewise(extract.subspan((b - 1) * grid.step, grid.step), crc);
            if (b - a >= grid.minSteps && crc == request.target) {
                hits.emplace_back(static_cast<std::uint32_t>(b * grid.step), static_cast<std::uint32_t>(a * grid.step));
            }
        }
        if (poll(a + 1, grid.startCount)) {
            result.outcome = AnyLengthOutcome::Broken;
            return result;
        }
    }
    std::sort(hits.begin(), hits.end());
    for (const auto& [end, start] : hits) {
        ++result.hits;
        if (!onHit(start, end)) {
            result.outcome = AnyLengthOutcome::Broken;
            break;
        }
    }
    return result;
}

}  // namespace vesperine
