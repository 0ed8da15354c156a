// The board: a MAME-sized listing (50,000 machines, 300,000 ROMs) read streamed, and 16 chips of 4 MiB against it.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

#include "base/crc32.h"
#include "board/board.h"
#include "dat/dat_sets.h"

namespace vesperine::board {
namespace {

std::vector<std::uint8_t> Chip4MiB(std::uint64_t seed) {
    std::mt19937_64 random(seed);
    std::vector<std::uint8_t> bytes(std::size_t{4} << 20);
    for (std::size_t i = 0; i < bytes.size(); i += 8) {
        const std::uint64_t word = random();
        std::memcpy(&bytes[i], &word, 8);
    }
    return bytes;
}

// A listing like MAME's: machines of 6 ROMs on average, sizes from 1 KiB to 8 MiB (so that every
// view of a 4 MiB chip, and pairs of them, have ROMs of their size to look up), clones, devices.
// The first machine's ROMs are 4 of the chips: one whole, two as odd/even halves of one ROM.
std::string Listing(const std::vector<std::vector<std::uint8_t>>& chips) {
    std::mt19937 random(11);
    char hex[16];
    auto crcText = [&](std::uint32_t crc) {
        std::snprintf(hex, sizeof hex, "%08x", crc);
        return std::string(hex);
    };
    std::string text = "<?xml version=\"1.0\"?>\n<mame build=\"bench\">\n";
    std::vector<std::uint8_t> joined;
    for (std::size_t i = 0; i < chips[1].size(); ++i) {
        joined.push_back(chips[1][i]);
        joined.push_back(chips[2][i]);
    }
    text += "\t<machine name=\"real\">\n\t\t<description>Real</description>\n";
    text += "\t\t<rom name=\"u1\" size=\"4194304\" crc=\"" + crcText(Crc32(chips[0])) +
            "\" region=\"maincpu\" offset=\"0\"/>\n";
    text += "\t\t<rom name=\"u23\" size=\"8388608\" crc=\"" + crcText(Crc32(joined)) +
            "\" region=\"gfx1\" offset=\"0\"/>\n";
    text += "\t\t<device_ref name=\"dev1\"/>\n\t</machine>\n";
    std::size_t roms = 2;
    for (std::size_t m = 1; roms < 300000; ++m) {
        text += "\t<machine name=\"m" + std::to_string(m) + "\"";
        if (m % 3 == 0) text += " cloneof=\"m" + std::to_string(m - 1) + "\" romof=\"m" + std::to_string(m - 1) + "\"";
        if (m % 500 == 0) text += " isdevice=\"yes\"";
        text += ">\n\t\t<description>Machine " + std::to_string(m) + " (set 1)</description>\n";
        for (auto r = random() % 11; r > 0; --r, ++roms) {
            const std::uint64_t size = std::uint64_t{1024} << (random() % 14);
            text += "\t\t<rom name=\"m" + std::to_string(m) + "." + std::to_string(r) + "\" size=\"" +
                    std::to_string(size) + "\" crc=\"" + crcText(static_cast<std::uint32_t>(random())) +
                    "\" sha1=\"0123456789abcdef0123456789abcdef01234567\" region=\"maincpu\" offset=\"" +
                    std::to_string(r * 1000) + "\"/>\n";
        }
        text +=
            "\t\t<device_ref name=\"dev1\"/>\n\t\t<chip type=\"cpu\" name=\"Z80\" clock=\"4000000\"/>\n\t</machine>\n";
    }
    return text + "</mame>\n";
}

struct Bench {
    std::vector<std::vector<std::uint8_t>> chips;
    std::string listing;
    Bench() {
        for (std::uint64_t c = 0; c < 16; ++c) chips.push_back(Chip4MiB(c));
        listing = Listing(chips);
    }
};

const Bench& TheBench() {
    static const Bench bench;
    return bench;
}

[[nodiscard]] dat::DatSets ReadInBlocks(const std::string& text) {
    dat::DatSetReader reader;
    constexpr std::size_t kBlock = 64 << 10;
    for (std::size_t at = 0; at < text.size(); at += kBlock) {
        const std::size_t n = std::min(kBlock, text.size() - at);
        reader.Feed(std::span(reinterpret_cast<const std::uint8_t*>(text.data()) + at, n));
    }
    return reader.Finish();
}

void BM_ReadListing(benchmark::State& state) {
    const Bench& bench = TheBench();
    for (auto _ : state) {
        const dat::DatSets sets = ReadInBlocks(bench.listing);
        if (sets.error || sets.roms.size() < 300000) state.SkipWithError("the listing did not read whole");
        benchmark::DoNotOptimize(sets);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bench.listing.size()));
}
BENCHMARK(BM_ReadListing)->Name("BM_ReadListing/300000roms")->Unit(benchmark::kMillisecond)->UseRealTime();

// The index once, then the board: every view of every chip, the fill-trimmed starts, the pairs
// of the 13 chips nothing explains (ROMs of 8 MiB exist), the candidates worked out.
void BM_Board(benchmark::State& state) {
    const Bench& bench = TheBench();
    const BoardIndex index(ReadInBlocks(bench.listing));
    std::vector<Chip> chips;
    for (std::size_t c = 0; c < bench.chips.size(); ++c) chips.push_back({"U" + std::to_string(c), bench.chips[c], {}});
    for (auto _ : state) {
        const BoardResult result = FindBoard(chips, index);
        if (result.candidates.empty() || index.sets()[result.candidates[0].set].name != "real" ||
            result.candidates[0].good != 2)
            state.SkipWithError("the real machine was not found from its three chips");
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * 16 * (4 << 20)));
}
BENCHMARK(BM_Board)->Name("BM_Board/16x4MiB")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace vesperine::board
