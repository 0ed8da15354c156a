// Programmer sums against the naive register, and a worked example whose values Python gave.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vesperine::checksum
