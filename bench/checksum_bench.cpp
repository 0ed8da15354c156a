// Speed of the programmer sums, of every catalogue CRC beside ISA-L's where it has the model, and of the solver.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#if VESPERINE_HAVE_ISAL
#include <isa-l/crc.h>
#include <isa-l/crc64.h>
#endif

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

// The 64 MiB every CRC runs over, made once.
const std::vector<std::uint8_t>& CrcBytes() {
    static const auto bytes = RandomBytes(k64MiB);
    return bytes;
}

void BM_CatalogueCrc(benchmark::State& state, const CrcModel* model) {
    const auto& bytes = CrcBytes();
    const CrcEngine engine(*model);
    for (auto _ : state) benchmark::DoNotOptimize(engine.Compute(bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * k64MiB));
}

#if VESPERINE_HAVE_ISAL
// ISA-L's own functions, the peers on the models they compute. Each is conditioned to give the
// catalogue's value, and the run says whether it did (same_crc): the two time the same work.
struct IsalPeer {
    std::string_view model;
    std::uint64_t (*crc)(const std::uint8_t* p, std::size_t n);
};

constexpr IsalPeer kIsalPeers[] = {
    {"CRC-16/T10-DIF", [](const std::uint8_t* p, std::size_t n) -> std::uint64_t { return crc16_t10dif(0, p, n); }},
    {"CRC-32/BZIP2", [](const std::uint8_t* p, std::size_t n) -> std::uint64_t { return crc32_ieee(0, p, n); }},
    {"CRC-32/MPEG-2",
     [](const std::uint8_t* p, std::size_t n) -> std::uint64_t { return ~crc32_ieee(0, p, n) & 0xFFFFFFFFu; }},
    {"CRC-32/ISO-HDLC", [](const std::uint8_t* p, std::size_t n) -> std::uint64_t { return crc32_gzip_refl(0, p, n); }},
    {"CRC-32/ISCSI",
     [](const std::uint8_t* p, std::size_t n) -> std::uint64_t {
         return ~crc32_iscsi(const_cast<std::uint8_t*>(p), static_cast<int>(n), 0xFFFFFFFFu) & 0xFFFFFFFFu;
     }},
    {"CRC-64/ECMA-182",
     [](const std::uint8_t* p, std::size_t n) -> std::uint64_t { return ~crc64_ecma_norm(~0ull, p, n); }},
    {"CRC-64/WE", [](const std::uint8_t* p, std::size_t n) -> std::uint64_t { return crc64_ecma_norm(0, p, n); }},
    {"CRC-64/XZ", [](const std::uint8_t* p, std::size_t n) -> std::uint64_t { return crc64_ecma_refl(0, p, n); }},
    {"CRC-64/GO-ISO", [](const std::uint8_t* p, std::size_t n) -> std::uint64_t { return crc64_iso_refl(0, p, n); }},
    {"CRC-64/REDIS",
     [](const std::uint8_t* p, std::size_t n) -> std::uint64_t { return ~crc64_jones_refl(~0ull, p, n); }},
};

void BM_IsalCrc(benchmark::State& state, const CrcModel* model, const IsalPeer* peer) {
    const auto& bytes = CrcBytes();
    std::uint64_t crc = 0;
    for (auto _ : state) benchmark::DoNotOptimize(crc = peer->crc(bytes.data(), bytes.size()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * k64MiB));
    state.counters["same_crc"] = crc == CrcEngine(*model).Compute(bytes) ? 1 : 0;
}
#endif

// Every catalogue model folded, each followed by ISA-L's function for it where ISA-L was found
// at configure: one run shows them side by side.
const bool kCatalogueRegistered = [] {
    for (const CrcModel& model : CrcModels()) {
        const std::string name = "BM_CatalogueCrc/" + std::string(model.name) + "/64MiB";
        benchmark::RegisterBenchmark(name.c_str(), BM_CatalogueCrc, &model)->Unit(benchmark::kMillisecond);
#if VESPERINE_HAVE_ISAL
        for (const IsalPeer& peer : kIsalPeers) {
            if (peer.model != model.name) continue;
            const std::string peerName = "BM_IsalCrc/" + std::string(model.name) + "/64MiB";
            benchmark::RegisterBenchmark(peerName.c_str(), BM_IsalCrc, &model, &peer)->Unit(benchmark::kMillisecond);
        }
#endif
    }
    return true;
}();

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
