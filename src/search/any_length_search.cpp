// The any-length CRC search: prefix CRCs normalised to offset 0, matched through a hash table.
#include "search/any_length_search.h"

#include <algorithm>
#include <bit>
#include <new>
#include <utility>
#include <vector>

#include "analysis/crc32.h"
#include "search/crc_algebra.h"

namespace vesperine {
namespace {

using crc_algebra::FixedMultiplier;
using crc_algebra::InverseShiftOperator;
using crc_algebra::MultModP;

/*
  Why every range with a given CRC is found in one pass.

  Polynomials over GF(2) as in search/crc_algebra.h. With I the initial register (all ones),
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

  So: one pass computes S for every offset on the grid, running Q forward over step bytes and
  z = x^(-8o) by one fixed multiplication per offset, and files the candidate starts by key in
  a hash table (a counting sort into buckets by a hash of the key: three arrays, no pointers).
  A second pass walks the ends, running X z = X x^(-8o) the same way, and looks each E(b) up.
  Every key in the bucket that equals E(b) is a range with the target CRC; those whose length
  lies in the bounds are hits. Keys are 32 bits, so besides those a bucket holds about one
  other key by chance.

  An empty range (a = b) has CRC 0; it is never reported, so a target of 00000000 finds only
  ranges of at least one byte.
*/

constexpr std::uint64_t kOffsetsPerPoll = 65536;
constexpr std::size_t kShortRun = 16;  // below this the byte-wise table beats the library's call

[[nodiscard]] std::uint32_t ContinueCrc(std::uint32_t crc, std::span<const std::uint8_t> bytes) {
    return bytes.size() < kShortRun ? Crc32Bytewise(bytes, crc) : Crc32(bytes, crc);
}

// The grid and the bounds in steps: offsets k * step for k = 0 .. lastOffset; lengths from
// minSteps to maxSteps steps; starts k = 0 .. starts - 1.
struct Grid {
    std::uint64_t step = 1;
    std::uint64_t lastOffset = 0;
    std::uint64_t minSteps = 1;
    std::uint64_t maxSteps = 0;
    std::uint64_t starts = 0;  // 0: no range fits the bounds
};

[[nodiscard]] Grid GridOf(std::uint64_t length, const AnyLengthRequest& request) {
    Grid grid;
    grid.step = std::max<std::uint32_t>(request.step, 1);
    grid.lastOffset = length / grid.step;
    const std::uint64_t minLength = std::max<std::uint32_t>(request.minLength, 1);
    grid.minSteps = (minLength + grid.step - 1) / grid.step;
    grid.maxSteps = request.maxLength / grid.step;
    if (grid.minSteps <= grid.maxSteps && grid.minSteps <= grid.lastOffset) {
        grid.starts = grid.lastOffset - grid.minSteps + 1;
    }
    return grid;
}

// One bucket per start, rounded down to a power of two (at least one).
[[nodiscard]] std::uint64_t BucketsFor(std::uint64_t starts) { return std::bit_floor(std::max<std::uint64_t>(starts, 1)); }

// Keys are spread well already, but a multiplicative hash keeps a crafted file from piling
// them into a few buckets by their top bits.
[[nodiscard]] std::uint32_t BucketOf(std::uint32_t key, int bits) {
    return bits == 0 ? 0 : (key * 0x9E3779B1u) >> (32 - bits);
}

// The poll, asked every kOffsetsPerPoll offsets of either pass.
class PollCounter {
public:
    PollCounter(const WindowPoll& poll, std::uint64_t total) : poll_(poll), total_(total) {}
    [[nodiscard]] bool Tick() { return ++done_ % kOffsetsPerPoll == 0 && poll_(done_, total_); }

private:
    const WindowPoll& poll_;
    std::uint64_t total_;
    std::uint64_t done_ = 0;
};

// The tables: the start key of every offset on the grid, and the starts filed by key.
struct Tables {
    std::vector<std::uint32_t> keys;          // S(k step) for k = 0 .. lastOffset
    std::vector<std::uint32_t> bucketFirst;   // bucket b is [bucketFirst[b], bucketFirst[b + 1])
    std::vector<std::uint32_t> filedKeys;     // the starts' keys, bucket by bucket
    std::vector<std::uint32_t> filedStarts;   // their k, ascending within a bucket
};

// First pass: keys[k] = Q(k step) x^(-8 k step).
[[nodiscard]] bool ComputeStartKeys(std::span<const std::uint8_t> extract, const Grid& grid, Tables& tables,
                                    PollCounter& poll) {
    const FixedMultiplier inverseStep(InverseShiftOperator(grid.step));
    std::uint32_t prefixCrc = 0;
    std::uint32_t inverseShift = crc_algebra::kOne;
    for (std::uint64_t k = 0;; ++k) {
        tables.keys[k] = MultModP(prefixCrc, inverseShift);
        if (poll.Tick()) return false;
        if (k == grid.lastOffset) return true;
        prefixCrc = ContinueCrc(prefixCrc, extract.subspan(k * grid.step, grid.step));
        inverseShift = inverseStep(inverseShift);
    }
}

// Files starts 0 .. starts - 1 by bucket, in ascending order within each bucket.
void FileStarts(const Grid& grid, Tables& tables) {
    const auto buckets = static_cast<std::uint32_t>(tables.bucketFirst.size() - 1);
    const int bits = std::countr_zero(buckets);
    for (std::uint64_t k = 0; k < grid.starts; ++k) ++tables.bucketFirst[BucketOf(tables.keys[k], bits) + 1];
    for (std::uint32_t b = 0; b < buckets; ++b) tables.bucketFirst[b + 1] += tables.bucketFirst[b];
    // Placing moves each bucket's cursor from its first entry to the next bucket's first.
    for (std::uint64_t k = 0; k < grid.starts; ++k) {
        const std::uint32_t at = tables.bucketFirst[BucketOf(tables.keys[k], bits)]++;
        tables.filedKeys[at] = tables.keys[k];
        tables.filedStarts[at] = static_cast<std::uint32_t>(k);
    }
    for (std::uint32_t b = buckets; b > 0; --b) tables.bucketFirst[b] = tables.bucketFirst[b - 1];
    tables.bucketFirst[0] = 0;
}

// Second pass: every end's key looked up among the starts.
[[nodiscard]] AnyLengthResult MatchEnds(const Grid& grid, std::uint32_t target, const Tables& tables,
                                        PollCounter& poll, const RangeHit& onHit) {
    const FixedMultiplier inverseStep(InverseShiftOperator(grid.step));
    const int bits = std::countr_zero(static_cast<std::uint32_t>(tables.bucketFirst.size() - 1));
    AnyLengthResult result;
    std::uint32_t shiftedTarget = target;  // X x^(-8 k step)
    for (std::uint64_t k = 0;; ++k) {
        if (k >= grid.minSteps) {
            const std::uint32_t endKey = tables.keys[k] ^ shiftedTarget;
            const std::uint32_t bucket = BucketOf(endKey, bits);
            const std::uint64_t lastStart = k - grid.minSteps;
            for (std::uint32_t i = tables.bucketFirst[bucket]; i < tables.bucketFirst[bucket + 1]; ++i) {
                const std::uint64_t start = tables.filedStarts[i];
                if (start > lastStart) break;
                if (tables.filedKeys[i] != endKey || k - start > grid.maxSteps) continue;
                ++result.hits;
                // Offsets are below the extract's length, under 2^32.
                if (!onHit(static_cast<std::uint32_t>(start * grid.step), static_cast<std::uint32_t>(k * grid.step))) {
                    result.outcome = AnyLengthOutcome::Broken;
                    return result;
                }
            }
        }
        if (poll.Tick()) {
            result.outcome = AnyLengthOutcome::Broken;
            return result;
        }
        if (k == grid.lastOffset) return result;
        shiftedTarget = inverseStep(shiftedTarget);
    }
}

}  // namespace

std::uint64_t AnyLengthBytesNeeded(std::uint64_t extractLength, const AnyLengthRequest& request) {
    const Grid grid = GridOf(extractLength, request);
    if (grid.starts == 0) return 0;
    const std::uint64_t offsets = grid.lastOffset + 1;
    return 4 * offsets + 8 * grid.starts + 4 * (BucketsFor(grid.starts) + 1);
}

AnyLengthResult FindCrcRanges(std::span<const std::uint8_t> extract, const AnyLengthRequest& request,
                              const WindowPoll& poll, const RangeHit& onHit) {
    const Grid grid = GridOf(extract.size(), request);
    AnyLengthResult result;
    result.bytesNeeded = AnyLengthBytesNeeded(extract.size(), request);
    if (grid.starts == 0) return result;
    if (request.memoryLimit != 0 && result.bytesNeeded > request.memoryLimit) {
        result.outcome = AnyLengthOutcome::TooLarge;
        return result;
    }
    Tables tables;
    try {
        tables.keys.resize(grid.lastOffset + 1);
        tables.bucketFirst.resize(BucketsFor(grid.starts) + 1);
        tables.filedKeys.resize(grid.starts);
        tables.filedStarts.resize(grid.starts);
    } catch (const std::bad_alloc&) {
        result.outcome = AnyLengthOutcome::OutOfMemory;
        return result;
    }
    PollCounter counter(poll, 2 * (grid.lastOffset + 1));
    if (!ComputeStartKeys(extract, grid, tables, counter)) {
        result.outcome = AnyLengthOutcome::Broken;
        return result;
    }
    FileStarts(grid, tables);
    const AnyLengthResult matched = MatchEnds(grid, request.target, tables, counter, onHit);
    result.outcome = matched.outcome;
    result.hits = matched.hits;
    return result;
}

AnyLengthResult FindCrcRangesNaive(std::span<const std::uint8_t> extract, const AnyLengthRequest& request,
                                   const WindowPoll& poll, const RangeHit& onHit) {
    const Grid grid = GridOf(extract.size(), request);
    AnyLengthResult result;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> hits;  // (end, start), to be told in that order
    for (std::uint64_t a = 0; a < grid.starts; ++a) {
        std::uint32_t crc = 0;
        for (std::uint64_t b = a + 1; b <= grid.lastOffset && b - a <= grid.maxSteps; ++b) {
            crc = Crc32Bytewise(extract.subspan((b - 1) * grid.step, grid.step), crc);
            if (b - a >= grid.minSteps && crc == request.target) {
                hits.emplace_back(static_cast<std::uint32_t>(b * grid.step), static_cast<std::uint32_t>(a * grid.step));
            }
        }
        if (poll(a + 1, grid.starts)) {
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
