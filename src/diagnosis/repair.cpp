// CRC repair: every bit's effect on the CRC-32 from one backward pass, pairs through a hash table.
#include "diagnosis/repair.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "base/byte_buffer.h"
#include "base/crc32.h"
#include "base/crc_algebra.h"

namespace vesperine::diagnosis {
namespace {

/*
  What flipping one bit does to the CRC-32.

  Read the n bytes as the polynomial M of base/crc_algebra.h, so that C(M) = (I x^(8n) +
  M x^32) mod P + F. Flipping bits adds an error polynomial E of the same length, and as the
  I and F terms depend only on the length,

      C(M + E) = C(M) + (E x^32 mod P).

  The reflected CRC feeds each byte least significant bit first, so bit j of byte i is stream
  bit 8i + j, and the number of stream bits after it is d = 8(n - 1 - i) + (7 - j). Its term
  in M is x^d, and flipping it adds

      e(d) = x^(d + 32) mod P

  to the CRC: a function of its distance d from the end alone. e(0) = x^32 mod P is P without
  its top term, the reflected constant kPolynomial, and e(d + 1) = x e(d) is one step of
  the register. So one pass backward from the last byte's bit 7 (d = 0) to the first byte's
  bit 0 (d = 8n - 1) lists all 8n effects, each in a shift and an XOR.

  With S = C(M) + expected (the syndrome), a single bit d repairs the dump when e(d) = S, and
  two bits d1 < d2 when e(d1) + e(d2) = S, that is when S + e(d2) is an effect already seen.
  Keeping the effects seen in a hash table from effect to d, the pass looks each S + e(d) up
  before it adds e(d): every pair is found once, at its member nearer the start, in expected
  constant time per bit. The powers of x repeat only after 2^32 - 1 steps, far beyond any
  dump's bits, so the effects are distinct and each lookup finds at most one d; the table is
  written to keep any repeat anyway.
*/

constexpr std::uint32_t kEmptySlot = 0xFFFFFFFFu;  // d is below 2^26 whenever a table is made

struct Slot {
    std::uint32_t effect = 0;
    std::uint32_t d = kEmptySlot;
};

[[nodiscard]] std::uint64_t PairSlots(std::uint64_t length) {
    return std::bit_ceil(std::max<std::uint64_t>(16 * length, 16));
}

[[nodiscard]] BitPosition PositionOf(std::uint64_t d, std::uint64_t length) {
    return {length - 1 - d / 8, static_cast<unsigned>(7 - d % 8)};
}

// Linear probing from a multiplicative hash of the effect (the effects are spread evenly
// already; the multiplication mixes in the high bits the index would otherwise not see).
class EffectTable {
public:
    // The slots lie in a ByteBuffer, whose huge pages spare most of the address translations the
    // scattered lookups would otherwise miss; all bytes 0xFF is every slot's d kEmptySlot.
    explicit EffectTable(std::uint64_t slots)
        : block_(slots * sizeof(Slot)),
          slots_(reinterpret_cast<Slot*>(block_.data())),
          mask_(slots - 1),
          shift_(64 - static_cast<unsigned>(std::countr_zero(slots))) {
        std::memset(block_.data(), 0xFF, block_.size());
    }

    [[nodiscard]] std::uint64_t Home(std::uint32_t effect) const { return (effect * 0x9E3779B97F4A7C15ull) >> shift_; }

    void Prefetch([[maybe_unused]] std::uint32_t effect) const {
#if defined(__GNUC__)
        __builtin_prefetch(&slots_[Home(effect)]);
#endif
    }

    void Insert(std::uint32_t effect, std::uint32_t d) {
        std::uint64_t i = Home(effect);
        while (slots_[i].d != kEmptySlot) i = (i + 1) & mask_;
        slots_[i] = {effect, d};
    }

    template <typename Found>
    void ForEach(std::uint32_t effect, Found&& found) const {
        for (std::uint64_t i = Home(effect); slots_[i].d != kEmptySlot; i = (i + 1) & mask_) {
            if (slots_[i].effect == effect) found(slots_[i].d);
        }
    }

private:
    ByteBuffer block_;
    Slot* slots_;
    std::uint64_t mask_;
    unsigned shift_;
};

// Counts every candidate and keeps every single and the last keepPairs pairs found. The pass
// runs from the end of the dump backward and finds each pair at its member nearer the start,
// so the pairs come in descending order of that member: the last found are the first in offset
// order. The pairs are kept in a ring, the oldest overwritten.
struct Collector {
    RepairResult& result;
    std::uint64_t length;
    std::size_t keepPairs;
    std::vector<FlipCandidate> singles{};
    std::vector<FlipCandidate> pairs{};
    std::size_t oldestPair = 0;

    void Single(std::uint64_t d) {
        ++result.singles;
        singles.push_back({{PositionOf(d, length)}});
    }
    void Pair(std::uint64_t nearStart, std::uint64_t nearEnd) {
        ++result.pairs;
        if (keepPairs == 0) return;
        FlipCandidate pair{{PositionOf(nearStart, length), PositionOf(nearEnd, length)}};
        if (pairs.size() < keepPairs) {
            pairs.push_back(std::move(pair));
        } else {
            pairs[oldestPair] = std::move(pair);
            oldestPair = (oldestPair + 1) % keepPairs;
        }
    }
    // Singles, then pairs, each in offset order.
    void Finish() {
        std::sort(singles.begin(), singles.end(), InOffsetOrder);
        std::sort(pairs.begin(), pairs.end(), InOffsetOrder);
        result.candidates = std::move(singles);
        result.candidates.insert(result.candidates.end(), pairs.begin(), pairs.end());
    }

