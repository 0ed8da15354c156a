// The board against chips cut from real images: interleaved, burnt on a bigger chip, faulty, missing, strangers; pairs
// against a naive twin.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "board/board.h"
#include "board/board_report.h"
#include "board/board_sources.h"
#include "dat/digests.h"
#include "support/test_bytes.h"

namespace vesperine::board {
namespace {

using Bytes = std::vector<std::uint8_t>;
using vesperine::testing::RandomBytes;

Bytes RealImage(const char* path, std::size_t size, unsigned seed) {
    std::optional<Bytes> bytes = vesperine::testing::FileBytes(path);
    return bytes && bytes->size() == size ? *bytes : RandomBytes(size, seed);
}

// A DAT built set by set; each ROM with the CRC-32 from zlib and the SHA-1 from the digests.
struct DatBuilder {
    dat::DatSets sets;
    dat::DatSet& Set(std::string name, std::string cloneOf = "") {
        dat::DatSet set;
        set.name = std::move(name);
        set.cloneOf = set.romOf = cloneOf;
        sets.sets.push_back(std::move(set));
        return sets.sets.back();
    }
    dat::SetRom& Rom(std::string name, const Bytes& bytes, dat::RomStatus status = dat::RomStatus::Good) {
        dat::RomEntry rom;
        rom.game = sets.sets.back().name;
        rom.name = std::move(name);
        rom.size = bytes.size();
        rom.crc = vesperine::testing::ZlibCrc(bytes);
        rom.sha1 = dat::ComputeDigests(bytes).sha1;
        rom.status = status;
        dat::SetRom entry;
        entry.rom = sets.roms.size();
        sets.sets.back().roms.push_back(entry);
        sets.roms.push_back(rom);
        return sets.sets.back().roms.back();
    }
};

Bytes Lane(const Bytes& bytes, std::size_t first) {
    Bytes lane;
    for (std::size_t i = first; i < bytes.size(); i += 2) lane.push_back(bytes[i]);
    return lane;
}

const RomResult& Named(const Candidate& c, const BoardIndex& index, const std::string& name) {
    for (const RomResult& r : c.roms) {
        if (index.roms().roms()[r.rom].name == name) return r;
    }
    throw std::logic_error("no ROM " + name);
}

TEST(BoardTest, ChipsCutFromRealImagesAreFoundMendedAndMissed) {
    const Bytes bios = RealImage("/usr/share/seabios/bios.bin", 131072, 1);
    const Bytes vga = RealImage("/usr/share/seabios/vgabios-stdvga.bin", 39936, 2);
    const Bytes cirrus = RealImage("/usr/share/seabios/vgabios-cirrus.bin", 39424, 3);
    const Bytes lo(bios.begin(), bios.begin() + 65536), hi(bios.begin() + 65536, bios.end());
    Bytes device(vga.begin(), vga.begin() + 4096), bad(vga.begin() + 4096, vga.begin() + 8192);
    DatBuilder dat;
    dat.Set("seaboard").deviceRefs = {"vgadev", "vgadev"};
    static_cast<void>(dat.Rom("bios-lo.bin", lo));
    static_cast<void>(dat.Rom("bios-hi.bin", hi));
    dat.Rom("vga.bin", vga);
    dat.Rom("cirrus.bin", cirrus);
    static_cast<void>(dat.Rom("pal.bin", Bytes(260), dat::RomStatus::NoDump));
    dat.sets.roms.back().crc.reset();
    const Bytes guessed = RandomBytes(512, 9);  // a nodump entry that still carries digests
    static_cast<void>(dat.Rom("guess.bin", guessed, dat::RomStatus::NoDump));
    dat.Rom("bad.bin", bad, dat::RomStatus::BadDump);
    dat.Set("seaboardb", "seaboard");
    dat.Rom("bios-lo.bin", lo).merge = "bios-lo.bin";
    dat.Rom("other.bin", cirrus);
    dat.Set("vgadev").isDevice = true;
    dat.Rom("vgadev.bin", device);
    const BoardIndex index(std::move(dat.sets));

    Bytes faulty = hi;
    faulty[0x1234] ^= 0x10;
    Bytes burnt = vga;
    burnt.resize(65536, 0xFF);
    const Bytes stranger = RandomBytes(8192, 4);
    const Bytes u1 = Lane(lo, 0), u2 = Lane(lo, 1);
    const Chip chips[] = {{"U1", u1, {}},     {"U2", u2, {}},  {"U3", faulty, {}},  {"U4", burnt, {}},
                          {"U5", device, {}}, {"U6", bad, {}}, {"X", stranger, {}}, {"U7", guessed, {}}};
    const BoardResult result = FindBoard(chips, index);

    ASSERT_GE(result.candidates.size(), 2u);
    const Candidate& best = result.candidates[0];
    EXPECT_EQ(index.sets()[best.set].name, "seaboard");
    EXPECT_EQ(index.sets()[result.candidates[1].set].name, "seaboardb");
    const RomResult& pair = Named(best, index, "bios-lo.bin");
    EXPECT_EQ(pair.state, RomState::Good);
    EXPECT_EQ(pair.source->pairing, Pairing::Bytes);
    EXPECT_EQ(pair.source->chips, (std::vector<std::size_t>{0, 1}));
    const RomResult& near = Named(best, index, "bios-hi.bin");
    ASSERT_EQ(near.state, RomState::Near);
    ASSERT_EQ(near.mends.size(), 1u);
    EXPECT_EQ(near.mends[0].outcome, MendOutcome::Verified);
    ASSERT_EQ(near.mends[0].bits.size(), 1u);
    EXPECT_EQ(near.mends[0].bits[0].offset, 0x1234u);
    EXPECT_EQ(near.mends[0].bits[0].bit, 4u);
    EXPECT_EQ(near.mends[0].bytes, hi);
    EXPECT_EQ(Named(best, index, "vga.bin").source->view.family, "start before fill");
    EXPECT_EQ(Named(best, index, "cirrus.bin").state, RomState::Missing);
    EXPECT_EQ(Named(best, index, "pal.bin").state, RomState::NoDump);
    EXPECT_EQ(Named(best, index, "guess.bin").state, RomState::NoDump) << "matched, yet never good";
    EXPECT_EQ(Named(best, index, "bad.bin").state, RomState::BadDump);
    const RomResult& fromDevice = Named(best, index, "vgadev.bin");
    EXPECT_EQ(fromDevice.state, RomState::Good);
    EXPECT_EQ(fromDevice.via, "device \"vgadev\"");
    EXPECT_EQ(best.roms.size(), 8u);  // the device's ROM once, though named twice
    EXPECT_FALSE(best.complete);
    EXPECT_FALSE(best.completeMended);  // cirrus.bin is missing
    EXPECT_EQ(best.unusedChips, (std::vector<std::size_t>{6}));
    EXPECT_EQ(result.strangers, (std::vector<std::size_t>{6}));

    // The same board with its missing chip and a mend whose SHA-1 is not the DAT's.
    const Chip whole[] = {{"U1", u1, {}},     {"U2", u2, {}},  {"U3", faulty, {}}, {"U4", burnt, {}},
                          {"U5", device, {}}, {"U6", bad, {}}, {"U7", cirrus, {}}};
    const BoardResult mended = FindBoard(whole, index);
    EXPECT_TRUE(mended.candidates[0].completeMended);
    dat::DatSets lying;
    lying.sets = {index.sets()[0]};
    lying.roms = index.roms().roms();
    lying.roms[1].sha1->at(0) ^= 1;
    const BoardIndex lyingIndex(std::move(lying));
    const BoardResult lied = FindBoard(whole, lyingIndex);
    const RomResult& rejected = Named(lied.candidates[0], lyingIndex, "bios-hi.bin");
    EXPECT_EQ(rejected.mends[0].outcome, MendOutcome::Rejected);
    EXPECT_TRUE(rejected.mends[0].bytes.empty());
}

TEST(BoardTest, ASplitDatsCloneNeedsItsParentsAndBiosRoms) {
    const Bytes bios = RandomBytes(1024, 8), shared = RandomBytes(2048, 9), own = RandomBytes(2048, 10);
    DatBuilder dat;
    dat.Set("neogeo").isBios = true;
    static_cast<void>(dat.Rom("sp-s2.sp1", bios));
    dat.Set("parent").romOf = "neogeo";
    static_cast<void>(dat.Rom("p1.rom", RandomBytes(2048, 11)));
    static_cast<void>(dat.Rom("s1.rom", shared));
    dat.Set("clone", "parent");
    static_cast<void>(dat.Rom("p1.rom", own));
    dat.Set("listed");  // MAME's way: both BIOS choices listed, one on the board
    static_cast<void>(dat.Rom("own.rom", own));
    dat.Rom("sp-s2.sp1", bios).bios = "euro";
    dat.Rom("sp-s.sp1", RandomBytes(1024, 14)).bios = "asia";
    dat.Rom("sp-1v1.sp1", RandomBytes(1024, 15)).bios = "asia";
    dat.Set("alike");  // as much provided and one ROM missing: behind, as the unused choice costs nothing
    static_cast<void>(dat.Rom("own.rom", own));
    static_cast<void>(dat.Rom("sp-s2.sp1", bios));
    static_cast<void>(dat.Rom("more.rom", RandomBytes(64, 16)));
    const BoardIndex index(std::move(dat.sets));
    const Chip chips[] = {{"a", own, {}}, {"b", shared, {}}};
    const BoardResult result = FindBoard(chips, index);
    const Candidate& clone = result.candidates.at(0);
    ASSERT_EQ(index.sets()[clone.set].name, "clone");
    ASSERT_EQ(clone.roms.size(), 3u);  // its p1.rom, not the parent's; the parent's s1.rom; the BIOS's
    EXPECT_EQ(clone.roms[1].via, "parent \"parent\"");
    EXPECT_EQ(clone.roms[1].state, RomState::Good);
    EXPECT_EQ(clone.roms[2].via, "BIOS \"neogeo\"");
    EXPECT_EQ(clone.roms[2].state, RomState::Missing);

    const Chip withBios[] = {{"a", own, {}}, {"c", bios, {}}};
    const BoardResult listed = FindBoard(withBios, index);
    ASSERT_EQ(index.sets()[listed.candidates.at(0).set].name, "listed");
    EXPECT_TRUE(listed.candidates[0].complete);
    EXPECT_EQ(listed.candidates[0].roms[2].state, RomState::Unneeded);
    EXPECT_TRUE(listed.candidates[0].roms[3].otherBiosChoice);
    EXPECT_EQ(listed.candidates[0].missing, 0u);
}

TEST(BoardTest, ALoneChipOneBitFromARomPointsToItsSet) {
    const Bytes rom = RandomBytes(20000, 12);
    DatBuilder dat;
    dat.Set("other");
    static_cast<void>(dat.Rom("o.bin", RandomBytes(20000, 13)));
    dat.Set("game");
    static_cast<void>(dat.Rom("g.bin", rom));
    const BoardIndex index(std::move(dat.sets));
    for (const std::size_t at : {std::size_t{0}, std::size_t{7777}, rom.size() - 1}) {
        Bytes chip = rom;
        chip[at] ^= static_cast<std::uint8_t>(1u << (at % 8));
        const Chip chips[] = {{"U1", chip, {}}};
        const BoardResult result = FindBoard(chips, index);
        ASSERT_EQ(result.candidates.size(), 1u) << at;
        EXPECT_EQ(index.sets()[result.candidates[0].set].name, "game");
        EXPECT_TRUE(result.candidates[0].completeMended);
        EXPECT_TRUE(result.strangers.empty());
    }
}

TEST(BoardTest, FurtherReadsMendWhatTheyDisagreeOn) {
    const Bytes rom = RandomBytes(32768, 5);
    Bytes first = rom, second = rom, third = rom;
    first[100] ^= 0x04;  // the first read and the third agree on a wrong bit
    third[100] ^= 0x04;
    second[9000] ^= 0x80;  // a bit only the second read has wrong
    first[20000] ^= 0x01;  // and one only the first
    DatBuilder dat;
    dat.Set("game");
    dat.Rom("a.bin", rom);
    dat.Rom("b.bin", RandomBytes(64, 6));
    const BoardIndex index(std::move(dat.sets));
    const Bytes other = RandomBytes(64, 6);
    const Chip chips[] = {{"U1", first, {second, third}}, {"U2", other, {}}};
    const BoardResult result = FindBoard(chips, index);
    const RomResult& r = Named(result.candidates.at(0), index, "a.bin");
    ASSERT_EQ(r.state, RomState::Near);
    ASSERT_FALSE(r.mends.empty());
    EXPECT_EQ(r.mends[0].kind, MendKind::Reads);
    EXPECT_EQ(r.mends[0].outcome, MendOutcome::Verified);
    EXPECT_EQ(r.mends[0].bytes, rom);
}

// The pairs' and byte lanes' CRC-32 comes from each chip's spreads; the twin interleaves the bytes plainly.
TEST(BoardTest, EveryPairingOfRandomChipsIsFoundAsTheNaiveTwinMakesIt) {
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        const std::size_t n = 2 * (1 + random() % 300);
        std::vector<Bytes> chips;
        for (int c = 0; c < 6; ++c) chips.push_back(RandomBytes(n, static_cast<unsigned>(random())));
        const auto pairing = static_cast<Pairing>(1 + random() % 4);
        std::vector<std::size_t> order{0, 1, 2, 3, 4, 5};
        std::shuffle(order.begin(), order.end(), random);
        order.resize(ChipsOf(pairing));
        Bytes joined;
        if (pairing == Pairing::Concatenated) {
            joined = chips[order[0]];
            joined.insert(joined.end(), chips[order[1]].begin(), chips[order[1]].end());
        } else {
            const std::size_t group = pairing == Pairing::Words ? 2 : 1;
            for (std::size_t i = 0; i < n; i += group) {
                for (const std::size_t c : order) joined.insert(joined.end(), &chips[c][i], &chips[c][i] + group);
            }
        }
        DatBuilder dat;
        dat.Set("g");
        dat.Rom("joined", joined);
        const BoardIndex index(std::move(dat.sets));
        std::vector<Chip> given;
        for (std::size_t c = 0; c < chips.size(); ++c) given.push_back({std::to_string(c), chips[c], {}});
        const BoardResult result = FindBoard(given, index);
        ASSERT_EQ(result.candidates.size(), 1u);
        const RomResult& r = result.candidates[0].roms[0];
        ASSERT_EQ(r.state, RomState::Good) << round;
        EXPECT_EQ(r.source->pairing, pairing);
        EXPECT_EQ(r.source->chips, order);
        EXPECT_EQ(SourceBytes(*r.source, given), joined);
    }
}

// Broken off at any of its questions, FindBoard gives nothing and asks no more; never broken off, what the
// unpolled one gives.
TEST(BoardTest, APollBreaksTheWorkOffAtAnyQuestion) {
    const Bytes rom = RandomBytes(1 << 16, 21), other = RandomBytes(1 << 12, 22);
    DatBuilder dat;
    dat.Set("game");
    dat.Rom("a.bin", rom);
    dat.Rom("b.bin", other);
    const BoardIndex index(std::move(dat.sets));
    Bytes faulty = rom;
    faulty[0x3456] ^= 0x40;
    const Chip chips[] = {{"U1", faulty, {}}, {"U2", other, {}}};
    std::uint64_t asked = 0;
    const auto whole = FindBoard(chips, index, [&](std::uint64_t, std::uint64_t) { return ++asked, false; });
    ASSERT_TRUE(whole);
    EXPECT_EQ(ReportLines(*whole, chips, index), ReportLines(FindBoard(chips, index), chips, index));
    ASSERT_GT(asked, 20u);  // the views, the one-bit search and the 2-bit mend each ask
    for (std::uint64_t at = 1; at <= asked; at += asked / 9) {
        std::uint64_t calls = 0;
        EXPECT_FALSE(FindBoard(chips, index, [&](std::uint64_t, std::uint64_t) { return ++calls == at; })) << at;
        EXPECT_EQ(calls, at);
    }
}

// The one-bit search runs where 8nm / 2^32, the chance matches of n-byte chips against m CRC-32s,
// is at most kChanceMatches: at that bound, random chips against a random DAT must be found one
// bit from a ROM about that often (Poisson, within 4 standard deviations), and one ROM more stops it.
TEST(BoardTest, ChanceOneBitMatchesOfRandomChipsAreAsRareAsTheBoundSays) {
    constexpr std::size_t kLength = 4096, kChips = 3000;
    const auto roms = static_cast<std::size_t>(kChanceMatches * 4294967296.0 / (8.0 * kLength));
    std::mt19937 random(11);
    std::vector<dat::RomEntry> entries(roms + 1);
    for (dat::RomEntry& rom : entries) {
        rom.size = kLength;
        rom.crc = static_cast<std::uint32_t>(random());
    }
    const Bytes pile = RandomBytes(kLength * kChips, 12);
    std::vector<Chip> chips;
    std::vector<std::size_t> all;
    for (std::size_t c = 0; c < kChips; ++c) {
        chips.push_back({"c", std::span(pile).subspan(c * kLength, kLength), {}});
        all.push_back(c);
    }
    const dat::DatIndex atBound(std::vector<dat::RomEntry>(entries.begin(), entries.end() - 1));
    const double expected = kChips * (1 - std::pow(1 - 8.0 * kLength / 4294967296.0, static_cast<double>(roms)));
    EXPECT_LE(expected, kChanceMatches * kChips);
    const auto found = static_cast<double>(FindOneBitNear(chips, all, atBound).size());
    EXPECT_NEAR(found, expected, 4 * std::sqrt(expected));
    EXPECT_TRUE(FindOneBitNear(chips, all, dat::DatIndex(entries)).empty());
}

}  // namespace
}  // namespace vesperine::board
