// The Identity panel's model: rows from an identification against a DAT index, and the 1-2 bit repair's outcome and
// check.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "inspector/repair_model.h"
#include "inspector/text.h"
#ifdef VESPERINE_HAVE_DAT
#include "inspector/identity_model.h"
#endif

namespace vesperine::inspector {
namespace {

std::uint32_t ZlibCrc(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}

TEST(RepairModel, ASureRepairGivesBackTheBytesThatCarryTheCrc) {
    std::mt19937 random(21);
    for (int trial = 0; trial < 12; ++trial) {
        std::vector<std::uint8_t> good(4096);
        for (auto& b : good) b = static_cast<std::uint8_t>(random());
        std::vector<std::uint8_t> bad = good;
        const int flipped = 1 + trial % 2;
        for (int f = 0; f < flipped; ++f) bad[random() % bad.size()] ^= static_cast<std::uint8_t>(1u << random() % 8);
        const std::uint32_t expected = ZlibCrc(good);
        const unsigned maxBits = RepairBitsFor(bad.size());
        ASSERT_EQ(maxBits, 2u);
        const RepairReport report =
            ReportRepair(diagnosis::FindBitRepairs(bad, expected, maxBits), bad, expected, maxBits);
        if (bad == good) {
            EXPECT_EQ(report.text, "The dump already has CRC-32 " + Hex8(expected) + ": nothing to repair.");
            continue;
        }
        if (!report.repaired) {
            // Two flips may have rivals; then nothing is offered and the text says so.
            EXPECT_NE(report.text.find("no repair can be chosen, nothing written."), std::string::npos) << report.text;
            continue;
        }
        EXPECT_EQ(*report.repaired, good) << report.text;
        EXPECT_EQ(CheckRepair(*report.repaired, expected), std::nullopt);
        EXPECT_EQ(report.text.rfind(flipped == 1 ? "1 candidate with one bit flipped gives CRC-32 "
                                                 : "1 candidate with two bits flipped gives CRC-32 ",
                                    0),
                  0u)
            << report.text;
        EXPECT_EQ(*CheckRepair(bad, expected), "The mended copy's CRC-32 is " + Hex8(ZlibCrc(bad)) + ", not " +
                                                   Hex8(expected) + ": nothing saved (an error in Vesperine).");
    }
    // Past the listed candidates the rest are counted.
    diagnosis::RepairResult many{diagnosis::RepairOutcome::Ambiguous, 0, 10, 0, 0, {}};
    for (std::uint64_t k = 0; k < 10; ++k) many.candidates.push_back({{{k, 0}}});
    const std::vector<std::uint8_t> zeros(16);
    const std::string text = ReportRepair(many, zeros, 0x1234, 2).text;
    EXPECT_NE(text.find("\n  bit 0 of 0x00000007 (0x00 -> 0x01)\n  ... and 2 more"), std::string::npos) << text;
}

#ifdef VESPERINE_HAVE_DAT
TEST(IdentityModel, RowsNameTheDatAndTheCrcsOfEachNearMiss) {
    std::vector<std::uint8_t> file(1024);
    std::mt19937 random(4);
    for (auto& b : file) b = static_cast<std::uint8_t>(random());
    const std::uint32_t crc = ZlibCrc(file);
    std::vector<dat::RomEntry> roms{{"other", "x.bin", 512, 0x11111111u, {}, {}, {}, dat::RomStatus::Good},
                                    {"bios", "bios.rom", 1024, crc ^ 0x80u, {}, {}, {}, dat::RomStatus::BadDump}};
    const dat::DatIndex index(roms);
    const dat::Identification found = dat::Identify(file, "BIOS.bin", index, true);
    ASSERT_EQ(found.nearMisses.size(), 1u);
    const std::vector<CrcMiss> misses = MissesOf(file, found, index);
    const std::vector<std::string> romDats{"a.dat", "b.dat"};
    const IdentityTable table = IdentityRows(found, misses, index.roms(), romDats);
    ASSERT_EQ(table.rows.size(), 1u);
    EXPECT_EQ(table.rows[0][1], "\u2248 near miss");
    EXPECT_EQ(table.rows[0][2], "bios / bios.rom (baddump)");
    EXPECT_EQ(table.rows[0][3], "b.dat");
    EXPECT_NE(table.rows[0][4].find("; expected CRC " + Hex8(crc ^ 0x80u) + ", got " + Hex8(crc)), std::string::npos);
    ASSERT_EQ(table.rowMisses.size(), 1u);
    EXPECT_TRUE(table.rowMisses[0].whole);
    EXPECT_EQ(table.summary, "0 matches and 1 near miss among 2 ROMs.");
}
#endif

}  // namespace
}  // namespace vesperine::inspector
