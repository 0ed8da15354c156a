// The CRC-guided mend: the effects of the unknown bits, 32 equations reduced, the assignments read off.
#include "reads/crc_mend.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#include "base/crc32.h"
#include "base/crc_algebra.h"
#include "reads/compare_reads.h"

namespace vesperine::reads {
namespace {

using crc_algebra::kOne;

// Below this many bits between neighbours a step of the register per bit is cheaper than
// x^gap by squaring (some 32 multiplications of 32 steps each).
constexpr std::uint64_t kStepLimit = 1024;

// Unknowns between two questions to the poll: a far gap costs some 32 multiplications, so 4096
// unknowns take a few milliseconds at worst.
constexpr std::size_t kUnknownsPerTick = 4096;
// Solutions walked between two questions: a step is an XOR and a heap test.
constexpr std::uint64_t kStepsPerTick = 65536;

[[nodiscard]] std::uint32_t MeteredCrc32(std::span<const std::uint8_t> bytes, const PassMeter& meter) {
    std::uint32_t crc = 0;
    for (std::size_t at = 0; at < bytes.size(); at += kPollBytes) {
        const auto part = bytes.subspan(at, std::min<std::size_t>(kPollBytes, bytes.size() - at));
        crc = Crc32(part, crc);
        if (meter.Tick(at + part.size())) break;
    }
    return crc;
}

// e(d) for each unknown, d = 8n - 1 - index its distance from the end.
[[nodiscard]] std::vector<std::uint32_t> EffectsOf(std::uint64_t length, std::span<const std::uint64_t> unknownBits,
                                                   const PassMeter& meter) {
    std::vector<std::uint32_t> effects(unknownBits.size());
    std::uint32_t effect = crc_algebra::kPolynomial;  // e(0)
    std::uint64_t d = 0;
    for (std::size_t i = unknownBits.size(); i-- > 0;) {
        if (i % kUnknownsPerTick == 0 && meter.Tick(unknownBits.size() - i)) break;
        const std::uint64_t target = 8 * length - 1 - unknownBits[i];
        const std::uint64_t gap = target - d;
        if (gap < kStepLimit) {
            for (std::uint64_t s = 0; s < gap; ++s) effect = crc_algebra::MultiplyByX(effect);
        } else {
            effect = crc_algebra::MultModP(effect, crc_algebra::PowerModP(kOne >> 1, gap));
        }
        d = target;
        effects[i] = effect;
    }
    return effects;
}

// The 32 equations: row r holds bit r of every unknown's effect, rhs bit r the syndrome's.
class Equations {
public:
    Equations(std::span<const std::uint32_t> effects, std::uint32_t syndrome, const PassMeter& meter)
        : words_((effects.size() + 63) / 64), bits_(32 * words_), rhs_(syndrome) {
        for (std::size_t i = 0; i < effects.size(); ++i) {
            if (i % kUnknownsPerTick == 0 && meter.Tick(i)) return;
            for (std::uint32_t e = effects[i]; e != 0; e &= e - 1) {
                Row(static_cast<unsigned>(std::countr_zero(e)))[i / 64] |= std::uint64_t{1} << (i % 64);
            }
        }
    }

    // Reduces the rows so that each pivot column is set in its pivot row alone. Gives false
    // when a row of zeros is left against a 1: no solution.
    [[nodiscard]] bool Reduce(const PassMeter& meter) {
        bool consistent = true;
        for (unsigned r = 0; r < 32; ++r) {
            if (meter.Tick(r)) return false;
            const std::uint64_t* row = Row(r);
            const std::uint64_t* set = std::find_if(row, row + words_, [](std::uint64_t w) { return w != 0; });
            if (set == row + words_) {
                consistent = consistent && ((rhs_ >> r) & 1u) == 0;
                continue;
            }
            const std::size_t word = static_cast<std::size_t>(set - row);
            const std::uint64_t column = 64 * word + static_cast<unsigned>(std::countr_zero(*set));
            pivots_.push_back({r, column});
            for (unsigned q = 0; q < 32; ++q) {
                if (q != r && Has(q, column)) AddRowTo(r, q, word);
            }
        }
        return consistent;
    }

    [[nodiscard]] bool Has(unsigned r, std::uint64_t column) const {
        return (Row(r)[column / 64] >> (column % 64)) & 1u;
    }
    [[nodiscard]] bool Rhs(unsigned r) const { return (rhs_ >> r) & 1u; }
    [[nodiscard]] const std::vector<std::pair<unsigned, std::uint64_t>>& Pivots() const { return pivots_; }

private:
    [[nodiscard]] std::uint64_t* Row(unsigned r) { return bits_.data() + r * words_; }
    [[nodiscard]] const std::uint64_t* Row(unsigned r) const { return bits_.data() + r * words_; }

    // Row r has no bits before its pivot's word, so the words before it are left alone.
    void AddRowTo(unsigned r, unsigned q, std::size_t fromWord) {
        const std::uint64_t* source = Row(r);
        std::uint64_t* target = Row(q);
        for (std::size_t w = fromWord; w < words_; ++w) target[w] ^= source[w];
        rhs_ ^= static_cast<std::uint32_t>(Rhs(r)) << q;
    }

