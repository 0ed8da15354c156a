// Programmer sums against the naive register, and a worked example whose values Python gave.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "checksum/catalogue.h"
#include "naive_sums.h"

namespace vesperine::checksum {
namespace {

TEST(SumsTest, WorkedExample) {
    const std::vector<std::uint8_t> bytes = {0x12, 0x34, 0x56, 0x78, 0xFF, 0xFF};
    const LaneTotals totals = TotalLanes(bytes);
    const struct {
        const char* name;
        std::uint32_t value;
    } cases[] = {
        {"SUM-8", 0x12},
        {"SUM-8/EAC", 0x15},
        {"SUM-8/NEG", 0xEE},
        {"SUM-8/CPL", 0xED},
        {"SUM-16", 0x0312},
        {"SUM-32", 0x00000312},
        {"SUM-16/WORD-LE", 0xAC67},
        {"SUM-16/WORD-BE", 0x68AB},
        {"SUM-16/WORD-BE/EAC/CPL", 0x9753},
        {"SUM-32/WORD-LE", 0x78573411},
        {"SUM-32/WORD-BE", 0x12335678},
    };
    for (const auto& c : cases) {
        const std::optional<SumKind> kind = FindSum(c.name);
        ASSERT_TRUE(kind) << c.name;
        EXPECT_EQ(SumOf(totals, *kind), c.value) << c.name;
    }
}

TEST(SumsTest, EverySumAgreesWithTheNaiveRegister) {
    std::mt19937 random(19);
    for (std::size_t length : {0, 1, 2, 3, 5, 7, 8, 9, 15, 16, 17, 31, 2047, 2048, 2049, 4096 + 13, 40000}) {
        for (const bool blank : {false, true}) {
            std::vector<std::uint8_t> bytes(length, 0xFF);
            if (!blank) {
                for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
            }
            const LaneTotals totals = TotalLanes(bytes);
            for (const SumKind& kind : AllSums()) {
                EXPECT_EQ(SumOf(totals, kind), NaiveSum(bytes, kind)) << SumName(kind) << " over " << length;
            }
        }
    }
}

// Wide totals gathered over random pieces at random positions, against bytes added one by one;
// the lanes of parts and stripes derived from them, against the lanes of the bytes cut out.
TEST(SumsTest, WideTotalsInPiecesGiveEveryPartAndStripe) {
    std::mt19937 random(23);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::uint8_t> bytes(random() % (round < 100 ? 300 : 20000));
        for (auto& b : bytes) b = round % 7 == 0 ? 0xFF : static_cast<std::uint8_t>(random());
        const std::size_t start = random() % 40;
        WideLaneTotals wide, naive;
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t piece = std::min<std::size_t>(bytes.size() - at, random() % 2000);
            AddWideLanes(std::span(bytes).subspan(at, piece), start + at, wide);
            at += piece;
        }
        for (std::size_t i = 0; i < bytes.size(); ++i) naive.lane[(start + i) % 16] += bytes[i];
        ASSERT_EQ(wide.lane, naive.lane) << bytes.size() << " from " << start;
        EXPECT_EQ(PartLanes(wide, start).lane, TotalLanes(bytes).lane);
        if (start % 16 != 0) continue;
        for (const unsigned stride : {1u, 2u, 4u}) {
            for (unsigned offset = 0; offset < stride; ++offset) {
                std::vector<std::uint8_t> stripe;
                for (std::size_t i = offset; i < bytes.size(); i += stride) stripe.push_back(bytes[i]);
                EXPECT_EQ(StripeLanes(wide, offset, stride).lane, TotalLanes(stripe).lane) << offset << "/" << stride;
            }
        }
    }
}

}  // namespace
}  // namespace vesperine::checksum
