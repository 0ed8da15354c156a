// Every catalogue model: its check value, and the sliced tables against a bit-at-a-time CRC.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "base/crc_algebra.h"
#include "checksum/catalogue.h"

namespace vesperine::checksum {
namespace {

// The textbook CRC: one message bit at a time into a width-bit register, highest power first.
std::uint64_t BitwiseCrc(const CrcModel& m, std::span<const std::uint8_t> bytes) {
    const std::uint64_t top = std::uint64_t{1} << (m.width - 1);
    const std::uint64_t mask = top | (top - 1);
    std::uint64_t reg = m.init;
    for (const std::uint8_t byte : bytes) {
        for (int i = 0; i < 8; ++i) {
            const int bit = m.refin ? (byte >> i) & 1 : (byte >> (7 - i)) & 1;
            const bool feedback = ((reg & top) != 0) != (bit != 0);
            reg = (reg << 1) & mask;
            if (feedback) reg ^= m.poly;
        }
    }
    if (m.refout) {
        std::uint64_t reflected = 0;
        for (unsigned i = 0; i < m.width; ++i) reflected |= ((reg >> i) & 1) << (m.width - 1 - i);
        reg = reflected;
    }
    return reg ^ m.xorout;
}

TEST(CrcTest, EveryModelGivesItsCheckValue) {
    constexpr std::string_view kDigits = "123456789";
    const std::vector<std::uint8_t> digits(kDigits.begin(), kDigits.end());
    EXPECT_GE(CrcModels().size(), 100u);
    for (const CrcModel& model : CrcModels()) {
        EXPECT_EQ(CrcEngine(model).Compute(digits), model.check) << model.name;
        EXPECT_EQ(BitwiseCrc(model, digits), model.check) << model.name << " (the oracle)";
    }
}

TEST(CrcTest, EveryModelAgreesWithTheBitwiseCrcAndRunsInPieces) {
    std::mt19937 random(64);
    std::vector<std::uint8_t> bytes(777);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    for (const CrcModel& model : CrcModels()) {
        const CrcEngine engine(model);
        for (const std::size_t length : {0, 1, 7, 8, 9, 63, 777}) {
            const std::span<const std::uint8_t> part(bytes.data(), length);
            ASSERT_EQ(engine.Compute(part), BitwiseCrc(model, part)) << model.name << " over " << length;
        }
        const std::size_t cut = random() % bytes.size();
        const std::span<const std::uint8_t> all(bytes);
        EXPECT_EQ(engine.Finish(engine.Update(engine.Update(engine.Start(), all.first(cut)), all.subspan(cut))),
                  engine.Compute(all))
            << model.name;
    }
}

// base's ring of any CRC register against the engine fed the zero bytes themselves: the advance
// past n zeros that the view registers and the CRC-32 searches both stand on, and its inverse.
TEST(CrcTest, EveryModelsRingMovesARegisterPastZeroBytes) {
    std::mt19937_64 random(26);
    const std::vector<std::uint8_t> zeros(300, 0);
    for (const CrcModel& model : CrcModels()) {
        const CrcEngine engine(model);
        const crc_algebra::CrcRing ring(model.width, model.poly, model.refin);
        const std::uint64_t reg = engine.Update(engine.Start(), std::vector<std::uint8_t>{0x5A, 0xC3, 0x01});
        for (const std::size_t n : {std::size_t{0}, std::size_t{1}, std::size_t{8}, std::size_t{9}, random() % 300}) {
            const std::uint64_t moved = ring.AfterZeros(reg, n);
            ASSERT_EQ(moved, engine.Update(reg, std::span(zeros).first(n))) << model.name << " past " << n;
            std::uint64_t back = moved;
            for (std::size_t bit = 0; bit < 8 * n; ++bit) back = ring.DividedByX(back);
            ASSERT_EQ(back, reg) << model.name << " back from " << n;
        }
    }
}

// Folding against the tables: random models of every width, both bit orders, random lengths
// about the kernels' block sizes and random offsets, whole and in pieces, each kernel this
// processor runs. The tables are held to the bitwise CRC above.
TEST(CrcTest, EveryKernelAgreesWithTheTablesOnRandomModels) {
    std::mt19937_64 random(29);
    std::vector<std::uint8_t> bytes(40000);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    const std::span<const std::uint8_t> all(bytes);
    for (int trial = 0; trial < 600; ++trial) {
        CrcModel model;
        model.width = 3 + static_cast<unsigned>(random() % 62);
        const std::uint64_t mask = ~std::uint64_t{0} >> (64 - model.width);
        model.poly = random() & mask;
        model.init = random() & mask;
        model.refin = (random() & 1) != 0;
        model.refout = (random() & 1) != 0;
        model.xorout = random() & mask;
        const CrcEngine table(model, CrcKernel::Table);
        const std::size_t length = trial % 3 == 0 ? random() % bytes.size() : random() % 700;
        const auto message = all.subspan(random() % (bytes.size() - length + 1), length);
        const std::size_t cut = random() % (length + 1);
        const std::uint64_t expected = table.Compute(message);
        for (const CrcKernel kernel : {CrcKernel::Carryless, CrcKernel::WideCarryless}) {
            if (kernel > BestCrcKernel()) continue;
            const CrcEngine folded(model, kernel);
            const auto at = [&] {
                return std::to_string(model.width) + (model.refin ? "r" : "n") + " poly " + std::to_string(model.poly) +
                       " over " + std::to_string(length) + " kernel " + std::to_string(static_cast<int>(kernel));
            };
            ASSERT_EQ(folded.Compute(message), expected) << at();
            ASSERT_EQ(
                folded.Finish(folded.Update(folded.Update(folded.Start(), message.first(cut)), message.subspan(cut))),
                expected)
                << at() << " cut at " << cut;
            std::array<std::uint64_t, 3> regs{folded.Start(), table.Start(), random() & mask};
            const std::array<std::span<const std::uint8_t>, 3> parts{message, message, message};
            folded.UpdateEach(regs, parts);
            ASSERT_EQ(folded.Finish(regs[0]), expected) << at() << " in UpdateEach";
        }
    }
    if (BestCrcKernel() != CrcKernel::WideCarryless) GTEST_SKIP() << "no 512-bit kernel here; the others were compared";
}

TEST(CrcTest, NamesAndAliasesIgnoreCase) {
    EXPECT_EQ(FindCrcModel("crc-16/ccitt-false"), FindCrcModel("CRC-16/IBM-3740"));
    EXPECT_EQ(FindCrcModel("X-25")->name, "CRC-16/IBM-SDLC");
    EXPECT_EQ(FindCrcModel("CRC-32C")->name, "CRC-32/ISCSI");
    EXPECT_EQ(FindCrcModel("CRC-16/NOPE"), nullptr);
    for (const char* name :
         {"CRC-16/ARC",     "CRC-16/IBM-3740", "CRC-16/XMODEM",   "CRC-16/KERMIT",   "CRC-16/MODBUS",
          "CRC-16/USB",     "CRC-16/IBM-SDLC", "CRC-16/GENIBUS",  "CRC-16/DNP",      "CRC-16/MAXIM",
          "CRC-16/DECT-X",  "CRC-16/EN-13757", "CRC-16/T10-DIF",  "CRC-16/TELEDISK", "CRC-16/CDMA2000",
          "CRC-24/OPENPGP", "CRC-32/BZIP2",    "CRC-32/MPEG-2",   "CRC-32/CKSUM",    "CRC-32/JAMCRC",
          "CRC-32/XFER",    "CRC-32/AUTOSAR",  "CRC-64/ECMA-182", "CRC-64/XZ",       "CRC-64/GO-ISO"}) {
        EXPECT_NE(FindCrcModel(name), nullptr) << name;
    }
}

}  // namespace
}  // namespace vesperine::checksum
