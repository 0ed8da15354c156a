// Aligned block sums: leaves of a stretch summed, then halved level by level, then a binary counter.
#include "checksum/aligned_sums.h"

#include <algorithm>
#include <array>
#include <bit>
#include <memory>
#include <vector>

namespace vesperine::checksum {
namespace {

/*
  A block's sum is kept as shown before the form: with a plain sum its total modulo 2^w, in
  [0, 2^w - 1]; with end-around carry the ones' complement sum, in [0, m] with m = 2^w - 1,
  which is 0 only for an all-zero block and m for a nonzero multiple of m. Both combine the same
  way: s = a + b, less the modulus when s exceeds 2^w - 1 (a unit is itself such a sum). A form's
  value asks for exactly one such shown sum, so matching is three comparisons.

  The view is cut into stretches of kLeaves leaves of base = bit_ceil(minUnits) units. Within a
  stretch the leaf sums are halved in place level by level (lengths base, 2 base, ...); a level
  is first tested for any match at all, which vectorises, and only then searched, its hits
  sorted into the order told. Whole stretches then enter a binary counter for the longer
  lengths, which end at a stretch's end and so come after the stretch's own hits. Once the
  listener has heard enough, a level is only counted (also vectorised), never collected.

  Decoys are counted level by level in one stretch of every `stride` (all of them up to 64
  stretches), the count scaled by stride: an unbiased estimate that costs at most 64
  stretches' worth of comparisons whatever the view's length.
*/

constexpr std::uint64_t kLeaves = 1024;

template <typename Reg>
struct Arithmetic {
    Reg mask;     // 2^w - 1
    Reg modulus;  // 2^w, or 2^w - 1 with end-around carry
    bool endAroundCarry;

    [[nodiscard]] Reg Add(Reg a, Reg b) const {
        const Reg s = static_cast<Reg>(a + b);
        if (mask == static_cast<Reg>(~Reg{0})) return AddExact(a, b);
        return s > mask ? static_cast<Reg>(s - modulus) : s;
    }
    // The same where the register is exactly as wide as the sum (16-bit sums in 16-bit lanes,
    // twice as many to a vector): the register's own wrap is the plain sum's, and with end-around
    // carry the carry out of the register is added back.
    [[nodiscard]] Reg AddExact(Reg a, Reg b) const {
        const Reg s = static_cast<Reg>(a + b);
        return static_cast<Reg>(s + (static_cast<Reg>(endAroundCarry) & static_cast<Reg>(s < a)));
    }
    [[nodiscard]] Reg OfTotal(std::uint64_t total) const {
        if (!endAroundCarry) return static_cast<Reg>(total & mask);
        return static_cast<Reg>(total == 0 ? 0 : (total - 1) % mask + 1);
    }
};

struct Found {
    std::uint64_t end, length;
    unsigned form;
};

constexpr SumForm kForms[] = {SumForm::Plain, SumForm::Negated, SumForm::Complemented};

template <typename Reg, SumUnit Unit, unsigned Width>
class Scan {
public:
    Scan(std::span<const std::uint8_t> view, const Arithmetic<Reg>& arithmetic, const std::array<Reg, 3>& wanted,
         std::vector<Reg> decoys, std::uint64_t base, std::uint64_t maxUnits, const AlignedSumHit& onHit)
        : view_(view.data()),
          a_(arithmetic),
          wanted_(wanted),
          decoys_(std::move(decoys)),
          base_(base),
          max_(maxUnits),
          onHit_(onHit) {}
    Scan(const Scan&) = delete;  // its level pointers point into itself
    Scan& operator=(const Scan&) = delete;

    AlignedSumResult Run(std::uint64_t units) {
        const std::uint64_t leaves = units / base_;
        const std::uint64_t stretch = base_ * kLeaves;
        const std::uint64_t stretches = (leaves + kLeaves - 1) / kLeaves;
        const std::uint64_t stride = std::bit_ceil(std::max<std::uint64_t>(1, (stretches + 63) / 64));
        for (std::uint64_t first = 0; first < leaves; first += kLeaves) {
            const std::uint64_t count = std::min(kLeaves, leaves - first);
            const std::uint64_t index = first / kLeaves;
            FillLeaves(first, count);
            if (!Levels(first * base_, count, index % stride == 0) || count < kLeaves) continue;
            Reg sum = level_[0];  // the stretch's whole sum, which Levels leaves first
            std::uint64_t length = stretch;
            for (unsigned bit = 0; (index >> bit) & 1; ++bit) {
                sum = a_.Add(sum, pending_[bit]);
                length *= 2;
                if (length <= max_) Tell(sum, (index + 1) * stretch - length, length);
            }
            pending_[static_cast<unsigned>(std::countr_one(index))] = sum;
        }
        return {hits_, decoyExact_ + static_cast<double>(decoySampled_) * static_cast<double>(stride)};
    }

private:
    void FillLeaves(std::uint64_t first, std::uint64_t count) {
        Reg* level = level_;  // locals throughout: the stores must not seem to alias the members
        const std::uint8_t* view = view_;
        if (base_ == 1) {
            for (std::uint64_t i = 0; i < count; ++i)
                level[i] = static_cast<Reg>(ReadUnit<Unit, Width>(view, first + i));
            return;
        }
        const std::uint64_t base = base_;
        for (std::uint64_t i = 0; i < count; ++i) {
            std::uint64_t total = 0;
            const std::uint64_t from = (first + i) * base;
            for (std::uint64_t u = from; u < from + base; ++u) total += ReadUnit<Unit, Width>(view, u);
            level[i] = a_.OfTotal(total);
        }
    }

