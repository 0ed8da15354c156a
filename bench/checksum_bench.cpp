// Speed of the programmer sums, of catalogue CRCs other than the project's CRC-32, and of the solver.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "checksum/catalogue.h"
#include "checksum/label_solver.h"
#include "checksum/range_sums.h"

namespace vesperine::checksum {
namespace {

std::vector<std::uint8_t> RandomBytes(std::size_t length) {
    std::vector<std::uint8_t> bytes(length);
    std::mt19937_64 random(length);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

constexpr std::size_t k64MiB = 64 << 20;

// Every programmer sum at once: one pass for the lane totals, then all 42 values from them.
void BM_Sums(benchmark::State& state) {
    const auto bytes = RandomBytes(k64MiB);
    for (auto _ : state) {
        const LaneTotals totals = TotalLanes(bytes);
        std::uint32_t mix = 0;
        for (const SumKind& kind : AllSums()) mix ^= SumOf(totals, kind);
        benchmark::DoNotOptimize(mix);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * k64MiB));
}
BENCHMARK(BM_Sums)->Name("BM_Sums/64MiB")->Unit(benchmark::kMillisecond);

void BM_CatalogueCrc(benchmark::State& state, const char* name) {
    const auto bytes = RandomBytes(k64MiB);
    const CrcEngine engine(*FindCrcModel(name));
    for (auto _ : state) benchmark::DoNotOptimize(engine.Compute(bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * k64MiB));
}
BENCHMARK_CAPTURE(BM_CatalogueCrc, xmodem, "CRC-16/XMODEM")
    ->Name("BM_CatalogueCrc/CRC-16/XMODEM/64MiB")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CatalogueCrc, arc, "CRC-16/ARC")
    ->Name("BM_CatalogueCrc/CRC-16/ARC/64MiB")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CatalogueCrc, iscsi, "CRC-32/ISCSI")
    ->Name("BM_CatalogueCrc/CRC-32/ISCSI/64MiB")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CatalogueCrc, bzip2, "CRC-32/BZIP2")
    ->Name("BM_CatalogueCrc/CRC-32/BZIP2/64MiB")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CatalogueCrc, xz, "CRC-64/XZ")
    ->Name("BM_CatalogueCrc/CRC-64/XZ/64MiB")
    ->Unit(benchmark::kMillisecond);

// The whole solver on 16 MiB for a 16-bit value, ranges up to 0x10000 bytes (--max 10000):
// every whole view by every sum and CRC-16, then aligned and any ranges by every sum.
void BM_Solve(benchmark::State& state) {
    const auto bytes = RandomBytes(16 << 20);
    const SolveRequest request{0x3A7C, 16, true, 1, 0x10000};
    std::uint64_t hits = 0;
    for (auto _ : state) {
        const SolveResult result = Solve(bytes, request, [](const RangeHit&) { return false; });
        hits = result.rangeHits;
    }
    state.counters["range_hits"] = static_cast<double>(hits);
}
// Wall time: with a second processor part of the work runs on a thread of its own.
BENCHMARK(BM_Solve)->Name("BM_Solve/16MiB")->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// One range search, the solver's inner loop: 16 MiB by SUM-16 with end-around carry, ranges up
// to 0x10000 bytes, every hit only counted.
void BM_RangeSums(benchmark::State& state) {
    const auto bytes = RandomBytes(16 << 20);
    const RangeSumRequest request{{SumUnit::Byte, 16, true}, 0x3A7C, 1, 0x10000, DecoysOf(0x3A7C, 16)};
    for (auto _ : state) {
        benchmark::DoNotOptimize(FindSumRanges(bytes, request, [](auto, auto, SumForm) { return false; }).hits);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * (16 << 20)));
}
BENCHMARK(BM_RangeSums)->Name("BM_RangeSums/16MiB")->Unit(benchmark::kMillisecond);

// The same search over blank dumps (00 and FF), the commonest content: every block of 00 sums
// to 0000, and FF words with end-around carry show it complemented, so nearly every range is a
// hit. Hits past the few listed are only counted: within twice BM_Solve's time.
void BM_SolveBlank(benchmark::State& state, std::uint8_t fill) {
    const std::vector<std::uint8_t> bytes(16 << 20, fill);
    const SolveRequest request{0x0000, 16, true, 1, 0x10000};
    std::uint64_t hits = 0;
    for (auto _ : state) {
        std::size_t listed = 0;
        const SolveResult result = Solve(bytes, request, [&](const RangeHit&) { return ++listed < 20; });
        hits = result.rangeHits;
    }
    state.counters["range_hits"] = static_cast<double>(hits);
}
BENCHMARK_CAPTURE(BM_SolveBlank, zeros, std::uint8_t{0x00})
    ->Name("BM_Solve/16MiB/00")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_SolveBlank, ones, std::uint8_t{0xFF})
    ->Name("BM_Solve/16MiB/FF")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

}  // namespace
}  // namespace vesperine::checksum