    std::size_t words_;
    std::vector<std::uint64_t> bits_;
    std::uint32_t rhs_;
    std::vector<std::pair<unsigned, std::uint64_t>> pivots_;  // (row, column)
};

[[nodiscard]] Flips FlipsOf(std::uint64_t mask, std::span<const std::uint64_t> unknownBits) {
    Flips flips;
    for (; mask != 0; mask &= mask - 1) flips.push_back(unknownBits[static_cast<unsigned>(std::countr_zero(mask))]);
    return flips;
}

// Every solution when u <= 52 (so that k <= 20 and all fit a 64-bit mask), walked in Gray code
// order from the particular one, the `keep` nearest to the majority kept.
[[nodiscard]] std::vector<Flips> NearestSolutions(const Equations& eq, std::span<const std::uint64_t> unknownBits,
                                                  std::size_t keep, const PassMeter& meter) {
    const std::size_t u = unknownBits.size();
    std::uint64_t pivotMask = 0;
    std::uint64_t particular = 0;
    for (const auto& [row, column] : eq.Pivots()) {
        pivotMask |= std::uint64_t{1} << column;
        if (eq.Rhs(row)) particular |= std::uint64_t{1} << column;
    }
    std::vector<std::uint64_t> nullBasis;  // one per free column: itself and the pivots it moves
    for (std::size_t f = 0; f < u; ++f) {
        if ((pivotMask >> f) & 1u) continue;
        std::uint64_t v = std::uint64_t{1} << f;
        for (const auto& [row, column] : eq.Pivots()) {
            if (eq.Has(row, f)) v |= std::uint64_t{1} << column;
        }
        nullBasis.push_back(v);
    }
    const auto nearer = [](std::uint64_t a, std::uint64_t b) {
        return std::pair(std::popcount(a), a) < std::pair(std::popcount(b), b);
    };
    std::vector<std::uint64_t> best;  // a max-heap by nearer: its top is the farthest kept
    std::uint64_t x = particular;
    for (std::uint64_t step = 0;; ++step) {
        if (best.size() < keep || nearer(x, best.front())) {
            if (best.size() == keep) {
                std::pop_heap(best.begin(), best.end(), nearer);
                best.pop_back();
            }
            best.push_back(x);
            std::push_heap(best.begin(), best.end(), nearer);
        }
        if (step + 1 == std::uint64_t{1} << nullBasis.size()) break;
        if ((step + 1) % kStepsPerTick == 0 && meter.Tick(step + 1)) return {};
        x ^= nullBasis[static_cast<unsigned>(std::countr_zero(step + 1))];
    }
    std::sort_heap(best.begin(), best.end(), nearer);
    std::vector<Flips> listed;
    for (const std::uint64_t mask : best) listed.push_back(FlipsOf(mask, unknownBits));
    return listed;
}

[[nodiscard]] Flips ParticularSolution(const Equations& eq, std::span<const std::uint64_t> unknownBits) {
    Flips flips;
    for (const auto& [row, column] : eq.Pivots()) {
        if (eq.Rhs(row)) flips.push_back(unknownBits[column]);
    }
    std::sort(flips.begin(), flips.end());
    return flips;
}

}  // namespace

MendResult MendByCrc(std::span<const std::uint8_t> consensus, std::span<const std::uint64_t> unknownBits,
                     std::uint32_t expected, std::size_t keep) {
    return *MendByCrc(consensus, unknownBits, expected, keep, nullptr);
}

std::optional<MendResult> MendByCrc(std::span<const std::uint8_t> consensus, std::span<const std::uint64_t> unknownBits,
                                    std::uint32_t expected, std::size_t keep, const WorkPoll& poll) {
    const std::uint64_t stage = std::max<std::uint64_t>(consensus.size(), 1);
    WorkMeter meter(poll, 4 * stage);
    const std::uint64_t u = unknownBits.size();
    MendResult result;
    result.consensusCrc = MeteredCrc32(consensus, PassMeter(&meter, 0, stage, consensus.size()));
    if (meter.BrokenOff()) return std::nullopt;
    result.unknowns = u;
    // The effects, then the rows, each half the second stage.
    const PassMeter second(&meter, stage, stage, 2 * u);
    const std::vector<std::uint32_t> effects = EffectsOf(consensus.size(), unknownBits, second.Part(0, u, u));
    if (meter.BrokenOff()) return std::nullopt;
    Equations equations(effects, result.consensusCrc ^ expected, second.Part(u, 2 * u, u));
    if (meter.BrokenOff()) return std::nullopt;
    const bool solvable = equations.Reduce(PassMeter(&meter, 2 * stage, stage, 32));
    if (meter.BrokenOff()) return std::nullopt;
    result.rank = static_cast<unsigned>(equations.Pivots().size());
    result.freeBits = result.unknowns - result.rank;
    if (!solvable) {
        result.outcome = MendOutcome::NoAssignment;
    } else if (result.freeBits == 0) {
        result.outcome = MendOutcome::Unique;
        result.assignments.push_back(ParticularSolution(equations, unknownBits));
    } else {
        result.outcome = MendOutcome::Ambiguous;
        if (result.freeBits <= kListFreeBitsLimit && keep != 0) {
            result.assignments = NearestSolutions(
                equations, unknownBits, keep, PassMeter(&meter, 3 * stage, stage, std::uint64_t{1} << result.freeBits));
            if (meter.BrokenOff()) return std::nullopt;
        }
    }
    return result;
}

ByteBuffer ApplyAssignment(std::span<const std::uint8_t> consensus, const Flips& flips) {
    ByteBuffer mended(consensus.size());
    if (!consensus.empty()) std::memcpy(mended.data(), consensus.data(), consensus.size());
    for (const std::uint64_t bit : flips) mended[OffsetOf(bit)] ^= static_cast<std::uint8_t>(1u << BitOf(bit));
    return mended;
}

}  // namespace vesperine::reads
