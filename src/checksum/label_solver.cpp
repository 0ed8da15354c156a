// The label solver: whole views by every sum and CRC of the width, then aligned and any ranges.
#include "checksum/label_solver.h"

#include <bit>
#include <memory>

#include "checksum/catalogue.h"
#include "checksum/crc.h"
#include "checksum/range_sums.h"

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

void CheckWholeView(const View& view, const SolveRequest& request, const std::vector<CrcEngine>& engines,
                    SolveResult& result) {
    const std::size_t stored = request.width / 8;
    const bool hasTrailer = view.bytes.size() > stored;
    const std::span<const std::uint8_t> body = hasTrailer ? view.bytes.first(view.bytes.size() - stored) : view.bytes;
    const std::span<const std::uint8_t> tail = view.bytes.subspan(body.size());
    const auto found = [&](std::string checksum, bool trailer) {
        result.whole.push_back({view.name, std::move(checksum), trailer});
    };
    const LaneTotals bodyTotals = TotalLanes(body);
    const LaneTotals fullTotals = Append(bodyTotals, body.size(), tail);
    for (const SumKind& row : RowsOfWidth(request.width)) {
        for (const SumForm form : kForms) {
            const SumKind kind = WithForm(row, form);
            result.wholeTried += hasTrailer ? 2 : 1;
            if (SumOf(fullTotals, kind) == request.value) found(SumName(kind), false);
            if (hasTrailer && SumOf(bodyTotals, kind) == request.value) found(SumName(kind), true);
        }
    }
    for (const CrcEngine& engine : engines) {
        const std::uint64_t reg = engine.Update(engine.Start(), body);
        result.wholeTried += hasTrailer ? 2 : 1;
        if (hasTrailer && engine.Finish(reg) == request.value) found(std::string(engine.Model().name), true);
        if (engine.Finish(engine.Update(reg, tail)) == request.value) found(std::string(engine.Model().name), false);
    }
}

// A block's sum as far as matching needs it: its total modulo m (2^w, or 2^w - 1 with
// end-around carry) and whether any unit is nonzero (with end-around carry only an all-zero
// block shows 0, and a nonzero multiple of m shows m).
struct BlockSum {
    std::uint64_t residue = 0;
    bool nonzero = false;
};

// What a form's value asks of a block's sum.
struct Wanted {
    std::uint64_t residue;
    bool zeroOnly, notZero;
    SumForm form;
};

[[nodiscard]] std::vector<Wanted> WantedFor(const SumKind& row, std::uint32_t value, std::uint64_t modulus) {
    std::vector<Wanted> wanted;
    for (const SumForm form : kForms) {
        // The sum s that shows as value in this form: the form undone.
        const std::uint64_t mask = (std::uint64_t{1} << row.width) - 1;
        const std::uint64_t s = form == SumForm::Plain     ? value
                                : form == SumForm::Negated ? (0 - std::uint64_t{value}) & mask
                                                           : ~std::uint64_t{value} & mask;
        wanted.push_back({s % modulus, row.endAroundCarry && s == 0, row.endAroundCarry && s == modulus, form});
    }
    return wanted;
}

