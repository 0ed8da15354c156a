// Throughput of the CRC-32 and of the window search, fast against naive.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "base/crc32.h"
#include "search/window_search.h"

namespace vesperine {
namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;
constexpr std::size_t kKiB = std::size_t{1} << 10;
constexpr std::uint32_t kMissingCrc = 0x0BADF00D;  // checked to match no window below

const WindowPoll kNeverBreak = [](std::uint64_t, std::uint64_t) { return false; };

std::vector<std::uint8_t> RandomBytes(std::size_t length) {
    std::vector<std::uint8_t> bytes(length);
    std::mt19937_64 random(length);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

void BM_Crc32(benchmark::State& state) {
    const auto bytes = RandomBytes(64 * kMiB);
    for (auto _ : state) benchmark::DoNotOptimize(Crc32(bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void BM_Crc32Bytewise(benchmark::State& state) {
    const auto bytes = RandomBytes(64 * kMiB);
    for (auto _ : state) benchmark::DoNotOptimize(Crc32Bytewise(bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

// A whole search without a hit: every window examined.
void RunSearch(benchmark::State& state, decltype(&FindCrcWindow) search, std::size_t length, std::uint32_t size,
               std::uint32_t step) {
    const auto extract = RandomBytes(length);
    if (search(extract, kMissingCrc, size, step, kNeverBreak).outcome != SearchOutcome::NotFound) {
        state.SkipWithError("the target CRC is in the extract");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(search(extract, kMissingCrc, size, step, kNeverBreak));
    const std::uint64_t windows = (length - size) / step + 1;
    state.counters["windows/s"] =
        benchmark::Counter(static_cast<double>(windows), benchmark::Counter::kIsIterationInvariantRate);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * length));
}

// CPU seconds per search by benchmark name, kept to print the fast search's speed-up after the
// run. CPU rather than wall time, as the machines this runs on are shared.
std::map<std::string, double> gSecondsPerSearch;

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                gSecondsPerSearch[run.benchmark_name()] =
                    run.cpu_accumulated_time / static_cast<double>(run.iterations);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace
}  // namespace vesperine

int main(int argc, char** argv) {
    using namespace vesperine;
    benchmark::RegisterBenchmark("BM_Crc32/64MiB", BM_Crc32)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_Crc32Bytewise/64MiB", BM_Crc32Bytewise)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_Search/16MiB/window1MiB/step4", [](benchmark::State& state) {
        RunSearch(state, &FindCrcWindow, 16 * kMiB, 1 * kMiB, 4);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_SearchNaive/256KiB/window16KiB/step4", [](benchmark::State& state) {
        RunSearch(state, &FindCrcWindowNaive, 256 * kKiB, 16 * kKiB, 4);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_Search/256KiB/window16KiB/step4", [](benchmark::State& state) {
        RunSearch(state, &FindCrcWindow, 256 * kKiB, 16 * kKiB, 4);
    })->Unit(benchmark::kMillisecond);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto naive = gSecondsPerSearch.find("BM_SearchNaive/256KiB/window16KiB/step4");
    const auto fast = gSecondsPerSearch.find("BM_Search/256KiB/window16KiB/step4");
    if (naive != gSecondsPerSearch.end() && fast != gSecondsPerSearch.end() && fast->second > 0) {
        std::printf("BM_Search speed-up over BM_SearchNaive (256KiB, window 16KiB, step 4, CPU time): %.0fx\n",
                    naive->second / fast->second);
    }
    return 0;
}