    // Halves level n into n / 2 sums of pairs in pairs_, and counts those that match: one pass
    // per level for both. Through a second buffer: halved in place, the writes seem to overlap
    // the reads and the loop is not vectorised.
    [[nodiscard]] std::uint64_t HalveAndCount(std::uint64_t n) {
        const Reg* __restrict level = level_;
        Reg* __restrict pairs = pairs_;
        const Reg mask = a_.mask, modulus = a_.modulus;
        const Reg w0 = wanted_[0], w1 = wanted_[1], w2 = wanted_[2];
        Reg matches = 0;  // at most 3 kLeaves / 2: in the lanes' own width, which vectorises best
        const auto match = [&](Reg x) {
            return static_cast<Reg>(static_cast<Reg>(x == w0) + static_cast<Reg>(x == w1) + static_cast<Reg>(x == w2));
        };
        if constexpr (sizeof(Reg) * 8 == Width) {
            const auto carry = static_cast<Reg>(a_.endAroundCarry);
            for (std::uint64_t i = 0; i < n / 2; ++i) {
                const Reg x = level[2 * i];
                const auto s = static_cast<Reg>(x + level[2 * i + 1]);
                const auto sum = static_cast<Reg>(s + (carry & static_cast<Reg>(s < x)));
                pairs[i] = sum;
                matches = static_cast<Reg>(matches + match(sum));
            }
        } else {
            for (std::uint64_t i = 0; i < n / 2; ++i) {
                const Reg s = static_cast<Reg>(level[2 * i] + level[2 * i + 1]);
                const Reg sum = s > mask ? static_cast<Reg>(s - modulus) : s;
                pairs[i] = sum;
                matches = static_cast<Reg>(matches + match(sum));
            }
        }
        return matches;
    }

    // Tests and halves the levels of one stretch; true when its whole sum is in level_[0] and
    // longer blocks are still in the bounds.
    bool Levels(std::uint64_t start, std::uint64_t count, bool sampled) {
        found_.clear();
        std::uint64_t length = base_;
        std::uint64_t matches = CountMatches(count);
        for (std::uint64_t n = count;; n /= 2, length *= 2) {
            if (length > max_) break;
            if (!tell_ || matches == 0) {
                hits_ += matches;
            } else {
                Collect(start, n, length);
            }
            if (sampled) decoySampled_ += CountDecoys(n);
            if (n <= 1) break;
            matches = HalveAndCount(n);
            std::swap(level_, pairs_);
        }
        if (!found_.empty()) {
            std::sort(found_.begin(), found_.end(), [](const Found& x, const Found& y) {
                return x.end != y.end ? x.end < y.end : x.length != y.length ? x.length < y.length : x.form < y.form;
            });
            for (const Found& f : found_) {
                if (!tell_) break;
                tell_ = onHit_(f.end - f.length, f.length, kForms[f.form]);
            }
        }
        return length <= max_ / 2;
    }

    [[nodiscard]] std::uint64_t CountMatches(std::uint64_t n) const {
        const Reg* level = level_;
        const Reg w0 = wanted_[0], w1 = wanted_[1], w2 = wanted_[2];
        Reg matches = 0;  // at most 3 kLeaves: in the lanes' own width, which vectorises best
        for (std::uint64_t i = 0; i < n; ++i) {
            const Reg s = level[i];
            matches +=
                static_cast<Reg>(static_cast<Reg>(s == w0) + static_cast<Reg>(s == w1) + static_cast<Reg>(s == w2));
        }
        return matches;
    }

    [[nodiscard]] std::uint64_t CountDecoys(std::uint64_t n) const {
        const Reg* level = level_;
        std::uint64_t matches = 0;
        for (const Reg wanted : decoys_) {
            Reg one = 0;  // at most kLeaves
            for (std::uint64_t i = 0; i < n; ++i) one = static_cast<Reg>(one + (level[i] == wanted));
            matches += one;
        }
        return matches;
    }

