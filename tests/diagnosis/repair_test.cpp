// CRC repair against a naive reference that recomputes the CRC-32 after each candidate flip.
#include "diagnosis/repair.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "dump_maker.h"
#include "support/test_bytes.h"

namespace vesperine::diagnosis {
namespace {

using namespace testing;

using vesperine::testing::ZlibCrc;

using BitSet = std::set<std::vector<std::pair<std::uint64_t, unsigned>>>;

BitSet AsSet(const std::vector<FlipCandidate>& candidates) {
    BitSet out;
    for (const FlipCandidate& c : candidates) {
        std::vector<std::pair<std::uint64_t, unsigned>> bits;
        for (const BitPosition& p : c.bits) bits.emplace_back(p.offset, p.bit);
        out.insert(bits);
    }
    return out;
}

// Every flip of one bit, and of two with maxBits 2, tried by flipping and hashing afresh.
BitSet NaiveRepairs(Image bytes, std::uint32_t expected, unsigned maxBits) {
    BitSet out;
    const std::uint64_t bits = 8 * bytes.size();
    for (std::uint64_t a = 0; a < bits; ++a) {
        bytes[a / 8] ^= static_cast<std::uint8_t>(1u << (a % 8));
        if (ZlibCrc(bytes) == expected) out.insert({{a / 8, static_cast<unsigned>(a % 8)}});
        for (std::uint64_t b = a + 1; maxBits == 2 && b < bits; ++b) {
            bytes[b / 8] ^= static_cast<std::uint8_t>(1u << (b % 8));
            if (ZlibCrc(bytes) == expected) {
                out.insert({{a / 8, static_cast<unsigned>(a % 8)}, {b / 8, static_cast<unsigned>(b % 8)}});
            }
            bytes[b / 8] ^= static_cast<std::uint8_t>(1u << (b % 8));
        }
        bytes[a / 8] ^= static_cast<std::uint8_t>(1u << (a % 8));
    }
    return out;
}

TEST(RepairTest, FindsTheOneFlippedBitAndOnlyIt) {
    const struct {
        Image image;
        std::size_t offset;
        unsigned bit;
    } cases[] = {
        {RandomImage(1024), 0, 0},  {RandomImage(1024), 1023, 7}, {TextImage(777), 300, 5},
        {CodeImage(4096), 2049, 3}, {Image(512, 0xFF), 17, 6},    {RandomImage(1), 0, 4},
    };
    for (const auto& c : cases) {
        const std::uint32_t expected = ZlibCrc(c.image);
        const Image faulty = FlipBit(c.image, c.offset, c.bit);
        const RepairResult result = FindBitRepairs(faulty, expected, 1);
        EXPECT_EQ(result.outcome, RepairOutcome::Unique) << c.offset;
        EXPECT_EQ(result.crc, ZlibCrc(faulty));
        EXPECT_EQ(AsSet(result.candidates), NaiveRepairs(faulty, expected, 1)) << c.offset;
        ASSERT_EQ(result.candidates.size(), 1u);
        EXPECT_EQ(ApplyFlips(faulty, result.candidates[0]), c.image);
    }
}

TEST(RepairTest, PairsOfSmallDumpsAgreeWithTheNaiveSearch) {
    for (std::uint64_t seed = 1; seed <= 3; ++seed) {
        const Image image = RandomImage(40, seed);
        const std::uint32_t expected = ZlibCrc(image);
        const Image faulty = FlipBit(FlipBit(image, 3 + seed, 1), 30, static_cast<unsigned>(seed));
        const RepairResult result = FindBitRepairs(faulty, expected, 2);
        EXPECT_EQ(AsSet(result.candidates), NaiveRepairs(faulty, expected, 2));
        // Below 2974 bits CRC-32 tells every pair of flips from every other.
        EXPECT_EQ(result.outcome, RepairOutcome::Unique);
        EXPECT_EQ(result.pairs, 1u);
        EXPECT_EQ(ApplyFlips(faulty, result.candidates[0]), image);
    }
}

TEST(RepairTest, AnUnreachableCrcHasNoCandidate) {
    const Image image = RandomImage(48);
    const BitSet naive = NaiveRepairs(image, 0x12345678, 2);
    ASSERT_TRUE(naive.empty());
    const RepairResult result = FindBitRepairs(image, 0x12345678, 2);
    EXPECT_EQ(result.outcome, RepairOutcome::NoCandidate);
    EXPECT_TRUE(result.candidates.empty());
}

TEST(RepairTest, AMatchingCrcNeedsNoRepair) {
    const Image image = CodeImage(300);
    EXPECT_EQ(FindBitRepairs(image, ZlibCrc(image), 2).outcome, RepairOutcome::AlreadyMatches);
}

// On 64 KiB (524,288 bits) about 32 pairs share any CRC: two flipped bits cannot be told from
// the others. Each candidate reported must really give the CRC, and the true pair be among them.
TEST(RepairTest, CollidingPairsAreAmbiguous) {
    for (std::uint64_t seed = 1; seed <= 3; ++seed) {
        const Image image = RandomImage(0x10000, seed);
        const std::uint32_t expected = ZlibCrc(image);
        const std::size_t a = 1000 * seed, b = 0x8000 + 77 * seed;
        const Image faulty = FlipBit(FlipBit(image, a, 2), b, 7);
        const RepairResult result = FindBitRepairs(faulty, expected, 2);
        EXPECT_EQ(result.outcome, RepairOutcome::Ambiguous);
        EXPECT_EQ(result.singles, 0u);
        EXPECT_GT(result.pairs, 1u);
        EXPECT_EQ(result.candidates.size(), result.pairs);
        bool sawTruth = false;
        for (const FlipCandidate& c : result.candidates) {
            ASSERT_EQ(c.bits.size(), 2u);
            EXPECT_EQ(ZlibCrc(ApplyFlips(faulty, c)), expected);
            sawTruth |= c == FlipCandidate{{{a, 2}, {b, 7}}};
        }
        EXPECT_TRUE(sawTruth);
    }
}

// A single flipped bit among pairs: one flip is the likelier, so the repair is still unique.
TEST(RepairTest, OneFlipOutranksThePairsThatAlsoFit) {
    const Image image = RandomImage(0x10000, 9);
    const Image faulty = FlipBit(image, 0x1234, 5);
    const RepairResult result = FindBitRepairs(faulty, ZlibCrc(image), 2);
    EXPECT_EQ(result.outcome, RepairOutcome::Unique);
    EXPECT_EQ(result.singles, 1u);
    EXPECT_GT(result.pairs, 0u);
    EXPECT_EQ(result.candidates[0], (FlipCandidate{{{0x1234, 5}}}));
}

// A flip near the start is found after every pair (the pass runs backward), so with fewer pairs
// kept than exist it once fell away and a pair led. The single must lead whatever the cap, and
// the pairs kept must be the first in offset order.
TEST(RepairTest, TheSingleLeadsWhateverTheCapOnPairs) {
    const Image image = RandomImage(0x10000, 9);
    const Image faulty = FlipBit(image, 0x100, 6);
    const RepairResult all = FindBitRepairs(faulty, ZlibCrc(image), 2);
    const RepairResult capped = FindBitRepairs(faulty, ZlibCrc(image), 2, 4);
    ASSERT_GT(all.pairs, 4u);
    EXPECT_EQ(capped.outcome, RepairOutcome::Unique);
    EXPECT_EQ(capped.candidates[0], (FlipCandidate{{{0x100, 6}}}));
    EXPECT_EQ(capped.candidates, std::vector(all.candidates.begin(), all.candidates.begin() + 5));
}

}  // namespace
}  // namespace vesperine::diagnosis
