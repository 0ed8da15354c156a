// Comparing dumps: differences by data and address line, and the known wiring transforms.
#include "diagnosis/compare.h"

#include <gtest/gtest.h>

#include "dump_maker.h"

namespace vesperine::diagnosis {
namespace {

using namespace testing;

std::vector<std::string> Names(const Comparison& c) {
    std::vector<std::string> names;
    for (const KnownTransform& t : c.transforms) names.push_back(t.name);
    return names;
}

std::uint8_t SwapBits(std::uint8_t v, unsigned p, unsigned q) {
    const unsigned differ = ((v >> p) ^ (v >> q)) & 1u;
    return static_cast<std::uint8_t>(v ^ (differ << p) ^ (differ << q));
}

Image Remap(const Image& a, std::size_t (*from)(std::size_t)) {
    Image b(a.size());
    for (std::size_t i = 0; i < a.size(); ++i) b[i] = a[from(i)];
    return b;
}

TEST(CompareTest, NamesEachKnownTransform) {
    const Image a = RandomImage(0x10000);
    Image inverted = a, reversed = a, dataSwap = a;
    for (auto& v : inverted) v = static_cast<std::uint8_t>(~v);
    for (auto& v : dataSwap) v = SwapBits(v, 1, 6);
    // The bits of each byte, D7 first instead of D0, spelled out.
    const std::uint8_t reverse[16] = {0x0, 0x8, 0x4, 0xC, 0x2, 0xA, 0x6, 0xE, 0x1, 0x9, 0x5, 0xD, 0x3, 0xB, 0x7, 0xF};
    for (auto& v : reversed) v = static_cast<std::uint8_t>(reverse[v & 15] << 4 | reverse[v >> 4]);
    const struct {
        const char* name;
        Image b;
    } cases[] = {
        {"halves swapped", Remap(a, [](std::size_t i) { return i ^ 0x8000; })},
        {"byte lanes swapped", Remap(a, [](std::size_t i) { return i ^ 1; })},
        {"32-bit byte swap", Remap(a, [](std::size_t i) { return i ^ 3; })},
        {"A9 inverted", Remap(a, [](std::size_t i) { return i ^ 0x200; })},
        {"A2 and A13 exchanged", Remap(a,
                                       [](std::size_t i) {
                                           const std::size_t d = ((i >> 2) ^ (i >> 13)) & 1u;
                                           return i ^ (d << 2) ^ (d << 13);
                                       })},
        {"bit order reversed", reversed},
        {"D1 and D6 exchanged", dataSwap},
        {"inverted", inverted},
    };
    for (const auto& c : cases) {
        const Comparison result = CompareDumps(a, c.b);
        EXPECT_EQ(Names(result), std::vector<std::string>{c.name}) << c.name;
    }
}

TEST(CompareTest, OneDataLineAndOneAddressLine) {
    const Image a = TextImage(0x8000);
    const Image stuck = StickDataLine(a, 7, true);
    const Comparison c = CompareDumps(a, stuck);
    EXPECT_EQ(c.differing, a.size());  // seven-bit text: every byte gains D7
    EXPECT_EQ(c.bitCounts[7], a.size());
    EXPECT_EQ(ExplainComparison(c)[1], "every difference is in D7: one data line (always 1 in B where they differ)");

    const Image tied = TieAddressLine(RandomImage(0x8000), 12);
    const Comparison t = CompareDumps(RandomImage(0x8000), tied);
    EXPECT_EQ(t.addressMask, 0x1000u);
    EXPECT_EQ(t.addressValue, 0x1000u);
    EXPECT_EQ(ExplainComparison(t)[2], "every difference lies where A12 = 1: one address line");
}

TEST(CompareTest, CountsFirstAndLastAndLengths) {
    const Image a = RandomImage(1000);
    Image b = FlipBit(FlipBit(a, 10, 0), 900, 3);
    b.push_back(0);
    const Comparison c = CompareDumps(a, b);
    EXPECT_EQ(c.differing, 2u);
    EXPECT_EQ(c.first, 10u);
    EXPECT_EQ(c.last, 900u);
    EXPECT_EQ(c.addressMask, 0u);  // two differences say nothing of the lines
    EXPECT_FALSE(c.Equal());
    EXPECT_TRUE(c.transforms.empty());
    EXPECT_EQ(ExplainComparison(c)[0], "lengths differ: 0x003E8 and 0x003E9 bytes; the first 0x003E8 are compared");
}

}  // namespace
}  // namespace vesperine::diagnosis