// Aligned blocks of the view: lengths 2^k units within the bounds, starts multiples of them.
// Block sums at the shortest length are combined pairwise as a binary counter does, so each
// unit is read once and only one pending block per length is kept.
void CheckAligned(const View& view, const SumKind& row, const SolveRequest& request, SolveResult& result) {
    const unsigned unitBytes = UnitBytes(row.unit, row.width);
    const std::uint64_t units = view.bytes.size() / unitBytes;
    const std::uint64_t minUnits = std::max<std::uint64_t>(1, (request.minLength + unitBytes - 1) / unitBytes);
    const std::uint64_t maxUnits = std::min(units, request.maxLength / unitBytes);
    if (minUnits > maxUnits) return;
    const std::uint64_t mask = (std::uint64_t{1} << row.width) - 1;
    const std::uint64_t modulus = row.endAroundCarry ? mask : mask + 1;
    const std::vector<Wanted> wanted = WantedFor(row, request.value, modulus);
    const std::uint64_t base = std::bit_ceil(minUnits);
    std::vector<BlockSum> pending(65);
    const auto check = [&](const BlockSum& sum, std::uint64_t start, std::uint64_t length) {
        if (length > maxUnits) return;
        for (const Wanted& w : wanted) {
            const bool match = w.zeroOnly  ? !sum.nonzero
                               : w.notZero ? sum.residue == 0 && sum.nonzero
                                           : sum.residue == w.residue;
            if (!match || result.alignedHits++ >= request.alignedLimit) continue;
            const std::uint64_t from = start * unitBytes;
            result.aligned.push_back({view.name, SumName(WithForm(row, w.form)), from, from + length * unitBytes,
                                      DumpOffsetOf(view, from), true});
        }
    };
    const auto add = [modulus](BlockSum a, const BlockSum& b) {
        a.residue += b.residue;
        if (a.residue >= modulus) a.residue -= modulus;
        a.nonzero = a.nonzero || b.nonzero;
        return a;
    };
    for (std::uint64_t block = 0; (block + 1) * base <= units; ++block) {
        BlockSum sum;
        for (std::uint64_t i = block * base; i < (block + 1) * base; ++i) {
            const std::uint32_t unit = UnitAt(view.bytes, i, row.unit, row.width);
            sum = add(sum, BlockSum{unit >= modulus ? unit - modulus : unit, unit != 0});  // unit <= modulus
        }
        std::uint64_t length = base;
        check(sum, block * base, length);
        for (unsigned level = 0; (block >> level) & 1; ++level) {
            sum = add(sum, pending[level]);
            length *= 2;
            check(sum, (block + 1) * base - length, length);
        }
        pending[static_cast<unsigned>(std::countr_one(block))] = sum;
    }
    for (std::uint64_t length = base; length <= maxUnits; length *= 2) result.alignedTried += 3 * (units / length);
}

[[nodiscard]] bool IsAligned(std::uint64_t start, std::uint64_t end, unsigned unitBytes) {
    const std::uint64_t length = (end - start) / unitBytes;
    return std::has_single_bit(length) && (start / unitBytes) % length == 0;
}

}  // namespace

double ExpectedByChance(std::uint64_t tried, unsigned width) {
    return static_cast<double>(tried) / static_cast<double>(std::uint64_t{1} << width);
}

std::uint64_t RangePairsOf(std::uint64_t dumpLength, const SolveRequest& request) {
    std::uint64_t pairs = 0;
    for (const std::uint64_t ways : {1, 2, 4}) {
        if (ways > 1 && (dumpLength == 0 || dumpLength % ways != 0)) continue;
        for (const SumKind& row : RowsOfWidth(request.width)) {
            const RangeSumRequest range{row, request.value, request.minLength, request.maxLength};
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
    const std::vector<View> views = MakeViews(dump, ViewChoice{});
    for (const View& view : views) CheckWholeView(view, request, engines, result);
    if (!request.ranges) return result;
    bool listening = true;
    for (const View& view : views) {
        if (view.part) continue;  // ranges of halves and quarters are ranges of the whole
        for (const SumKind& row : RowsOfWidth(request.width)) {
            CheckAligned(view, row, request, result);
            const unsigned unitBytes = UnitBytes(row.unit, row.width);
            const RangeSumRequest range{row, request.value, request.minLength, request.maxLength};
            const RangeSumResult found =
                FindSumRanges(view.bytes, range, [&](std::uint64_t start, std::uint64_t end, SumForm form) {
                    if (IsAligned(start, end, unitBytes)) return true;
                    listening = listening && onRange({view.name, SumName(WithForm(row, form)), start, end,
                                                      DumpOffsetOf(view, start), false});
                    return listening;
                });
            result.outOfMemory = result.outOfMemory || found.outOfMemory;
            result.rangeHits += found.hits;
            result.rangeTried += 3 * RangeCount(view.bytes.size(), range);
        }
    }
    return result;
}

}  // namespace vesperine::checksum
