// The label solver: whole views by every sum and CRC of the width, then aligned and any ranges.
#include "checksum/label_solver.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <future>
#include <memory>
#include <mutex>
#include <numeric>
#include <optional>
#include <system_error>
#include <thread>

#include "checksum/aligned_sums.h"
#include "checksum/catalogue.h"
#include "checksum/crc.h"
#include "checksum/range_sums.h"
#include "checksum/view_crcs.h"

namespace vesperine::checksum {
namespace {

constexpr SumForm kForms[] = {SumForm::Plain, SumForm::Negated, SumForm::Complemented};

[[nodiscard]] std::vector<SumKind> RowsOfWidth(unsigned width) {
    std::vector<SumKind> rows;
    for (const SumKind& row : SumRows()) {
        if (row.width == width) rows.push_back(row);
    }
    return rows;
}

[[nodiscard]] SumKind WithForm(SumKind kind, SumForm form) {
    kind.form = form;
    return kind;
}

// A view's lane totals with `extra` bytes appended, those at lane (done + i) mod 4.
[[nodiscard]] LaneTotals Append(LaneTotals totals, std::uint64_t done, std::span<const std::uint8_t> extra) {
    for (std::size_t i = 0; i < extra.size(); ++i) totals.lane[(done + i) % 4] += extra[i];
    return totals;
}

// A sum's units as a distribution: how many, their mean and variance, and the lattice they lie
// on (every unit is first modulo lattice; lattice 0 when all are equal).
struct UnitModel {
    std::uint64_t count = 0;
    double mean = 0, variance = 0;
    std::uint64_t first = 0, lattice = 0;
};

__extension__ using Wide = unsigned __int128;

// The exact moments of units as they are read, block by block, and their lattice: the gcd of
// every unit's distance from the first. A block comes with the OR of every unit's bits that
// differ from the first's, which settles most blocks' lattice alone (all alike, or all one power
// of two apart); only the rest are read again for a gcd per unit, until the lattice is 1.
struct Moments {
    std::uint64_t count = 0, first = 0, lattice = 0;
    Wide sum = 0, squares = 0;  // squares of 32-bit units overflow 64 bits within a few units

    template <typename UnitAt>
    void Settle(std::uint64_t differs, const UnitAt& at, std::uint64_t from, std::uint64_t to) {
        const std::uint64_t g = lattice;
        if (g == 1 || differs == 0) return;
        if (g != 0 && (g & (g - 1)) == 0 && (differs & (g - 1)) == 0) return;
        for (std::uint64_t i = from; i < to && lattice != 1; ++i) {
            const std::uint64_t u = at(i);
            const std::uint64_t d = u > first ? u - first : first - u;
            if (lattice == 0 || d % lattice != 0) lattice = std::gcd(lattice, d);
        }
    }

