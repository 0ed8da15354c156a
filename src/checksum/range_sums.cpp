// The range search for sums: prefix sums modulo m, starts grouped by key, a window per group.
#include "checksum/range_sums.h"

#include <algorithm>
#include <array>
#include <bit>
#include <memory>
#include <new>
#include <vector>

namespace vesperine::checksum {
namespace {

/*
  Let P(k) be the total of the first k units modulo m, where m = 2^w for a plain sum and
  m = 2^w - 1 with end-around carry (there 2^w = 1, so the folded sum is the total modulo m).
  The range [a, b) sums to s exactly when P(a) = P(b) - s (mod m): a start's key depends on
  its offset alone, an end's on its own offset and s. So the starts are sorted by key once
  (a counting sort on 16-bit digits: linear, stable, so each key's starts stay in ascending
  order), and the ends walked in ascending order: for end b the matching starts are those of
  key P(b) - s with offset in [b - max, b - min], a window in the key's group that only moves
  forward as b grows. Two cursors per group find it in amortised constant time, count it
  without visiting it, and the hits in it are told one by one while the listener wants them.
  Equal keys are grouped, never probed for, so no input lengthens a lookup.

  With end-around carry a value s of 0 is shown only by an all-zero range (total 0), and
  2^w - 1 by a total that is a nonzero multiple of m; both have key difference 0. For end b,
  the all-zero ranges are exactly those starting at or after z(b), the start of the run of zero
  units ending at b, and they are the last starts of b's own group window.
*/

struct Units {
    std::span<const std::uint8_t> view;
    unsigned bytes = 1;  // per unit
    SumUnit unit = SumUnit::Byte;
    unsigned width = 8;
    std::uint64_t count = 0;

    [[nodiscard]] std::uint32_t At(std::uint64_t i) const { return UnitAt(view, i, unit, width); }
};

[[nodiscard]] Units UnitsOf(std::span<const std::uint8_t> view, const SumKind& kind) {
    Units units{view, UnitBytes(kind.unit, kind.width), kind.unit, kind.width, 0};
    units.count = view.size() / units.bytes;
    return units;
}

// Starts 0 .. n sorted by key; the group of a key is found through its top 16 bits.
struct StartIndex {
    std::vector<std::uint32_t> keys;   // P(k), kept only for 32-bit sums
    std::vector<std::uint32_t> order;  // offsets by ascending key, then offset
    std::vector<std::uint32_t> first;  // first[d]: where keys with top digit d begin; 65537 entries
    int shift = 0;                     // 16 when keys are wider than one digit

