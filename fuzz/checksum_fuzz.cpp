// Sums, catalogue CRCs and the solver's range and aligned-block searches against naive ones.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <bit>
#include <tuple>
#include <vector>

#include "checksum/aligned_sums.h"
#include "checksum/catalogue.h"
#include "checksum/label_solver.h"
#include "checksum/naive_sums.h"
#include "checksum/range_sums.h"
#include "checksum/view_crcs.h"
#include "fuzz_check.h"

using namespace vesperine::checksum;
using vesperine::fuzz::Check;

namespace {

// The CRC one bit at a time, straight from the model's parameters.
std::uint64_t NaiveCrc(const CrcModel& m, std::span<const std::uint8_t> bytes) {
    const std::uint64_t top = std::uint64_t{1} << (m.width - 1);
    const std::uint64_t mask = top | (top - 1);
    std::uint64_t reg = m.init;
    for (std::uint8_t byte : bytes) {
        if (m.refin) byte = static_cast<std::uint8_t>(Reflect(byte, 8));
        for (int bit = 7; bit >= 0; --bit) {
            const bool in = ((byte >> bit) & 1) != 0;
            const bool out = (reg & top) != 0;
            reg = (reg << 1) & mask;
            if (in != out) reg ^= m.poly;
        }
    }
    if (m.refout) reg = Reflect(reg, m.width);
    return (reg ^ m.xorout) & mask;
}

using Hit = std::tuple<std::uint64_t, std::uint64_t, SumForm>;

// Every range [a, b) of whole units of the view, length in bytes within the bounds, summed afresh.
std::vector<Hit> NaiveRanges(std::span<const std::uint8_t> view, const SumKind& row, std::uint32_t value,
                             std::uint64_t minLength, std::uint64_t maxLength, bool alignedOnly) {
    std::vector<Hit> hits;
    const std::uint64_t size = UnitBytes(row.unit, row.width);
    const std::uint64_t units = view.size() / size;
    for (std::uint64_t a = 0; a < units; ++a) {
        for (std::uint64_t b = a + 1; b <= units; ++b) {
            const std::uint64_t length = (b - a) * size;
            if (length < minLength || length > maxLength) continue;
            if (alignedOnly && !(std::has_single_bit(b - a) && a % (b - a) == 0)) continue;
            for (const SumForm form : {SumForm::Plain, SumForm::Negated, SumForm::Complemented}) {
                SumKind kind = row;
                kind.form = form;
                if (NaiveSum(view.subspan(a * size, length), kind) == value)
                    hits.emplace_back(a * size, b * size, form);
            }
        }
    }
    return hits;
}

void CheckRanges(std::span<const std::uint8_t> view, const SumKind& row, std::uint32_t value, std::uint64_t minLength,
                 std::uint64_t maxLength) {
    std::vector<Hit> found;
    // Decoys are counted at every end of a view this short: exactly the naive counts.
    // Two of them: each costs the naive oracle another full pass.
    std::vector<std::uint32_t> decoys = DecoysOf(value, row.width);
    decoys.resize(std::min<std::size_t>(decoys.size(), 2));
    const RangeSumRequest request{row, value, minLength, maxLength, decoys};
    const RangeSumResult result = FindSumRanges(view, request, [&](std::uint64_t a, std::uint64_t b, SumForm form) {
        found.emplace_back(a, b, form);
        return true;
    });
    std::vector<Hit> naive = NaiveRanges(view, row, value, minLength, maxLength, false);
    Check(result.hits == naive.size(), "range count");
    std::uint64_t naiveDecoys = 0;
    for (const std::uint32_t decoy : decoys)
        naiveDecoys += NaiveRanges(view, row, decoy, minLength, maxLength, false).size();
    Check(result.decoyHits == static_cast<double>(naiveDecoys), "decoy range count");
    // A listener that has heard enough early: the rest is only counted, by the counting walk.
    for (const std::uint64_t enough : {std::uint64_t{1}, naive.size() / 2 + 1}) {
        std::uint64_t told = 0;
        const RangeSumResult counted =
            FindSumRanges(view, request, [&](std::uint64_t, std::uint64_t, SumForm) { return ++told < enough; });
        Check(counted.hits == naive.size() && told == std::min<std::uint64_t>(enough, naive.size()), "counted hits");
    }
    std::sort(found.begin(), found.end());
    std::sort(naive.begin(), naive.end());
    Check(found == naive, "range hits");

    // Aligned blocks, by units: lengths from bit_ceil(min units) up to max units.
    const std::uint64_t size = UnitBytes(row.unit, row.width);
    const std::uint64_t minUnits = std::max<std::uint64_t>(1, (minLength + size - 1) / size);
    const std::uint64_t maxUnits = std::min<std::uint64_t>(view.size() / size, maxLength / size);
    std::vector<Hit> aligned;
    const AlignedSumResult alignedResult = FindAlignedSums(
        view, row, value, minUnits, maxUnits, decoys, [&](std::uint64_t start, std::uint64_t length, SumForm f) {
            aligned.emplace_back(start * size, (start + length) * size, f);
            return true;
        });
    Check(alignedResult.hits == aligned.size(), "aligned count");
    std::uint64_t naiveAlignedDecoys = 0;
    for (const std::uint32_t decoy : decoys) {
        naiveAlignedDecoys +=
            NaiveRanges(view, row, decoy, std::bit_ceil(minUnits) * size, maxUnits * size, true).size();
    }
    Check(alignedResult.decoyHits == static_cast<double>(naiveAlignedDecoys), "aligned decoy count");
    std::uint64_t heard = 0;
    const AlignedSumResult alignedCounted = FindAlignedSums(
        view, row, value, minUnits, maxUnits, {}, [&](std::uint64_t, std::uint64_t, SumForm) { return ++heard < 2; });
    Check(alignedCounted.hits == aligned.size() && heard == std::min<std::uint64_t>(2, aligned.size()),
          "aligned hits counted once the listener has heard enough");
    const auto told = [](const Hit& x, const Hit& y) {  // by end, then length, then form
        return std::tuple(std::get<1>(x), std::get<1>(x) - std::get<0>(x), std::get<2>(x)) <
               std::tuple(std::get<1>(y), std::get<1>(y) - std::get<0>(y), std::get<2>(y));
    };
    Check(std::is_sorted(aligned.begin(), aligned.end(), told), "aligned order");
    std::sort(aligned.begin(), aligned.end());
    std::vector<Hit> naiveAligned =
        NaiveRanges(view, row, value, std::bit_ceil(minUnits) * size, maxUnits * size, true);
    std::sort(naiveAligned.begin(), naiveAligned.end());
    Check(aligned == naiveAligned, "aligned hits");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t length) {
    FuzzedDataProvider in(data, length);
    const auto value = in.ConsumeIntegral<std::uint32_t>();
    const auto minLength = in.ConsumeIntegralInRange<std::uint64_t>(0, 40);
    const auto maxLength = in.ConsumeIntegralInRange<std::uint64_t>(0, 300);
    const bool zeros = in.ConsumeBool();  // mostly zero bytes: long runs for the end-around carry
    const auto longer = in.ConsumeIntegralInRange<std::size_t>(0, 3);  // copies of the input, to 288 bytes
    std::vector<std::uint8_t> bytes = in.ConsumeRemainingBytes<std::uint8_t>();
    for (std::size_t copy = 1; longer != 0 && !bytes.empty() && bytes.size() < 96 * longer; ++copy) {
        const std::size_t size = bytes.size();
        for (std::size_t i = 0; i < size && bytes.size() < 96 * longer; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(bytes[i] + copy));
        }
    }
    if (zeros) {
        for (auto& b : bytes) b = b < 0xF0 ? 0 : b == 0xFF ? 0xFF : b;
    }

