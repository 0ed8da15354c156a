// Speed of comparing several reads (findings and consensus) and of the CRC-guided mend.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "base/crc32.h"
#include "reads/compare_reads.h"
#include "reads/crc_mend.h"
#include "reads/read_findings.h"

namespace vesperine::reads {
namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

std::vector<std::uint8_t> RandomImage(std::size_t length, std::uint64_t seed) {
    std::vector<std::uint8_t> bytes(length);
    std::mt19937_64 random(seed);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

// Distinct bit indices below 8 × length, ascending.
std::vector<std::uint64_t> RandomBits(std::size_t length, std::size_t count, std::uint64_t seed) {
    std::mt19937_64 random(seed);
    std::vector<std::uint64_t> bits;
    while (bits.size() < count) {
        for (std::size_t k = bits.size(); k < count; ++k) bits.push_back(random() % (8 * length));
        std::sort(bits.begin(), bits.end());
        bits.erase(std::unique(bits.begin(), bits.end()), bits.end());
    }
    return bits;
}

// Three reads of one image, each with a thousand weak bits of its own flipped.
void BM_Reads(benchmark::State& state, std::size_t length) {
    const std::vector<std::uint8_t> image = RandomImage(length, 1);
    std::vector<std::vector<std::uint8_t>> reads(3, image);
    for (std::size_t r = 0; r < reads.size(); ++r) {
        for (const std::uint64_t bit : RandomBits(length, 1000, 2 + r))
            reads[r][bit / 8] ^= std::uint8_t(1u << (bit % 8));
    }
    const std::vector<std::span<const std::uint8_t>> spans(reads.begin(), reads.end());
    for (auto _ : state) {
        const ReadsComparison comparison = CompareReads(spans);
        benchmark::DoNotOptimize(ExplainReads(comparison));
        benchmark::DoNotOptimize(comparison.consensus.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * 3 * length));
}

// u unknown bits of a 1 MiB consensus, a random half of them wrong.
void BM_ReadsMend(benchmark::State& state, std::size_t length) {
    const auto u = static_cast<std::size_t>(state.range(0));
    const std::vector<std::uint8_t> image = RandomImage(length, 7);
    const std::vector<std::uint64_t> unknowns = RandomBits(length, u, 8);
    std::vector<std::uint8_t> consensus = image;
    for (std::size_t k = 0; k < u; k += 2) consensus[unknowns[k] / 8] ^= std::uint8_t(1u << (unknowns[k] % 8));
    const std::uint32_t expected = Crc32(image);
    for (auto _ : state) benchmark::DoNotOptimize(MendByCrc(consensus, unknowns, expected));
}

BENCHMARK_CAPTURE(BM_Reads, 3x64MiB, 64 * kMiB)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadsMend, 1MiB, kMiB)->Arg(32)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vesperine::reads