    struct Group {
        std::uint32_t begin, end, id;
    };
    [[nodiscard]] Group Find(std::uint32_t key) const {
        const std::uint32_t digit = key >> shift;
        Group group{first[digit], first[digit + 1], key};
        if (shift == 0) return group;
        const auto keyOf = [&](std::uint32_t offset) { return keys[offset]; };
        const auto begin = order.begin() + group.begin;
        const auto end = order.begin() + group.end;
        const auto low =
            std::lower_bound(begin, end, key, [&](std::uint32_t o, std::uint32_t k) { return keyOf(o) < k; });
        const auto high =
            std::upper_bound(low, end, key, [&](std::uint32_t k, std::uint32_t o) { return k < keyOf(o); });
        group.begin = static_cast<std::uint32_t>(low - order.begin());
        group.end = static_cast<std::uint32_t>(high - order.begin());
        group.id = group.begin;
        return group;
    }
};

// One stable counting-sort pass of `from` into `to` by the 16-bit digit at shift.
void SortByDigit(const std::vector<std::uint32_t>& keys, const std::vector<std::uint32_t>& from,
                 std::vector<std::uint32_t>& to, int shift, std::vector<std::uint32_t>& first) {
    first.assign(65537, 0);
    for (const std::uint32_t offset : from) ++first[((keys[offset] >> shift) & 0xFFFF) + 1];
    for (std::size_t d = 1; d < first.size(); ++d) first[d] += first[d - 1];
    std::vector<std::uint32_t> next(first.begin(), first.end() - 1);
    for (const std::uint32_t offset : from) to[next[(keys[offset] >> shift) & 0xFFFF]++] = offset;
}

void BuildIndex(const Units& units, std::uint64_t modulus, unsigned width, StartIndex& index) {
    const std::uint64_t n = units.count;
    index.keys.resize(n + 1);
    std::uint64_t prefix = 0;
    for (std::uint64_t k = 0;; ++k) {
        index.keys[k] = static_cast<std::uint32_t>(prefix);
        if (k == n) break;
        prefix += units.At(k);
        if (prefix >= modulus) prefix -= modulus;
    }
    std::vector<std::uint32_t> offsets(n + 1);
    for (std::uint64_t k = 0; k <= n; ++k) offsets[k] = static_cast<std::uint32_t>(k);
    index.order.resize(n + 1);
    if (width <= 16) {
        SortByDigit(index.keys, offsets, index.order, 0, index.first);
        index.keys = {};
        return;
    }
    SortByDigit(index.keys, offsets, index.order, 0, index.first);
    SortByDigit(index.keys, index.order, offsets, 16, index.first);
    index.order.swap(offsets);
    index.shift = 16;
}

struct Walk {
    const Units& units;
    const StartIndex& index;
    std::uint64_t modulus;
    std::uint64_t minUnits, maxUnits;
    bool endAroundCarry;
    std::uint64_t tellingEnds;  // the last end at which hits are told
};

// The sum value s a form shows as value, at width w: the form undone.
[[nodiscard]] std::uint64_t Unshow(std::uint32_t value, SumForm form, unsigned width) {
    const std::uint64_t mask = (std::uint64_t{1} << width) - 1;
    switch (form) {
        case SumForm::Negated: return (0 - std::uint64_t{value}) & mask;
        case SumForm::Complemented: return ~std::uint64_t{value} & mask;
        case SumForm::Plain: break;
    }
    return value;
}

// One form's walk over the ends; returns the hits, tells them while tell is true.
std::uint64_t WalkEnds(const Walk& walk, std::uint64_t sum, SumForm form, bool& tell, const SumRangeHit& onHit,
                       std::vector<std::uint32_t>& low, std::vector<std::uint32_t>& high) {
    const bool zeroOnly = walk.endAroundCarry && sum == 0;            // only all-zero ranges show 0
    const bool notZero = walk.endAroundCarry && sum == walk.modulus;  // residue 0, but not all zero
    const std::uint64_t residue = sum % walk.modulus;
    const std::uint64_t unitBytes = walk.units.bytes;
    std::fill(low.begin(), low.end(), 0xFFFFFFFF);
    std::uint64_t hits = 0;
    std::uint64_t prefix = 0;
    std::uint64_t zeroRun = 0;  // z(b)
    for (std::uint64_t b = 0; b <= walk.units.count; ++b) {
        if (b > 0) {
            const std::uint32_t u = walk.units.At(b - 1);
            prefix += u;
            if (prefix >= walk.modulus) prefix -= walk.modulus;
            if (u != 0) zeroRun = b;
        }
        if (b < walk.minUnits) continue;
        const bool within = b <= walk.tellingEnds;
        const std::uint64_t lastStart = b - walk.minUnits;
        const std::uint64_t firstStart = b > walk.maxUnits ? b - walk.maxUnits : 0;
        std::uint64_t matches = 0, from = 0;  // told: order[from ..], or the zero starts
        const std::uint64_t zeroFrom = std::max(firstStart, zeroRun);
        const std::uint64_t zeroCount = lastStart >= zeroFrom ? lastStart - zeroFrom + 1 : 0;
        if (zeroOnly) {
            matches = zeroCount;
        } else {
            const auto key =
                static_cast<std::uint32_t>(prefix >= residue ? prefix - residue : prefix + walk.modulus - residue);
            const StartIndex::Group group = walk.index.Find(key);
            if (group.begin == group.end) continue;
            std::uint32_t& lo = low[group.id];
            std::uint32_t& hi = high[group.id];
            if (lo == 0xFFFFFFFF) lo = hi = group.begin;
            while (hi < group.end && walk.index.order[hi] <= lastStart) ++hi;
            while (lo < hi && walk.index.order[lo] < firstStart) ++lo;
            from = lo;
            matches = hi - lo;
            if (notZero) matches -= zeroCount;
        }
        hits += matches;
        for (std::uint64_t i = 0; tell && within && i < matches; ++i) {
            const std::uint64_t a = zeroOnly ? zeroFrom + i : walk.index.order[from + i];
            tell = onHit(a * unitBytes, b * unitBytes, form);
        }
    }
    return hits;
}

/*
  Narrow sums (8 and 16 bits) have at most 65536 keys, so a direct table replaces the sorted
  index and the walk stays in the caches: count[k] holds how many starts in the window
  [b - max, b - min] have key k, kept as b moves by adding the start that enters and removing
  the one that leaves (their prefixes run along behind b). One walk serves the three forms.
  The starts of one key are chained, each to the previous start with its key, so the hits of
  an end are told from the newest start backwards in time proportional to their number. The
  all-zero ranges ending at b are the newest starts of b's own key, [z(b), b - min], so a
  nonzero multiple of m skips them by starting from the link below z(b).
*/

constexpr std::uint32_t kNone = 0xFFFFFFFF;

struct Target {
    std::uint32_t residue;
    bool zeroOnly;  // end-around carry and a sum of 0: all-zero ranges only
    bool notZero;   // end-around carry and a sum of m: residue 0 but not all zero
    SumForm form;
};

struct NarrowTables {
    std::vector<std::uint32_t> count, newest;
    std::unique_ptr<std::uint32_t[]> previous;  // written before read: left uninitialised
    std::vector<std::uint32_t> decoys;          // each decoy's residue in each form
    std::uint64_t sampleMask = 0;               // decoys are counted where (b - min) & sampleMask is 0
    std::uint64_t decoyHits = 0;                // at the sampled ends
};

// The ends at which decoys are counted: one in every 2^k, with at most `most` of them sampled.
[[nodiscard]] std::uint64_t SampleMask(std::uint64_t ends, std::uint64_t most) {
    return std::bit_ceil(std::max<std::uint64_t>(1, (ends + most - 1) / most)) - 1;
}

// Starts in the window whose key matches a decoy at the end with prefix P(b), every decoy.
[[nodiscard]] std::uint64_t DecoysAt(const NarrowTables& t, std::uint32_t prefix, std::uint32_t modulus) {
    std::uint64_t matches = 0;
    for (const std::uint32_t residue : t.decoys) {
        matches += t.count[prefix >= residue ? prefix - residue : prefix + modulus - residue];
    }
    return matches;
}

// Where the walk stands: the end b it is at and what it carries from one end to the next.
struct WalkState {
    std::uint64_t b = 0;
    std::uint32_t prefix = 0, entering = 0, leaving = 0;  // P(b), P(b - min), P(b - max - 1)
    std::uint64_t zeroRun = 0;                            // z(b)
    std::uint64_t hits = 0;
};

// Walks ends from state.b on. Telling, it keeps the chains and tells hits until the listener
// has heard enough, then stops after that end; counting, it only counts to the last end, with
// no branch on the data but for the end-around carry's zero runs.
template <SumUnit Unit, bool Telling>
void WalkNarrow(const Units& units, std::uint32_t modulus, std::uint64_t minUnits, std::uint64_t maxUnits,
                std::span<const Target> targets, NarrowTables& t, bool& tell, const SumRangeHit& onHit,
                WalkState& state, std::uint64_t tellingEnds) {
    const std::uint8_t* view = units.view.data();
    const std::uint64_t n = units.count;
    const auto advance = [modulus](std::uint32_t prefix, std::uint32_t unit) {
        const std::uint32_t next = prefix + unit;
        return next >= modulus ? next - modulus : next;
    };
    std::uint32_t* count = t.count.data();
    WalkState s = state;
    const std::uint64_t last = Telling ? std::min(n, tellingEnds) : n;
    for (; s.b <= last; ++s.b) {
        const std::uint64_t b = s.b;
        if (b > 0) {
            const std::uint32_t u = ReadUnit<Unit, 16>(view, b - 1);
            s.prefix = advance(s.prefix, u);
            if (u != 0) s.zeroRun = b;
        }
        if (b < minUnits) continue;
        const std::uint64_t lastStart = b - minUnits;
        if (lastStart > 0) s.entering = advance(s.entering, ReadUnit<Unit, 16>(view, lastStart - 1));
        ++count[s.entering];
        if constexpr (Telling) {
            t.previous[lastStart] = t.newest[s.entering];
            t.newest[s.entering] = static_cast<std::uint32_t>(lastStart);
        }
        std::uint64_t firstStart = 0;
        if (b > maxUnits) {
            firstStart = b - maxUnits;
            if (firstStart > 1) s.leaving = advance(s.leaving, ReadUnit<Unit, 16>(view, firstStart - 2));
            --count[s.leaving];  // start firstStart - 1 leaves the window
        }
        if (((b - minUnits) & t.sampleMask) == 0) t.decoyHits += DecoysAt(t, s.prefix, modulus);
        const std::uint64_t zeroFrom = std::max(firstStart, s.zeroRun);
        const std::uint64_t zeroCount = lastStart >= zeroFrom ? lastStart - zeroFrom + 1 : 0;
        for (const Target& target : targets) {
            const std::uint32_t key =
                s.prefix >= target.residue ? s.prefix - target.residue : s.prefix + modulus - target.residue;
            const std::uint64_t matches = target.zeroOnly  ? zeroCount
                                          : target.notZero ? count[key] - zeroCount
                                                           : count[key];
            s.hits += matches;
            if constexpr (Telling) {
                if (!tell || matches == 0) continue;
                if (target.zeroOnly) {
                    for (std::uint64_t a = lastStart + 1; tell && a-- > zeroFrom;)
                        tell = onHit(a * units.bytes, b * units.bytes, target.form);
                    continue;
                }
                std::uint32_t a = target.notZero && zeroCount > 0 ? t.previous[zeroFrom] : t.newest[key];
                for (; tell && a != kNone && a >= firstStart; a = t.previous[a]) {
                    tell = onHit(a * units.bytes, b * units.bytes, target.form);
                }
            }
        }
        if constexpr (Telling) {
            if (!tell) {
                ++s.b;
                break;
            }
        }
    }
    state = s;
}

// The counting walk from state.b to the last end, the three forms unrolled. Without end-around
// carry the modulus is a power of two and the keys are masked; with it, the zero runs are kept
// only when a form asks for all-zero ranges or excludes them (Special), and then chosen without
// branches.
template <SumUnit Unit, bool EndAroundCarry, bool Special>
void CountNarrow(const Units& units, std::uint32_t modulus, std::uint64_t minUnits, std::uint64_t maxUnits,
                 std::span<const Target> targets, NarrowTables& t, WalkState& state) {
    const std::uint8_t* view = units.view.data();
    const std::uint64_t n = units.count;
    const std::uint32_t mask = EndAroundCarry ? modulus : modulus - 1;
    const auto wrap = [=](std::uint32_t x) {  // x < 2 modulus
        if constexpr (EndAroundCarry) return x >= modulus ? x - modulus : x;
        return x & mask;
    };
    std::array<std::uint32_t, 3> lift{};  // modulus - residue: the key is wrap(prefix + lift)
    std::array<std::uint64_t, 3> zeroOnly{}, notZero{};
    for (std::size_t i = 0; i < 3; ++i) {
        lift[i] = modulus - targets[i].residue;
        zeroOnly[i] = targets[i].zeroOnly ? ~std::uint64_t{0} : 0;
        notZero[i] = targets[i].notZero ? ~std::uint64_t{0} : 0;
    }
    std::uint32_t* count = t.count.data();
    // Locals, not the state's fields: the stores into count must not look as if they alias them.
    std::uint32_t prefix = state.prefix, entering = state.entering, leaving = state.leaving;
    std::uint64_t zeroRun = state.zeroRun, hits = 0, b = state.b;
    const std::uint64_t sampleMask = t.sampleMask;
    std::uint64_t decoyHits = 0;
    // One end. Steady: past the first max + 1 ends, where every start and window edge exists,
    // so that the loop that does nearly all the work tests none of them.
    const auto atEnd = [&]<bool Steady>(std::uint64_t e) {
        if (Steady || e > 0) {
            const std::uint32_t u = ReadUnit<Unit, 16>(view, e - 1);
            prefix = wrap(prefix + u);
            if constexpr (Special) zeroRun = u != 0 ? e : zeroRun;
        }
        if (!Steady && e < minUnits) return;
        const std::uint64_t lastStart = e - minUnits;
        if (Steady || lastStart > 0) entering = wrap(entering + ReadUnit<Unit, 16>(view, lastStart - 1));
        std::uint64_t firstStart = 0;
        if (Steady || e > maxUnits) {
            firstStart = e - maxUnits;
            if (Steady || firstStart > 1) leaving = wrap(leaving + ReadUnit<Unit, 16>(view, firstStart - 2));
            // A start entering with the key of the one leaving changes no count. Skipped, a blank
            // view (one key throughout) no longer chains every end through one counter in memory.
            if (entering != leaving) {
                ++count[entering];
                --count[leaving];
            }
        } else {
            ++count[entering];
        }
        if ((lastStart & sampleMask) == 0) decoyHits += DecoysAt(t, prefix, modulus);
        if constexpr (Special) {
            // A form asking for all-zero ranges looks nothing up: with a value of 0, two of the
            // three forms. The tests are the same at every end, so they cost no mispredictions.
            const std::uint64_t c0 = zeroOnly[0] ? 0 : count[wrap(prefix + lift[0])];
            const std::uint64_t c1 = zeroOnly[1] ? 0 : count[wrap(prefix + lift[1])];
            const std::uint64_t c2 = zeroOnly[2] ? 0 : count[wrap(prefix + lift[2])];
            const std::uint64_t zeroFrom = std::max(firstStart, zeroRun);
            const std::uint64_t zeros = lastStart >= zeroFrom ? lastStart - zeroFrom + 1 : 0;
            hits += ((zeros & zeroOnly[0]) | ((c0 - (zeros & notZero[0])) & ~zeroOnly[0])) +
                    ((zeros & zeroOnly[1]) | ((c1 - (zeros & notZero[1])) & ~zeroOnly[1])) +
                    ((zeros & zeroOnly[2]) | ((c2 - (zeros & notZero[2])) & ~zeroOnly[2]));
        } else {
            hits += count[wrap(prefix + lift[0])] + count[wrap(prefix + lift[1])] + count[wrap(prefix + lift[2])];
        }
    };
    for (const std::uint64_t ramp = std::min(n, maxUnits + 1); b <= ramp; ++b) atEnd.template operator()<false>(b);
    for (; b <= n; ++b) atEnd.template operator()<true>(b);
    t.decoyHits += decoyHits;
    state = {b, prefix, entering, leaving, zeroRun, state.hits + hits};
}

template <SumUnit Unit>
std::uint64_t WalkNarrow(const Units& units, std::uint32_t modulus, std::uint64_t minUnits, std::uint64_t maxUnits,
                         std::span<const Target> targets, NarrowTables& t, const SumRangeHit& onHit, bool eac,
                         std::uint64_t tellingEnds) {
    bool tell = true;
    WalkState state;
    WalkNarrow<Unit, true>(units, modulus, minUnits, maxUnits, targets, t, tell, onHit, state, tellingEnds);
    const bool special =
        std::any_of(targets.begin(), targets.end(), [](const Target& x) { return x.zeroOnly || x.notZero; });
    if (special) {
        CountNarrow<Unit, true, true>(units, modulus, minUnits, maxUnits, targets, t, state);
    } else if (eac) {
        CountNarrow<Unit, true, false>(units, modulus, minUnits, maxUnits, targets, t, state);
    } else {
        CountNarrow<Unit, false, false>(units, modulus, minUnits, maxUnits, targets, t, state);
    }
    return state.hits;
}

[[nodiscard]] RangeSumResult FindNarrow(const Units& units, const RangeSumRequest& request, std::uint64_t minUnits,
                                        std::uint64_t maxUnits, std::uint64_t tellingEnds, const SumRangeHit& onHit) {
    RangeSumResult result;
    const SumKind& kind = request.kind;
    const std::uint32_t mask = (std::uint32_t{1} << kind.width) - 1;
    const std::uint32_t modulus = kind.endAroundCarry ? mask : mask + 1;
    NarrowTables tables;
    try {
        tables.count.assign(modulus, 0);
        tables.newest.assign(modulus, kNone);
        tables.previous.reset(new std::uint32_t[std::min(units.count, tellingEnds) + 1]);
    } catch (const std::bad_alloc&) {
        result.outOfMemory = true;
        return result;
    }
    std::vector<Target> targets;
    for (const SumForm form : {SumForm::Plain, SumForm::Negated, SumForm::Complemented}) {
        const std::uint64_t sum = Unshow(request.value, form, kind.width);
        targets.push_back({static_cast<std::uint32_t>(sum % modulus), kind.endAroundCarry && sum == 0,
                           kind.endAroundCarry && sum == modulus, form});
        for (const std::uint32_t decoy : request.decoys) {
            tables.decoys.push_back(static_cast<std::uint32_t>(Unshow(decoy, form, kind.width) % modulus));
        }
    }
    tables.sampleMask = SampleMask(units.count - minUnits + 1, std::uint64_t{1} << 16);
    switch (kind.unit) {
        case SumUnit::Byte:
            result.hits = WalkNarrow<SumUnit::Byte>(units, modulus, minUnits, maxUnits, targets, tables, onHit,
                                                    kind.endAroundCarry, tellingEnds);
            break;
        case SumUnit::WordLe:
            result.hits = WalkNarrow<SumUnit::WordLe>(units, modulus, minUnits, maxUnits, targets, tables, onHit,
                                                      kind.endAroundCarry, tellingEnds);
            break;
        case SumUnit::WordBe:
            result.hits = WalkNarrow<SumUnit::WordBe>(units, modulus, minUnits, maxUnits, targets, tables, onHit,
                                                      kind.endAroundCarry, tellingEnds);
            break;
    }
    result.decoyHits = static_cast<double>(tables.decoyHits) * static_cast<double>(tables.sampleMask + 1);
    return result;
}

// Decoy matches of 32-bit sums at a sample of the ends, each found by binary search: a key's
// starts are in ascending order, so those in an end's window are one stretch of its group.
[[nodiscard]] double CountDecoysWide(const Units& units, const StartIndex& index, std::uint64_t modulus,
                                     std::uint64_t minUnits, std::uint64_t maxUnits,
                                     const std::vector<std::uint32_t>& decoys) {
    if (decoys.empty()) return 0;
    std::vector<std::uint32_t> residues;
    for (const std::uint32_t decoy : decoys) {
        for (const SumForm form : {SumForm::Plain, SumForm::Negated, SumForm::Complemented}) {
            residues.push_back(static_cast<std::uint32_t>(Unshow(decoy, form, 32) % modulus));
        }
    }
    const std::uint64_t step = SampleMask(units.count - minUnits + 1, std::uint64_t{1} << 16) + 1;
    std::uint64_t matches = 0;
    for (std::uint64_t b = minUnits; b <= units.count; b += step) {
        const std::uint64_t prefix = index.keys[b];
        const std::uint64_t firstStart = b > maxUnits ? b - maxUnits : 0;
        const std::uint64_t lastStart = b - minUnits;
        for (const std::uint64_t residue : residues) {
            const auto key =
                static_cast<std::uint32_t>(prefix >= residue ? prefix - residue : prefix + modulus - residue);
            const StartIndex::Group group = index.Find(key);
            const auto begin = index.order.begin() + group.begin;
            const auto end = index.order.begin() + group.end;
            const auto low = std::lower_bound(begin, end, firstStart);
            matches += static_cast<std::uint64_t>(std::upper_bound(low, end, lastStart) - low);
        }
    }
    return static_cast<double>(matches) * static_cast<double>(step);
}

}  // namespace

std::uint64_t RangeSumBytesNeeded(std::uint64_t viewLength, const SumKind& kind, std::uint64_t tellingLimit) {
    const std::uint64_t unitBytes = kind.unit == SumUnit::Byte ? 1 : kind.width / 8;
    const std::uint64_t units = viewLength / unitBytes + 1;
    if (kind.width <= 16) return 4 * std::min(units, tellingLimit / unitBytes + 1) + 2 * 65536 * 4;
    return 16 * units + 65537 * 4;
}

std::uint64_t RangeCount(std::uint64_t viewLength, const RangeSumRequest& request) {
    const std::uint64_t unitBytes = request.kind.unit == SumUnit::Byte ? 1 : request.kind.width / 8;
    const std::uint64_t n = viewLength / unitBytes;
    const std::uint64_t lo = std::max<std::uint64_t>(1, (request.minLength + unitBytes - 1) / unitBytes);
    const std::uint64_t hi = std::min(n, request.maxLength / unitBytes);
    if (lo > hi) return 0;
    // Sum over L = lo .. hi of (n - L + 1).
    const std::uint64_t terms = hi - lo + 1;
    return terms * (n + 1) - (lo + hi) * terms / 2;
}

RangeSumResult FindSumRanges(std::span<const std::uint8_t> view, const RangeSumRequest& request,
                             const SumRangeHit& onHit) {
    RangeSumResult result;
    const SumKind& kind = request.kind;
    const Units units = UnitsOf(view, kind);
    const std::uint64_t unitBytes = units.bytes;
    const std::uint64_t minUnits = std::max<std::uint64_t>(1, (request.minLength + unitBytes - 1) / unitBytes);
    // No range is longer than the view; bounded so, max + 1 cannot wrap (no --max is 2^64 - 1),
    // and every start a window leaves behind lies in the view.
    const std::uint64_t maxUnits = std::min(request.maxLength / unitBytes, units.count);
    if (minUnits > maxUnits || minUnits > units.count) return result;
    const std::uint64_t tellingEnds = request.tellingLimit / unitBytes;
    if (kind.width <= 16) return FindNarrow(units, request, minUnits, maxUnits, tellingEnds, onHit);
    const std::uint64_t mask = (std::uint64_t{1} << kind.width) - 1;
    const std::uint64_t modulus = kind.endAroundCarry ? mask : mask + 1;
    StartIndex index;
    std::vector<std::uint32_t> low, high;  // each group's window, by group id
    try {
        BuildIndex(units, modulus, kind.width, index);
        low.resize(units.count + 1);
        high.resize(units.count + 1);
    } catch (const std::bad_alloc&) {
        result.outOfMemory = true;
        return result;
    }
    const Walk walk{units, index, modulus, minUnits, maxUnits, kind.endAroundCarry, tellingEnds};
    bool tell = true;
    for (const SumForm form : {SumForm::Plain, SumForm::Negated, SumForm::Complemented}) {
        result.hits += WalkEnds(walk, Unshow(request.value, form, kind.width), form, tell, onHit, low, high);
    }
    result.decoyHits = CountDecoysWide(units, index, modulus, minUnits, maxUnits, request.decoys);
    return result;
}

}  // namespace vesperine::checksum
