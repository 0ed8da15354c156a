// Speed of the any-length CRC search, and how far it is ahead of computing every range's CRC.
#include <benchmark/benchmark.h>

#include <ctime>
#include <random>
#include <vector>

#include "search/any_length_search.h"

namespace vesperine {
namespace {

// Random bytes hold about n^2 / 2^33 ranges with any given CRC: none expected in 64 KiB (the
// counter says), some tens of thousands in 16 MiB, whose reporting costs nothing measurable.
constexpr std::uint32_t kTarget = 0x0BADF00D;

const WindowPoll kNeverBreak = [](std::uint64_t, std::uint64_t) { return false; };
const RangeHit kCountOnly = [](std::uint32_t, std::uint32_t) { return true; };

std::vector<std::uint8_t> RandomBytes(std::size_t length) {
    std::vector<std::uint8_t> bytes(length);
    std::mt19937_64 random(length);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

// The 4-byte block 9D 0A D9 6D, whose CRC-32 is 0, repeated: every fourth offset has the same
// key, the crafted input that once made the join quadratic. It must run about as fast as random.
std::vector<std::uint8_t> CraftedBytes(std::size_t length) {
    constexpr std::uint8_t kBlock[] = {0x9D, 0x0A, 0xD9, 0x6D};
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i) bytes[i] = kBlock[i % 4];
    return bytes;
}

// The case both searches run, and the naive search's CPU seconds on it for the fast one to
// compare against.
constexpr std::size_t kSharedCase = 64 << 10;
double gNaiveSeconds = 0;

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

void RunAnyLength(benchmark::State& state, std::size_t length, bool naive, bool crafted = false) {
    const auto extract = crafted ? CraftedBytes(length) : RandomBytes(length);
    const AnyLengthRequest request{kTarget, 1, 0xFFFFFFFF, 1, 0};
    std::uint64_t hits = 0;
    const double started = CpuSeconds();
    for (auto _ : state) {
        const AnyLengthResult result = naive ? FindCrcRangesNaive(extract, request, kNeverBreak, kCountOnly)
                                             : FindCrcRanges(extract, request, kNeverBreak, kCountOnly);
        hits += result.hits;
    }
    const double perSearch = (CpuSeconds() - started) / static_cast<double>(state.iterations());
    state.counters["hits"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * length));
    state.counters["ranges/s"] = benchmark::Counter(static_cast<double>(length) * static_cast<double>(length + 1) / 2,
                                                    benchmark::Counter::kIsIterationInvariantRate);
    if (naive) {
        gNaiveSeconds = perSearch;
    } else if (length == kSharedCase && gNaiveSeconds > 0 && perSearch > 0) {
        state.counters["x_naive"] = gNaiveSeconds / perSearch;  // speed-up over the naive search, CPU time
    }
}

// The naive search runs once: about two billion CRC steps.
BENCHMARK_CAPTURE(RunAnyLength, 64KiB_naive, kSharedCase, true)
    ->Name("BM_AnyLengthSearchNaive/64KiB")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunAnyLength, 64KiB, kSharedCase, false)
    ->Name("BM_AnyLengthSearch/64KiB")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunAnyLength, 1MiB, 1 << 20, false)->Name("BM_AnyLengthSearch/1MiB")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunAnyLength, 1MiBCrafted, 1 << 20, false, true)
    ->Name("BM_AnyLengthSearchCrafted/1MiB")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunAnyLength, 16MiB, 16 << 20, false)
    ->Name("BM_AnyLengthSearch/16MiB")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RunAnyLength, 16MiBCrafted, 16 << 20, false, true)
    ->Name("BM_AnyLengthSearchCrafted/16MiB")
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vesperine