    void Collect(std::uint64_t start, std::uint64_t n, std::uint64_t length) {
        for (std::uint64_t i = 0; i < n; ++i) {
            for (unsigned f = 0; f < 3; ++f) {
                if (level_[i] == wanted_[f]) {
                    found_.push_back({start + (i + 1) * length, length, f});
                    ++hits_;
                }
            }
        }
    }

    void Tell(Reg sum, std::uint64_t start, std::uint64_t length) {
        for (unsigned f = 0; f < 3; ++f) {
            if (sum != wanted_[f]) continue;
            ++hits_;
            if (tell_) tell_ = onHit_(start, length, kForms[f]);
        }
        for (const Reg wanted : decoys_) decoyExact_ += sum == wanted ? 1 : 0;
    }

    const std::uint8_t* view_;
    Arithmetic<Reg> a_;
    std::array<Reg, 3> wanted_;
    std::vector<Reg> decoys_;  // each decoy's shown sum in each form
    std::uint64_t base_, max_;
    const AlignedSumHit& onHit_;
    std::array<Reg, kLeaves> levelBuffer_{}, pairBuffer_{};
    Reg* level_ = levelBuffer_.data();  // the level at hand
    Reg* pairs_ = pairBuffer_.data();   // the next, then swapped with it
    std::array<Reg, 65> pending_{};
    std::vector<Found> found_;
    bool tell_ = true;
    std::uint64_t hits_ = 0;
    std::uint64_t decoySampled_ = 0;  // in the sampled stretches
    double decoyExact_ = 0;           // in the blocks longer than a stretch, all counted
};

// The shown sum whose form is value: the form undone.
[[nodiscard]] std::uint64_t Undone(std::uint32_t value, SumForm form, std::uint64_t mask) {
    return form == SumForm::Plain     ? value
           : form == SumForm::Negated ? (0 - std::uint64_t{value}) & mask
                                      : ~std::uint64_t{value} & mask;
}

template <typename Reg, unsigned Width>
AlignedSumResult Dispatch(std::span<const std::uint8_t> view, const SumKind& kind, std::uint32_t value,
                          std::uint64_t minUnits, std::uint64_t maxUnits, std::span<const std::uint32_t> decoys,
                          const AlignedSumHit& onHit) {
    const Reg mask = static_cast<Reg>((std::uint64_t{1} << Width) - 1);
    const Arithmetic<Reg> arithmetic{mask, static_cast<Reg>(kind.endAroundCarry ? mask : mask + std::uint64_t{1}),
                                     kind.endAroundCarry};
    std::array<Reg, 3> wanted{};
    for (unsigned f = 0; f < 3; ++f) wanted[f] = static_cast<Reg>(Undone(value, kForms[f], mask));
    std::vector<Reg> shownDecoys;
    for (const std::uint32_t decoy : decoys) {
        for (const SumForm form : kForms) shownDecoys.push_back(static_cast<Reg>(Undone(decoy, form, mask)));
    }
    const std::uint64_t base = std::bit_ceil(minUnits);
    const std::uint64_t units = view.size() / UnitBytes(kind.unit, Width);
    switch (kind.unit) {
        case SumUnit::Byte:
            return std::make_unique<Scan<Reg, SumUnit::Byte, Width>>(view, arithmetic, wanted, shownDecoys, base,
                                                                     maxUnits, onHit)
                ->Run(units);
        case SumUnit::WordLe:
            return std::make_unique<Scan<Reg, SumUnit::WordLe, Width>>(view, arithmetic, wanted, shownDecoys, base,
                                                                       maxUnits, onHit)
                ->Run(units);
        case SumUnit::WordBe:
            return std::make_unique<Scan<Reg, SumUnit::WordBe, Width>>(view, arithmetic, wanted, shownDecoys, base,
                                                                       maxUnits, onHit)
                ->Run(units);
    }
    return {};
}

}  // namespace

AlignedSumResult FindAlignedSums(std::span<const std::uint8_t> view, const SumKind& kind, std::uint32_t value,
                                 std::uint64_t minUnits, std::uint64_t maxUnits, std::span<const std::uint32_t> decoys,
                                 const AlignedSumHit& onHit) {
    if (minUnits == 0 || minUnits > maxUnits) return {};
    switch (kind.width) {
        case 8: return Dispatch<std::uint16_t, 8>(view, kind, value, minUnits, maxUnits, decoys, onHit);
        case 16: return Dispatch<std::uint16_t, 16>(view, kind, value, minUnits, maxUnits, decoys, onHit);
        case 32: return Dispatch<std::uint64_t, 32>(view, kind, value, minUnits, maxUnits, decoys, onHit);
        default: return {};
    }
}

}  // namespace vesperine::checksum
