// Speed of the dump diagnosis and of the CRC repair of one and two flipped bits.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "base/crc32.h"
#include "diagnosis/block_map.h"
#include "diagnosis/diagnose.h"
#include "diagnosis/repair.h"

namespace vesperine::diagnosis {
namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

std::vector<std::uint8_t> RandomDump(std::size_t length) {
    std::vector<std::uint8_t> bytes(length);
    std::mt19937_64 random(length);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

// A clean dump: every check runs, and each stops at its first sign of a working line.
void BM_Diagnose(benchmark::State& state, std::size_t length) {
    const auto dump = RandomDump(length);
    for (auto _ : state) benchmark::DoNotOptimize(Diagnose(dump, {}));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * length));
}

// The whole file's checks alone, which read the file in place as they always did.
void BM_DiagnoseWholeOnly(benchmark::State& state, std::size_t length) {
    const auto dump = RandomDump(length);
    for (auto _ : state) benchmark::DoNotOptimize(Diagnose(dump, {.width = 1, .wholeOnly = true}));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * length));
}

// A 16 MiB image read four times: the repetition and the lines above it compare whole halves.
void BM_DiagnoseOverdump(benchmark::State& state, std::size_t length) {
    const auto image = RandomDump(length / 4);
    std::vector<std::uint8_t> dump;
    for (int k = 0; k < 4; ++k) dump.insert(dump.end(), image.begin(), image.end());
    for (auto _ : state) benchmark::DoNotOptimize(Diagnose(dump, {}));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * length));
}

// A dump with bits flipped near its start and end, repaired against the CRC it had before.
void RunRepair(benchmark::State& state, std::size_t length, unsigned bits) {
    auto dump = RandomDump(length);
    const std::uint32_t expected = Crc32(dump);
    dump[length / 7] ^= 0x10;
    if (bits == 2) dump[length - length / 5] ^= 0x02;
    for (auto _ : state) {
        const RepairResult result = FindBitRepairs(dump, expected, bits);
        if (result.singles + result.pairs == 0) state.SkipWithError("the flipped bits were not found");
        benchmark::DoNotOptimize(result);
    }
    state.counters["bits/s"] =
        benchmark::Counter(static_cast<double>(8 * length), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_RepairOneBit(benchmark::State& state, std::size_t length) { RunRepair(state, length, 1); }
void BM_RepairTwoBits(benchmark::State& state, std::size_t length) { RunRepair(state, length, 2); }

// The Inspector's map of a dump: half random, a quarter of 0x42 runs (a value repeated is the
// counting's worst case) and a quarter repeating the first blocks.
void BM_MapBlocks(benchmark::State& state, std::size_t length) {
    auto dump = RandomDump(length);
    std::fill(dump.begin() + static_cast<std::ptrdiff_t>(length / 2),
              dump.begin() + static_cast<std::ptrdiff_t>(3 * length / 4), std::uint8_t{0x42});
    std::copy(dump.begin(), dump.begin() + static_cast<std::ptrdiff_t>(length / 4),
              dump.begin() + static_cast<std::ptrdiff_t>(3 * length / 4));
    for (auto _ : state) benchmark::DoNotOptimize(MapBlocks(dump, BlockLengthFor(length)));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * length));
}

BENCHMARK_CAPTURE(BM_MapBlocks, 256MiB, 256 * kMiB)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Diagnose, 64MiB, 64 * kMiB)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DiagnoseWholeOnly, 64MiB, 64 * kMiB)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DiagnoseOverdump, 64MiB, 64 * kMiB)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RepairOneBit, 8MiB, 8 * kMiB)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RepairTwoBits, 1MiB, 1 * kMiB)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vesperine::diagnosis
