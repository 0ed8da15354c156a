// The label solver: whole views by every sum and CRC of the width, then aligned and any ranges.
#include "checksum/label_solver.h"

#include <bit>
#include <memory>

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
    for (const SumKind& row : RowsOfWidth(request.width)) {
        for (const SumForm form : kForms) {
            const SumKind kind = WithForm(row, form);
            result.wholeTried += hasTrailer ? 2 : 1;
            if (SumOf(fullTotals, kind) == request.value) found(SumName(kind), false);
            if (hasTrailer && SumOf(bodyTotals, kind) == request.value) found(SumName(kind), true);
        }
    }
    for (std::size_t e = 0; e < engines.size(); ++e) {
        const CrcEngine& engine = engines[e];
        result.wholeTried += hasTrailer ? 2 : 1;
        if (hasTrailer && engine.Finish(registers[e].body) == request.value) {
            found(std::string(engine.Model().name), true);
        }
        if (engine.Finish(registers[e].full) == request.value) found(std::string(engine.Model().name), false);
    }
}

// Aligned blocks of the view: lengths 2^k units within the bounds, starts multiples of them.
void CheckAligned(const View& view, const SumKind& row, const SolveRequest& request, SolveResult& result) {
    const unsigned unitBytes = UnitBytes(row.unit, row.width);
    const std::uint64_t units = view.bytes.size() / unitBytes;
    const std::uint64_t minUnits = std::max<std::uint64_t>(1, (request.minLength + unitBytes - 1) / unitBytes);
    const std::uint64_t maxUnits = std::min(units, request.maxLength / unitBytes);
    if (minUnits > maxUnits) return;
    FindAlignedSums(view.bytes, row, request.value, minUnits, maxUnits,
                    [&](std::uint64_t start, std::uint64_t length, SumForm form) {
                        if (result.alignedHits++ >= request.alignedLimit) return;
                        const std::uint64_t from = start * unitBytes;
                        result.aligned.push_back({view.plan.name, SumName(WithForm(row, form)), from,
                                                  from + length * unitBytes, FileOffsetOf(view.plan, from), true});
                    });
    const std::uint64_t base = std::bit_ceil(minUnits);
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
    const std::vector<View> views = ChecksumViewsOf(dump, true);
    const auto registers = RegistersOfViews(views, engines, request.width / 8);
    for (std::size_t v = 0; v < views.size(); ++v) CheckWholeView(views[v], request, engines, registers[v], result);
    if (!request.ranges) return result;
    bool listening = true;
    for (const View& view : views) {
        if (IsPiece(view.plan)) continue;  // ranges of halves and quarters are ranges of the whole
        for (const SumKind& row : RowsOfWidth(request.width)) {
            CheckAligned(view, row, request, result);
            const unsigned unitBytes = UnitBytes(row.unit, row.width);
            const RangeSumRequest range{row, request.value, request.minLength, request.maxLength};
            const RangeSumResult found =
                FindSumRanges(view.bytes, range, [&](std::uint64_t start, std::uint64_t end, SumForm form) {
                    if (IsAligned(start, end, unitBytes)) return true;
                    listening = listening && onRange({view.plan.name, SumName(WithForm(row, form)), start, end,
                                                      FileOffsetOf(view.plan, start), false});
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
