// N-way split and merge: readable cases with padding, and round trips for every way and width.
#include "analysis/interleave.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "support/dialog_harness.h"

namespace vesperine {
namespace {

using testing::HexBytes;
using testing::HexString;

std::vector<std::string> Split(const std::string& whole, Interleave layout, std::uint8_t pad = 0xFF) {
    const Bytes bytes = HexBytes(whole);
    std::vector<Bytes> parts(layout.ways, Bytes(PartLengthOf(layout, bytes.size())));
    std::vector<std::span<std::uint8_t>> spans(parts.begin(), parts.end());
    SplitInterleaved(bytes, layout, spans, pad);
    std::vector<std::string> texts;
    for (const Bytes& part : parts) texts.push_back(HexString(part));
    return texts;
}

using Parts = std::vector<std::string>;

TEST(Interleave, SplitsUnitsToThePartsInTurn) {
    const struct {
        const char* whole;
        Interleave layout;
        Parts parts;
    } cases[] = {
        {"10 20 11 21 12 22", {2, 1}, {"10 11 12", "20 21 22"}},                    // odd and even bytes
        {"00 01 02 03 10 11 12 13", {4, 1}, {"00 10", "01 11", "02 12", "03 13"}},  // 32-bit bus, 8-bit chips
        {"A0 A1 B0 B1 A2 A3 B2 B3", {2, 2}, {"A0 A1 A2 A3", "B0 B1 B2 B3"}},        // two 16-bit chips
        {"00 01 02 03 10 11 12 13", {2, 4}, {"00 01 02 03", "10 11 12 13"}},
        {"01 02 03 04 05 06 07 08", {8, 1}, {"01", "02", "03", "04", "05", "06", "07", "08"}},
        {"10 20 11", {2, 1}, {"10 11", "20 FF"}},  // padded with FF
        {"A0 A1 B0", {2, 2}, {"A0 A1", "B0 FF"}},
        {"00 01 02 03 04", {3, 2}, {"00 01", "02 03", "04 FF"}},
        {"", {4, 1}, {"", "", "", ""}},
    };
    for (const auto& c : cases) EXPECT_EQ(Split(c.whole, c.layout), c.parts) << c.whole;
    EXPECT_EQ(Split("10 20 11", {2, 1}, 0x00), (Parts{"10 11", "20 00"}));
}

TEST(Interleave, MergeUndoesSplitForEveryWayAndWidth) {
    std::mt19937 random(10);
    for (std::uint32_t ways = 2; ways <= 8; ++ways) {
        for (const std::uint32_t width : {1u, 2u, 4u}) {
            const Interleave layout{ways, width};
            for (const std::size_t groups : {0u, 1u, 3u, 1000u}) {
                Bytes whole(groups * ways * width);
                for (auto& b : whole) b = static_cast<std::uint8_t>(random());
                std::vector<Bytes> parts(ways, Bytes(PartLengthOf(layout, whole.size())));
                ASSERT_EQ(parts[0].size(), groups * width);
                std::vector<std::span<std::uint8_t>> out(parts.begin(), parts.end());
                SplitInterleaved(whole, layout, out, 0xFF);
                // Part p holds unit p, then unit p + ways ...
                if (groups >= 2) {
                    EXPECT_EQ(parts[ways - 1][0], whole[(ways - 1) * width]);
                    EXPECT_EQ(parts[1][width], whole[(ways + 1) * width]);
                }
                Bytes merged(whole.size());
                std::vector<std::span<const std::uint8_t>> in(parts.begin(), parts.end());
                MergeInterleaved(in, layout, merged);
                EXPECT_EQ(merged, whole) << ways << " ways of " << width << ", " << groups << " groups";
            }
        }
    }
}

}  // namespace
}  // namespace vesperine