    const LaneTotals totals = TotalLanes(bytes);
    for (const SumKind& kind : AllSums()) Check(SumOf(totals, kind) == NaiveSum(bytes, kind), "sum");
    // The bit-at-a-time CRCs are slow: up to 1 KiB for them, 40 bytes for the cubic searches.
    const std::span<const std::uint8_t> medium = std::span(bytes).first(std::min<std::size_t>(bytes.size(), 1024));
    const std::span<const std::uint8_t> small = medium.first(std::min<std::size_t>(medium.size(), 40));
    static const std::vector<CrcEngine> catalogue(CrcModels().begin(), CrcModels().end());  // tables built once
    for (const CrcEngine& engine : catalogue) {
        Check(engine.Compute(medium) == NaiveCrc(engine.Model(), medium), "catalogue CRC");
    }

    // Every view's registers for every model of one width, as the solver reads them, afresh.
    const std::vector<vesperine::View> views = vesperine::ChecksumViewsOf(medium, true);
    const unsigned width = (value & 0x200) != 0 ? 16 : (value & 0x400) != 0 ? 8 : 32;
    std::vector<CrcEngine> engines;
    for (const CrcEngine& engine : catalogue) {
        if (engine.Model().width == width) engines.push_back(engine);
    }
    const auto registers = RegistersOfViews(views, engines, width / 8);
    for (std::size_t v = 0; v < views.size(); ++v) {
        const auto view = views[v].bytes;
        const std::size_t body = view.size() > width / 8 ? view.size() - width / 8 : view.size();
        for (std::size_t e = 0; e < engines.size(); ++e) {
            Check(engines[e].Finish(registers[v][e].full) == NaiveCrc(engines[e].Model(), view), "view CRC");
            Check(engines[e].Finish(registers[v][e].body) == NaiveCrc(engines[e].Model(), view.first(body)),
                  "view CRC without its trailer");
        }
    }

    // The searches are checked against a cubic brute force: a short view.
    for (const SumKind& row : SumRows()) {
        const std::uint32_t mask = static_cast<std::uint32_t>((std::uint64_t{1} << row.width) - 1);
        // Half the time the value is that of a planted range, so there are hits to compare.
        const std::size_t from = small.empty() ? 0 : value % small.size();
        const std::size_t span = (value >> 9) % (small.size() - from + 1);
        const std::uint32_t wanted = (value & 0x100) != 0 ? NaiveSum(small.subspan(from, span), row) : value & mask;
        CheckRanges(small, row, wanted, minLength, maxLength);
    }
    return 0;
}