    [[nodiscard]] static bool InOffsetOrder(const FlipCandidate& a, const FlipCandidate& b) {
        for (std::size_t k = 0; k < a.bits.size() && k < b.bits.size(); ++k) {
            if (a.bits[k].offset != b.bits[k].offset) return a.bits[k].offset < b.bits[k].offset;
            if (a.bits[k].bit != b.bits[k].bit) return a.bits[k].bit < b.bits[k].bit;
        }
        return a.bits.size() < b.bits.size();
    }
};

constexpr std::uint64_t kBitsPerPoll = 65536;

[[nodiscard]] bool Polled(const RepairPoll& poll, std::uint64_t done, std::uint64_t total) {
    return done % kBitsPerPoll == 0 && poll && poll(done, total);
}

// False when the poll broke off.
[[nodiscard]] bool FindSingles(std::uint64_t bits, std::uint32_t syndrome, const RepairPoll& poll, Collector& collect) {
    std::uint32_t effect = crc_algebra::kPolynomial;
    for (std::uint64_t d = 0; d < bits; ++d, effect = crc_algebra::MultiplyByX(effect)) {
        if (effect == syndrome) collect.Single(d);
        if (Polled(poll, d + 1, bits)) return false;
    }
    return true;
}

// Singles and pairs in one pass; false when the poll broke off. The table's lookups are
// scattered over memory, so each effect is computed kAhead bits before its turn and its slots
// fetched while the bits between are worked through.
[[nodiscard]] bool FindSinglesAndPairs(std::uint64_t bits, std::uint32_t syndrome, std::uint64_t slots,
                                       const RepairPoll& poll, Collector& collect) {
    EffectTable table(slots);
    constexpr std::uint64_t kAhead = 32;  // a power of two: d % kAhead is a mask
    std::uint32_t effects[kAhead];
    std::uint32_t effect = crc_algebra::kPolynomial;
    for (std::uint64_t k = 0; k < kAhead; ++k, effect = crc_algebra::MultiplyByX(effect)) {
        effects[k] = effect;
        table.Prefetch(effect ^ syndrome);
        table.Prefetch(effect);
    }
    for (std::uint64_t d = 0; d < bits; ++d, effect = crc_algebra::MultiplyByX(effect)) {
        const std::uint32_t now = effects[d % kAhead];
        if (now == syndrome) collect.Single(d);
        table.ForEach(now ^ syndrome, [&](std::uint32_t earlier) { collect.Pair(d, earlier); });
        table.Insert(now, static_cast<std::uint32_t>(d));
        effects[d % kAhead] = effect;
        table.Prefetch(effect ^ syndrome);
        table.Prefetch(effect);
        if (Polled(poll, d + 1, bits)) return false;
    }
    return true;
}

}  // namespace

std::uint64_t PairTableBytes(std::uint64_t length) { return PairSlots(length) * sizeof(Slot); }

RepairResult FindBitRepairs(std::span<const std::uint8_t> bytes, std::uint32_t expected, unsigned maxBits,
                            std::size_t keepPairs, const RepairPoll& poll) {
    RepairResult result;
    result.crc = Crc32(bytes);
    const std::uint32_t syndrome = result.crc ^ expected;
    if (syndrome == 0) {
        result.outcome = RepairOutcome::AlreadyMatches;
        return result;
    }
    const std::uint64_t bits = std::uint64_t{8} * bytes.size();
    Collector collect{result, bytes.size(), keepPairs};
    bool finished = true;
    if (maxBits >= 2) {
        result.tableBytes = PairTableBytes(bytes.size());
        if (result.tableBytes > kPairTableLimit) {
            result.outcome = RepairOutcome::TooLarge;
            return result;
        }
        finished = FindSinglesAndPairs(bits, syndrome, PairSlots(bytes.size()), poll, collect);
    } else {
        finished = FindSingles(bits, syndrome, poll, collect);
    }
    collect.Finish();
    if (!finished) {
        result.outcome = RepairOutcome::Broken;
        return result;
    }
    const std::uint64_t fewest = result.singles != 0 ? result.singles : result.pairs;
    result.outcome = fewest == 0   ? RepairOutcome::NoCandidate
                     : fewest == 1 ? RepairOutcome::Unique
                                   : RepairOutcome::Ambiguous;
    return result;
}

std::vector<std::uint8_t> ApplyFlips(std::span<const std::uint8_t> bytes, const FlipCandidate& candidate) {
    std::vector<std::uint8_t> out(bytes.begin(), bytes.end());
    for (const BitPosition& position : candidate.bits) {
        out[position.offset] = static_cast<std::uint8_t>(out[position.offset] ^ (1u << position.bit));
    }
    return out;
}

}  // namespace vesperine::diagnosis
