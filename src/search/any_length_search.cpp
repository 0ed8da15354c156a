// The any-length CRC search: prefix CRCs normalised to offset 0, matched by a partitioned hash join.
#include "search/any_length_search.h"

#include <algorithm>
#include <bit>
#include <new>
#include <utility>
#include <vector>

#include "analysis/crc32.h"
#include "search/carryless_multiply.h"
#include "search/crc_algebra.h"

namespace vesperine {
namespace {

using crc_algebra::FixedMultiplier;
using crc_algebra::InverseShiftOperator;

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
  a hash table (open addressing, linear probing, two thirds full at most). A second pass walks
  the ends, running X z = X x^(-8o) the same way, and looks each E(b) up. Every entry on the
  probe path whose key equals E(b) is a range with the target CRC; those whose length lies in
  the bounds are hits. Entries of one key lie on its path in the order they were filed, that is
  by ascending start. The table is far larger than the caches, so each pass asks the memory for
  the slot a few offsets ahead before it needs it.

  An empty range (a = b) has CRC 0; it is never reported, so a target of 00000000 finds only
  ranges of at least one byte.
*/

constexpr std::uint64_t kOffsetsPerPoll = 65536;
constexpr std::size_t kShortRun = 16;  // below this the byte-wise table beats the library's call
// Starts per partition that the partition count aims at: its table then fits the L2 cache.
constexpr std::uint64_t kStartsPerPartition = 16384;

[[nodiscard]] std::uint32_t ContinueCrc(std::uint32_t crc, std::span<const std::uint8_t> bytes) {
    return bytes.size() < kShortRun ? Crc32Bytewise(bytes, crc) : Crc32(bytes, crc);
}

// The grid and the bounds in steps: offsets k * step for k = 0 .. lastOffset; lengths from
// minSteps to maxSteps steps; starts k = 0 .. starts - 1, ends k = minSteps .. lastOffset.
struct Grid {
    std::uint64_t step = 1;
    std::uint64_t lastOffset = 0;
    std::uint64_t minSteps = 1;
    std::uint64_t maxSteps = 0;
    std::uint64_t starts = 0;  // as many as ends; 0: no range fits the bounds
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

// A partition's join costs about as much as this many offsets of a walk, for the poll's count.
constexpr std::uint64_t kTicksPerPartition = 64;

// Entries of the join table: twice a partition's starts, rounded up to a power of two, for
// partitions up to twice the aim (larger ones, rare, enlarge it).
[[nodiscard]] std::uint64_t JoinTableEntries(std::uint64_t starts) {
    return std::bit_ceil(std::max<std::uint64_t>(16, 2 * std::min(starts, 2 * kStartsPerPartition)));
}

[[nodiscard]] int PartitionBitsFor(std::uint64_t starts) {
    return static_cast<int>(std::bit_width((starts + kStartsPerPartition - 1) / kStartsPerPartition - 1));
}

// Keys are spread well already; the multiplicative hashes keep a crafted file from piling them
// into one partition or one slot. The partition takes the top bits of one, the slot of another.
[[nodiscard]] std::uint32_t PartitionOf(std::uint32_t key, int bits) {
    return bits == 0 ? 0 : (key * 0x9E3779B1u) >> (32 - bits);
}
[[nodiscard]] std::uint32_t SlotOf(std::uint32_t key, int bits) { return (key * 0x85EBCA77u) >> (32 - bits); }

// The poll, asked every kOffsetsPerPoll offsets of a walk.
class PollCounter {
public:
    PollCounter(const WindowPoll& poll, std::uint64_t total) : poll_(poll), total_(total) {}
    [[nodiscard]] bool Tick() { return ++done_ % kOffsetsPerPoll == 0 && poll_(done_, total_); }

private:
    const WindowPoll& poll_;
    std::uint64_t total_;
    std::uint64_t done_ = 0;
};

// Offsets are below 2^31, so this offset marks an empty slot.
constexpr std::uint32_t kEmpty = 0xFFFFFFFF;

struct Entry {
    std::uint32_t key;
    std::uint32_t offset;  // in steps
};

// Calls visit(k, S, E) for k = 0 .. lastOffset in order; false when the poll broke off.
template <typename Multiply, typename Visit>
[[nodiscard]] VESPERINE_CARRYLESS_TARGET bool WalkKeys(std::span<const std::uint8_t> extract, const Grid& grid,
                                                       std::uint32_t target, const Multiply& multiply,
                                                       PollCounter& poll, Visit&& visit) {
    const FixedMultiplier inverseStep(InverseShiftOperator(grid.step));
    std::uint32_t prefixCrc = 0;
    std::uint32_t inverseShift = crc_algebra::kOne;  // x^(-8 k step)
    std::uint32_t shiftedTarget = target;            // X x^(-8 k step)
    for (std::uint64_t k = 0;; ++k) {
        const std::uint32_t startKey = multiply(prefixCrc, inverseShift);
        visit(k, startKey, startKey ^ shiftedTarget);
        if (poll.Tick()) return false;
        if (k == grid.lastOffset) return true;
        prefixCrc = ContinueCrc(prefixCrc, extract.subspan(k * grid.step, grid.step));
        inverseShift = inverseStep(inverseShift);
        shiftedTarget = inverseStep(shiftedTarget);
    }
}

// Starts and ends filed by partition, each partition in ascending order of offset.
struct Partitions {
    int bits = 0;
    std::vector<std::uint32_t> startFirst;  // partition p's starts are [startFirst[p], startFirst[p + 1])
    std::vector<std::uint32_t> endFirst;
    std::vector<Entry> starts;
    std::vector<Entry> ends;
};

template <typename Multiply>
[[nodiscard]] bool FilePartitions(std::span<const std::uint8_t> extract, const Grid& grid, std::uint32_t target,
                                  const Multiply& multiply, PollCounter& poll, Partitions& parts) {
    const int bits = parts.bits;
    const auto count = [&](std::uint64_t k, std::uint32_t s, std::uint32_t e) {
        if (k < grid.starts) ++parts.startFirst[PartitionOf(s, bits) + 1];
        if (k >= grid.minSteps) ++parts.endFirst[PartitionOf(e, bits) + 1];
    };
    if (!WalkKeys(extract, grid, target, multiply, poll, count)) return false;
    for (std::size_t p = 1; p < parts.startFirst.size(); ++p) {
        parts.startFirst[p] += parts.startFirst[p - 1];
        parts.endFirst[p] += parts.endFirst[p - 1];
    }
    // Placing moves each partition's cursor from its first entry to the next one's first.
    const auto place = [&](std::uint64_t k, std::uint32_t s, std::uint32_t e) {
        const auto offset = static_cast<std::uint32_t>(k);
        if (k < grid.starts) parts.starts[parts.startFirst[PartitionOf(s, bits)]++] = {s, offset};
        if (k >= grid.minSteps) parts.ends[parts.endFirst[PartitionOf(e, bits)]++] = {e, offset};
    };
    if (!WalkKeys(extract, grid, target, multiply, poll, place)) return false;
    for (std::size_t p = parts.startFirst.size() - 1; p > 0; --p) {
        parts.startFirst[p] = parts.startFirst[p - 1];
        parts.endFirst[p] = parts.endFirst[p - 1];
    }
    parts.startFirst[0] = parts.endFirst[0] = 0;
    return true;
}

// Matches one partition's ends against its starts through table (linear probing, at most half
// full); adds (end, start) in steps for each hit.
void JoinPartition(std::span<const Entry> starts, std::span<const Entry> ends, const Grid& grid,
                   std::vector<Entry>& table, std::vector<std::pair<std::uint32_t, std::uint32_t>>& hits) {
    if (starts.empty() || ends.empty()) return;
    const int bits = std::max(4, static_cast<int>(std::bit_width(2 * starts.size() - 1)));
    const std::size_t size = std::size_t{1} << bits;
    table.assign(size, Entry{0, kEmpty});
    for (const Entry& start : starts) {
        std::size_t at = SlotOf(start.key, bits);
        while (table[at].offset != kEmpty) at = (at + 1) & (size - 1);
        table[at] = start;
    }
    for (const Entry& end : ends) {
        for (std::size_t at = SlotOf(end.key, bits); table[at].offset != kEmpty; at = (at + 1) & (size - 1)) {
            const Entry start = table[at];
            if (start.key == end.key && start.offset + grid.minSteps <= end.offset &&
                end.offset - start.offset <= grid.maxSteps) {
                hits.emplace_back(end.offset, start.offset);
            }
        }
    }
}

template <typename Multiply>
[[nodiscard]] AnyLengthResult SearchWith(std::span<const std::uint8_t> extract, const Grid& grid, std::uint32_t target,
                                         const Multiply& multiply, const WindowPoll& poll, const RangeHit& onHit) {
    AnyLengthResult result;
    Partitions parts;
    std::vector<Entry> table;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> hits;  // (end, start) in steps
    try {
        parts.bits = PartitionBitsFor(grid.starts);
        parts.startFirst.assign((std::size_t{1} << parts.bits) + 1, 0);
        parts.endFirst.assign((std::size_t{1} << parts.bits) + 1, 0);
        parts.starts.resize(grid.starts);
        parts.ends.resize(grid.starts);
        table.reserve(JoinTableEntries(grid.starts));
    } catch (const std::bad_alloc&) {
        result.outcome = AnyLengthOutcome::OutOfMemory;
        return result;
    }
    PollCounter counter(poll, 2 * (grid.lastOffset + 1) + kTicksPerPartition * (std::uint64_t{1} << parts.bits));
    if (!FilePartitions(extract, grid, target, multiply, counter, parts)) {
        result.outcome = AnyLengthOutcome::Broken;
        return result;
    }
    const std::size_t partitions = parts.startFirst.size() - 1;
    for (std::size_t p = 0; p < partitions; ++p) {
        const std::span<const Entry> starts(parts.starts.data() + parts.startFirst[p],
                                            parts.starts.data() + parts.startFirst[p + 1]);
        const std::span<const Entry> ends(parts.ends.data() + parts.endFirst[p],
                                          parts.ends.data() + parts.endFirst[p + 1]);
        JoinPartition(starts, ends, grid, table, hits);
        for (std::uint64_t tick = 0; tick < kTicksPerPartition; ++tick) {
            if (counter.Tick()) {
                result.outcome = AnyLengthOutcome::Broken;
                return result;
            }
        }
    }
    std::sort(hits.begin(), hits.end());
    for (const auto& [end, start] : hits) {
        ++result.hits;
        // Offsets are below the extract's length, under 2^32.
        if (!onHit(static_cast<std::uint32_t>(start * grid.step), static_cast<std::uint32_t>(end * grid.step))) {
            result.outcome = AnyLengthOutcome::Broken;
            break;
        }
    }
    return result;
}

}  // namespace

std::uint64_t AnyLengthBytesNeeded(std::uint64_t extractLength, const AnyLengthRequest& request) {
    const Grid grid = GridOf(extractLength, request);
    if (grid.starts == 0) return 0;
    const std::uint64_t partitions = std::uint64_t{1} << PartitionBitsFor(grid.starts);
    return 2 * sizeof(Entry) * grid.starts + 2 * sizeof(std::uint32_t) * (partitions + 1) +
           sizeof(Entry) * JoinTableEntries(grid.starts);
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
