// Identification of a 64 MiB dump against 100,000 DAT entries, and the one-pass digests.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

#include "analysis/views.h"
#include "dat/digests.h"
#include "dat/identify.h"

namespace vesperine::dat {
namespace {

std::vector<std::uint8_t> RandomBytes(std::size_t size) {
    std::mt19937_64 random(42);
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        const std::uint64_t word = random();
        std::memcpy(&bytes[i], &word, 8);
    }
    return bytes;
}

// 100,000 entries whose sizes include every view size of a 64 MiB file, so that every view is
// read for its CRC-32, and three entries that two views really match (with SHA-1, so those
// views are hashed whole to confirm them).
// extra: one more size, for the views a headered file adds.
std::vector<RomEntry> BenchDat(std::span<const std::uint8_t> file, std::uint64_t extra = 4096) {
    std::mt19937 random(7);
    const std::uint64_t sizes[] = {file.size(), file.size() / 2, file.size() / 4, 1u << 20, extra, 512u << 10, 4096};
    std::vector<RomEntry> roms;
    for (std::size_t i = 0; i < 100000 - 3; ++i) {
        RomEntry rom;
        rom.game = "game" + std::to_string(i / 8);
        rom.name = "rom" + std::to_string(i);
        rom.size = sizes[i % std::size(sizes)];
        rom.crc = static_cast<std::uint32_t>(random());
        roms.push_back(std::move(rom));
    }
    for (const ViewPlan& view : ViewsOf(file)) {
        if (view.name != "odd bytes" && view.name != "byte lane 2 of 4" && view.name != "quarter 4 of 4") continue;
        RomEntry rom;
        rom.game = "real";
        rom.name = view.name;
        rom.size = view.size;
        const ViewBytes bytes = MaterializeView(file, view);
        const Digests digests = ComputeDigests(bytes.bytes);
        rom.crc = digests.crc32;
        rom.sha1 = digests.sha1;
        roms.push_back(std::move(rom));
    }
    return roms;
}

void BM_Identify(benchmark::State& state) {
    const auto file = RandomBytes(std::size_t{64} << 20);
    const DatIndex index(BenchDat(file));
    for (auto _ : state) {
        const Identification found = Identify(file, "board.bin", index, true);
        if (found.matches.size() != 3) state.SkipWithError("the three real entries were not all found");
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_Identify)->Name("BM_Identify/64MiB")->Unit(benchmark::kMillisecond)->UseRealTime();

// The worst case of the views that headers add: 64 MiB after a 512-byte copier header, a length
// that is no power of two, and a DAT with the sizes of the image without the header (64 MiB) and
// of the file padded (128 MiB, twice: with 00 and with FF), so that those views are read too.
void BM_IdentifyHeadered(benchmark::State& state) {
    const auto file = RandomBytes((std::size_t{64} << 20) + 512);
    std::vector<RomEntry> roms = BenchDat(file, std::uint64_t{128} << 20);
    roms.push_back(RomEntry{});
    roms.back().name = "image";
    roms.back().size = std::uint64_t{64} << 20;
    roms.back().crc = 0;
    const DatIndex index(std::move(roms));
    for (auto _ : state) benchmark::DoNotOptimize(Identify(file, "board.smc", index, true));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_IdentifyHeadered)->Name("BM_Identify/64MiB+512")->Unit(benchmark::kMillisecond)->UseRealTime();

// CRC-32 of each view of 64 MiB, as identification reads it.
void BM_ViewCrc(benchmark::State& state) {
    const auto file = RandomBytes(std::size_t{64} << 20);
    const ViewPlan view = ViewsOf(file)[static_cast<std::size_t>(state.range(0))];
    state.SetLabel(view.name);
    for (auto _ : state) benchmark::DoNotOptimize(ViewCrc(file, view));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * view.size));
}
BENCHMARK(BM_ViewCrc)->DenseRange(0, 17)->Unit(benchmark::kMillisecond);

void BM_DatIndex(benchmark::State& state) {
    const auto file = RandomBytes(std::size_t{1} << 20);
    const std::vector<RomEntry> roms = BenchDat(file);
    for (auto _ : state) {
        DatIndex index(roms);
        benchmark::DoNotOptimize(index);
    }
}
BENCHMARK(BM_DatIndex)->Name("BM_DatIndex/100000")->Unit(benchmark::kMillisecond);

// Digests of 64 MiB by chunk size (KiB), on one thread and on two.
void BM_Digests(benchmark::State& state) {
    const auto bytes = RandomBytes(std::size_t{64} << 20);
    const auto threads = state.range(1) == 2 ? DigestThreads::Two : DigestThreads::One;
    const std::size_t chunk = static_cast<std::size_t>(state.range(0)) << 10;
    for (auto _ : state) benchmark::DoNotOptimize(ComputeDigests(bytes, threads, chunk));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_Digests)
    ->ArgNames({"chunkKiB", "threads"})
    ->ArgsProduct({{16, 64, 128, 256, 1024, 65536}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace vesperine::dat