    [[nodiscard]] UnitModel Model() const {
        UnitModel model{count, 0, 0, first, lattice};
        if (count == 0) return model;
        const auto n = static_cast<double>(count);
        model.mean = static_cast<double>(sum) / n;
        const Wide spread = squares * count - sum * sum;  // n^2 times the variance, exactly
        model.variance = static_cast<double>(spread) / (n * n);
        return model;
    }
};

constexpr std::uint64_t kModelBlock = 4096;

template <SumUnit Unit, unsigned Width>
[[nodiscard]] UnitModel ModelOfUnits(const std::uint8_t* bytes, std::uint64_t count) {
    const auto at = [bytes](std::uint64_t i) -> std::uint64_t { return ReadUnit<Unit, Width>(bytes, i); };
    Moments m;
    m.count = count;
    if (count == 0) return m.Model();
    m.first = at(0);
    for (std::uint64_t from = 0; from < count; from += kModelBlock) {
        const std::uint64_t to = std::min(count, from + kModelBlock);
        std::uint64_t blockSum = 0, differs = 0;
        Wide blockSquares = 0;
        for (std::uint64_t i = from; i < to; ++i) {
            const std::uint64_t u = at(i);
            blockSum += u;
            blockSquares += static_cast<Wide>(u * u);
            differs |= u ^ m.first;
        }
        m.sum += blockSum;
        m.squares += blockSquares;
        m.Settle(differs, at, from, to);
    }
    return m.Model();
}

[[nodiscard]] UnitModel ModelOf(std::span<const std::uint8_t> bytes, SumUnit unit, unsigned width) {
    const std::uint64_t count = bytes.size() / UnitBytes(unit, width);
    if (unit == SumUnit::Byte) return ModelOfUnits<SumUnit::Byte, 8>(bytes.data(), count);
    if (width == 16) {
        return unit == SumUnit::WordLe ? ModelOfUnits<SumUnit::WordLe, 16>(bytes.data(), count)
                                       : ModelOfUnits<SumUnit::WordBe, 16>(bytes.data(), count);
    }
    return unit == SumUnit::WordLe ? ModelOfUnits<SumUnit::WordLe, 32>(bytes.data(), count)
                                   : ModelOfUnits<SumUnit::WordBe, 32>(bytes.data(), count);
}

// The three models of 16-bit sums (bytes, little- and big-endian words) in one pass over the
// byte pairs: a word's moments follow from those of its two bytes and their product (lo + 256 hi
// squared), all in 32-bit totals over a block, which the compiler vectorises.
struct PairModels {
    UnitModel bytes, wordLe, wordBe;
};

[[nodiscard]] PairModels ModelsOfPairs(std::span<const std::uint8_t> view) {
    const std::uint8_t* p = view.data();
    const std::uint64_t pairs = view.size() / 2;
    if (pairs == 0)
        return {ModelOf(view, SumUnit::Byte, 8), ModelOf(view, SumUnit::WordLe, 16),
                ModelOf(view, SumUnit::WordBe, 16)};
    Moments bytes, le, be;
    const std::uint64_t f0 = p[0], f1 = p[1];
    bytes.count = view.size();
    bytes.first = f0;
    le.count = be.count = pairs;
    le.first = f0 | f1 << 8;
    be.first = f0 << 8 | f1;
    const auto byteAt = [p](std::uint64_t i) -> std::uint64_t { return p[i]; };
    const auto leAt = [p](std::uint64_t i) -> std::uint64_t { return ReadUnit<SumUnit::WordLe, 16>(p, i); };
    const auto beAt = [p](std::uint64_t i) -> std::uint64_t { return ReadUnit<SumUnit::WordBe, 16>(p, i); };
    for (std::uint64_t from = 0; from < pairs; from += kModelBlock) {
        const std::uint64_t to = std::min(pairs, from + kModelBlock);
        std::uint32_t sumLo = 0, sumHi = 0, squaresLo = 0, squaresHi = 0, products = 0;
        std::uint32_t loOff = 0, hiOff = 0, hiOffByte = 0;  // bits differing from f0, f1 and f0
        for (std::uint64_t i = from; i < to; ++i) {
            const std::uint32_t lo = p[2 * i], hi = p[2 * i + 1];
            sumLo += lo;
            sumHi += hi;
            squaresLo += lo * lo;
            squaresHi += hi * hi;
            products += lo * hi;
            loOff |= lo ^ static_cast<std::uint32_t>(f0);
            hiOff |= hi ^ static_cast<std::uint32_t>(f1);
            hiOffByte |= hi ^ static_cast<std::uint32_t>(f0);
        }
        bytes.sum += Wide{sumLo} + sumHi;
        bytes.squares += Wide{squaresLo} + squaresHi;
        le.sum += Wide{sumLo} + Wide{sumHi} * 256;
        le.squares += Wide{squaresLo} + Wide{products} * 512 + Wide{squaresHi} * 65536;
        be.sum += Wide{sumLo} * 256 + sumHi;
        be.squares += Wide{squaresLo} * 65536 + Wide{products} * 512 + squaresHi;
        bytes.Settle(loOff | hiOffByte, byteAt, 2 * from, 2 * to);
        le.Settle(loOff | hiOff << 8, leAt, from, to);
        be.Settle(loOff << 8 | hiOff, beAt, from, to);
    }
    if (view.size() % 2 != 0) {  // the last byte, in no word
        const std::uint64_t last = view.size() - 1;
        bytes.sum += p[last];
        bytes.squares += std::uint64_t{p[last]} * p[last];
        bytes.Settle(p[last] ^ f0, byteAt, last, last + 1);
    }
    return {bytes.Model(), le.Model(), be.Model()};
}

// P(a sum of n units drawn from model shows `sought` before the form), the total normal on
// its lattice n u0 + g Z (each point carrying g times the density), folded to the modulus.
[[nodiscard]] double ChanceOfShown(const UnitModel& model, std::uint64_t n, const SumKind& kind, std::uint64_t sought) {
    const std::uint64_t mask = (std::uint64_t{1} << kind.width) - 1;
    const std::uint64_t modulus = kind.endAroundCarry ? mask : mask + 1;
    // The totals that show sought: congruent to it modulo the modulus; with end-around carry 0
    // is shown by the total 0 alone, and the modulus by its nonzero multiples.
    const bool zeroOnly = kind.endAroundCarry && sought == 0;
    const bool notZero = kind.endAroundCarry && sought == modulus;
    const std::uint64_t residue = sought % modulus;
    const std::uint64_t start = n * model.first;  // every total is start modulo the lattice
    const auto shows = [&](std::uint64_t total) {
        return zeroOnly ? total == 0 : total % modulus == residue && !(notZero && total == 0);
    };
    if (n == 0) return shows(0) ? 1 : 0;
    if (model.lattice == 0) return shows(start) ? 1 : 0;
    const std::uint64_t g = model.lattice;
    const double sd = std::sqrt(model.variance * static_cast<double>(n));
    const double mean = model.mean * static_cast<double>(n);
    const auto mass = [&](std::uint64_t total) {  // of one lattice point
        const double z = (static_cast<double>(total) - mean) / sd;
        return static_cast<double>(g) * std::exp(-z * z / 2) / (sd * 2.5066282746310002);
    };
    if (zeroOnly) return start % g == 0 ? std::min(1.0, mass(0)) : 0;
    const std::uint64_t common = std::gcd(g, modulus);
    const double period = static_cast<double>(modulus / common) * static_cast<double>(g);
    if (sd >= period) {
        // Spread over many periods of the joint lattice: uniform over the residues it reaches
        // (the error is below exp(-2 pi^2), a few parts in 10^9).
        return residue % common == start % common ? static_cast<double>(common) / static_cast<double>(modulus) : 0;
    }
    // Few terms: the totals within 12 sd of the mean on the coarser of the two grids, each
    // tested against the other.
    const bool byModulus = modulus >= g;
    const std::uint64_t step = byModulus ? modulus : g;
    const std::uint64_t base = byModulus ? residue : start % g;
    const auto low = static_cast<std::uint64_t>(std::max(0.0, mean - 12 * sd));
    const double high = mean + 12 * sd;
    std::uint64_t x = low - low % step + base;
    if (x < low) x += step;
    double chance = 0;
    for (int terms = 0; static_cast<double>(x) <= high && terms < (1 << 20); ++terms, x += step) {
        if (shows(x) && (x >= start ? x - start : start - x) % g == 0) chance += mass(x);
    }
    return std::min(1.0, chance);
}

// The shown sum whose form is value: the form undone.
[[nodiscard]] std::uint64_t Sought(std::uint32_t value, SumForm form, unsigned width) {
    const std::uint64_t mask = (std::uint64_t{1} << width) - 1;
    return form == SumForm::Plain     ? value
           : form == SumForm::Negated ? (0 - std::uint64_t{value}) & mask
                                      : ~std::uint64_t{value} & mask;
}

void CheckWholeView(const View& view, const SolveRequest& request, const std::vector<CrcEngine>& engines,
                    const std::vector<ViewRegisters>& registers, SolveResult& result) {
    const std::size_t stored = request.width / 8;
    const bool hasTrailer = view.bytes.size() > stored;
    const std::span<const std::uint8_t> body = hasTrailer ? view.bytes.first(view.bytes.size() - stored) : view.bytes;
    const std::span<const std::uint8_t> tail = view.bytes.subspan(body.size());
    const auto found = [&](std::string checksum, bool trailer) {
        result.whole.push_back({view.plan.name, std::move(checksum), trailer});
    };
    const LaneTotals bodyTotals = TotalLanes(body);
    const LaneTotals fullTotals = Append(bodyTotals, body.size(), tail);
    std::optional<PairModels> pairModels;
    if (request.width == 16) pairModels = ModelsOfPairs(view.bytes);
    UnitModel model;
    std::optional<SumUnit> modelled;
    for (const SumKind& row : RowsOfWidth(request.width)) {
        if (modelled != row.unit) {
            model = !pairModels                   ? ModelOf(view.bytes, row.unit, row.width)
                    : row.unit == SumUnit::Byte   ? pairModels->bytes
                    : row.unit == SumUnit::WordLe ? pairModels->wordLe
                                                  : pairModels->wordBe;
        }
        modelled = row.unit;
        const unsigned unitBytes = UnitBytes(row.unit, row.width);
        for (const SumForm form : kForms) {
            const SumKind kind = WithForm(row, form);
            const std::uint64_t sought = Sought(request.value, form, row.width);
            result.wholeChance += ChanceOfShown(model, view.bytes.size() / unitBytes, row, sought);
            if (hasTrailer) result.wholeChance += ChanceOfShown(model, body.size() / unitBytes, row, sought);
            result.wholeTried += hasTrailer ? 2 : 1;
            if (SumOf(fullTotals, kind) == request.value) found(SumName(kind), false);
            if (hasTrailer && SumOf(bodyTotals, kind) == request.value) found(SumName(kind), true);
        }
    }
    for (std::size_t e = 0; e < engines.size(); ++e) {
        const CrcEngine& engine = engines[e];
        result.wholeTried += hasTrailer ? 2 : 1;
        result.wholeChance += ExpectedByChance(hasTrailer ? 2 : 1, request.width);
        if (hasTrailer && engine.Finish(registers[e].body) == request.value) {
            found(std::string(engine.Model().name), true);
        }
        if (engine.Finish(registers[e].full) == request.value) found(std::string(engine.Model().name), false);
    }
}

// Aligned blocks of the view: lengths 2^k units within the bounds, starts multiples of them.
// Returns how many match.
std::uint64_t CheckAligned(const View& view, const SumKind& row, const SolveRequest& request,
                           const std::vector<std::uint32_t>& decoys, SolveResult& result) {
    const unsigned unitBytes = UnitBytes(row.unit, row.width);
    const std::uint64_t units = view.bytes.size() / unitBytes;
    const std::uint64_t minUnits = std::max<std::uint64_t>(1, (request.minLength + unitBytes - 1) / unitBytes);
    const std::uint64_t maxUnits = std::min(units, request.maxLength / unitBytes);
    if (minUnits > maxUnits) return 0;
    const AlignedSumResult found =
        FindAlignedSums(view.bytes, row, request.value, minUnits, maxUnits, decoys,
                        [&](std::uint64_t start, std::uint64_t length, SumForm form) {
                            if (result.aligned.size() >= request.alignedLimit) return false;
                            const std::uint64_t from = start * unitBytes;
                            result.aligned.push_back({view.plan.name, SumName(WithForm(row, form)), from,
                                                      from + length * unitBytes, FileOffsetOf(view.plan, from), true});
                            return result.aligned.size() < request.alignedLimit;
                        });
    result.alignedHits += found.hits;
    if (!decoys.empty()) result.alignedChance += found.decoyHits / static_cast<double>(decoys.size());
    const std::uint64_t base = std::bit_ceil(minUnits);
    for (std::uint64_t length = base; length <= maxUnits; length *= 2) result.alignedTried += 3 * (units / length);
    return found.hits;
}

[[nodiscard]] bool IsAligned(std::uint64_t start, std::uint64_t end, unsigned unitBytes) {
    // Not std::has_single_bit: without a popcount instruction in the target it is a library call,
    // and a blank dump asks this of nearly every range it tells.
    const std::uint64_t length = (end - start) / unitBytes;
    return length != 0 && (length & (length - 1)) == 0 && (start / unitBytes) % length == 0;
}

// Whether the second processor takes a view's range searches: all of 8- and 16-bit sums, whose
// tables are small when nothing is told; of 32-bit sums only a byte lane's.
[[nodiscard]] bool HelperTakes(std::uint64_t viewLength, std::uint64_t dumpLength, unsigned width) {
    return width <= 16 || viewLength <= dumpLength / 4;
}

}  // namespace

std::uint64_t SolveTableBytes(std::uint64_t dumpLength, const SolveRequest& request) {
    if (!request.ranges) return 0;
    const SumKind widest{SumUnit::Byte, request.width};
    const std::uint64_t helper =
        request.width <= 16 ? RangeSumBytesNeeded(dumpLength, widest, 0) : RangeSumBytesNeeded(dumpLength / 4, widest);
    return RangeSumBytesNeeded(dumpLength, widest) + helper;
}

double WholeSumChance(std::span<const std::uint8_t> units, const SumKind& kind, std::uint32_t value) {
    SumKind plain = kind;
    plain.form = SumForm::Plain;
    const UnitModel model = ModelOf(units, kind.unit, kind.width);
    return ChanceOfShown(model, model.count, plain, Sought(value, kind.form, kind.width));
}

std::vector<std::uint32_t> DecoysOf(std::uint32_t value, unsigned width) {
    const std::uint64_t mask = (std::uint64_t{1} << width) - 1;
    const auto forms = [&](std::uint64_t x) {
        return std::array{Sought(static_cast<std::uint32_t>(x), SumForm::Plain, width),
                          Sought(static_cast<std::uint32_t>(x), SumForm::Negated, width),
                          Sought(static_cast<std::uint32_t>(x), SumForm::Complemented, width)};
    };
    const auto own = forms(value);
    std::vector<std::uint32_t> decoys;
    for (std::int64_t k = 1; k <= 32 && decoys.size() < 8; ++k) {
        for (const std::int64_t offset : {k, -k}) {
            const std::uint64_t decoy = (value + static_cast<std::uint64_t>(offset)) & mask;
            if (decoy == 0 || decoy == 1 || decoy == mask || decoys.size() == 8) continue;
            bool shared = false;
            for (const std::uint64_t x : forms(decoy))
                shared = shared || std::find(own.begin(), own.end(), x) != own.end();
            if (!shared) decoys.push_back(static_cast<std::uint32_t>(decoy));
        }
    }
    return decoys;
}

double ExpectedByChance(std::uint64_t tried, unsigned width) {
    return static_cast<double>(tried) / static_cast<double>(std::uint64_t{1} << width);
}

std::uint64_t RangePairsOf(std::uint64_t dumpLength, const SolveRequest& request) {
    std::uint64_t pairs = 0;
    for (const std::uint64_t ways : {1, 2, 4}) {
        if (ways > 1 && (dumpLength == 0 || dumpLength % ways != 0)) continue;
        for (const SumKind& row : RowsOfWidth(request.width)) {
            const RangeSumRequest range{row, request.value, request.minLength, request.maxLength, {}};
            pairs += ways * 3 * RangeCount(dumpLength / ways, range);
        }
    }
    return pairs;
}

SolveResult Solve(std::span<const std::uint8_t> dump, const SolveRequest& request, const RangeHitSink& onRange) {
    SolveResult result;
    std::vector<CrcEngine> engines;
    for (const CrcModel& model : CrcModels()) {
        if (model.width == request.width) engines.emplace_back(model);
    }
    // Parts of the dump are spans of it, at hand at once; lanes are copies, which a second
    // processor makes while the first searches the whole dump's ranges.
    std::vector<View> views;
    for (ViewPlan& plan : ChecksumViewPlans(dump.size(), true)) {
        views.emplace_back();
        views.back().plan = std::move(plan);
    }
    const auto materialize = [&](bool copies) {
        for (View& view : views) {
            if ((view.plan.kind != ViewKind::Part) != copies) continue;
            static_cast<ViewBytes&>(view) = MaterializeView(dump, view.plan);
            if (!view.owned.empty()) view.bytes = view.owned;
        }
    };
    materialize(false);
    std::promise<void> copiesMade;
    std::future<void> copies = copiesMade.get_future();
    bool copiesAtHand = false;
    const auto needCopies = [&] {
        if (!copiesAtHand) copies.get();  // a failure to make them is thrown here too
        copiesAtHand = true;
    };
    const std::vector<std::uint32_t> decoys =
        request.ranges ? DecoysOf(request.value, request.width) : std::vector<std::uint32_t>{};
    // The work falls in two halves that only read the views and write apart: the whole views
    // (their CRC passes and models) and the aligned blocks, each into their own fields of the
    // result, and the range searches. With a second processor the first half runs beside the
    // second, each half in its own order, so the result is the same either way.
    //
    // A second processor done with the first half takes range searches from the back of the
    // list, counting their hits without telling any. The searches are told in order, and a search
    // taken so stands as it is unless, when its turn comes, the listener still listens and the
    // search has a hit it would be told: one that is not aligned, which it has when it counts
    // more hits than its view's aligned blocks by the same sum (every aligned block in the bounds
    // is one of its ranges). Then it runs again, telling. Telling nothing, its 8- and 16-bit
    // searches hold small tables; 32-bit ones, whose tables are their view's size whatever they
    // tell, it takes only of byte lanes (a quarter of the whole's).
    struct RangeSearch {
        const View* view;
        SumKind row;
        RangeSumResult found;
        std::uint64_t alignedHits = 0;  // of the view by the row, from the first half
    };
    std::vector<RangeSearch> searches;
    for (const View& view : views) {
        if (!request.ranges || IsPiece(view.plan)) continue;  // ranges of halves and quarters are ranges of the whole
        for (const SumKind& row : RowsOfWidth(request.width)) searches.push_back({&view, row, {}, 0});
    }
    std::mutex claims;
    std::size_t front = 0, back = searches.size();  // searches [front, back) are not yet taken
    // Whether the listener still listens: once it does not, a search stops telling at once
    // (its count goes on), rather than going on through the aligned hits it would only skip;
    // a blank view's word sums can be aligned hits throughout. Only the caller's thread tells.
    bool listening = true;
    const auto rangeOf = [&](const RangeSearch& search) {
        return RangeSumRequest{search.row, request.value, request.minLength, request.maxLength, decoys};
    };
    const auto takeFromBack = [&] {
        for (;;) {
            std::size_t s = 0;
            {
                const std::lock_guard<std::mutex> lock(claims);
                if (front == back || !HelperTakes(searches[back - 1].view->bytes.size(), dump.size(), request.width))
                    return;
                s = --back;
            }
            RangeSumRequest range = rangeOf(searches[s]);
            range.tellingLimit = 0;
            searches[s].found = FindSumRanges(searches[s].view->bytes, range,
                                              [](std::uint64_t, std::uint64_t, SumForm) { return false; });
        }
    };
    const auto firstHalf = [&](bool helping) {
        SolveResult part;
        if (helping) {
            try {
                materialize(true);
            } catch (...) {
                copiesMade.set_exception(std::current_exception());
                throw;
            }
            copiesMade.set_value();
        }
        const auto registers = RegistersOfViews(views, engines, request.width / 8);
        for (std::size_t v = 0; v < views.size(); ++v) CheckWholeView(views[v], request, engines, registers[v], part);
        if (!request.ranges) return part;
        // Blocks of halves and quarters are blocks of the whole: the views and rows of the
        // searches, in their order.
        for (RangeSearch& search : searches) {
            search.alignedHits = CheckAligned(*search.view, search.row, request, decoys, part);
        }
        if (helping) takeFromBack();
        return part;
    };
    std::future<SolveResult> first;
    if (request.ranges && std::thread::hardware_concurrency() >= 2) {
        try {
            first = std::async(std::launch::async, firstHalf, true);
        } catch (const std::system_error&) {
            // No thread to be had: the first half runs when its results are asked for.
        }
    }
    if (!first.valid()) {
        materialize(true);
        copiesAtHand = true;
        first = std::async(std::launch::deferred, firstHalf, false);
    }
    const auto joinFirstHalf = [&] {
        SolveResult part = first.get();
        result.whole = std::move(part.whole);
        result.wholeTried = part.wholeTried;
        result.wholeChance = part.wholeChance;
        result.aligned = std::move(part.aligned);
        result.alignedHits = part.alignedHits;
        result.alignedTried = part.alignedTried;
        result.alignedChance = part.alignedChance;
    };
    const auto searchTelling = [&](RangeSearch& search) {
        const unsigned unitBytes = UnitBytes(search.row.unit, search.row.width);
        const ViewPlan& plan = search.view->plan;
        search.found = FindSumRanges(
            search.view->bytes, rangeOf(search), [&](std::uint64_t start, std::uint64_t end, SumForm form) {
                if (!listening) return false;
                if (IsAligned(start, end, unitBytes)) return true;
                const bool more = onRange(
                    {plan.name, SumName(WithForm(search.row, form)), start, end, FileOffsetOf(plan, start), false});
                listening = more;
                return more;
            });
    };
    for (;;) {
        std::size_t s = 0;
        {
            const std::lock_guard<std::mutex> lock(claims);
            if (front == back) break;
            s = front++;
        }
        if (searches[s].view->plan.kind != ViewKind::Part) needCopies();
        searchTelling(searches[s]);
    }
    joinFirstHalf();
    if (!request.ranges) return result;
    result.decoys = decoys.size();
    for (std::size_t s = 0; s < searches.size(); ++s) {
        RangeSearch& search = searches[s];
        if (s >= back && listening && search.found.hits > search.alignedHits) {
            needCopies();
            searchTelling(search);
        }
        result.outOfMemory = result.outOfMemory || search.found.outOfMemory;
        result.rangeHits += search.found.hits;
        if (!decoys.empty()) result.rangeChance += search.found.decoyHits / static_cast<double>(decoys.size());
        result.rangeTried += 3 * RangeCount(search.view->bytes.size(), rangeOf(search));
    }
    return result;
}

}  // namespace vesperine::checksum
