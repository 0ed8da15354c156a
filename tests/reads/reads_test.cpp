// Several reads: planted weak bits found by kind, a naive per-bit twin, the mend against brute force.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <random>
#include <set>
#include <unordered_map>

#include "diagnosis/dump_maker.h"
#include "reads/compare_reads.h"
#include "reads/crc_mend.h"
#include "reads/read_findings.h"
#include "reads/read_patterns.h"
#include "support/test_bytes.h"

namespace vesperine::reads {
namespace {

using diagnosis::testing::CodeImage;
using Image = std::vector<std::uint8_t>;
using Kind = ReadsFindingKind;

struct Weak {
    std::uint64_t offset;
    unsigned bit;
    std::size_t read;  // the read in which it flipped
};

ReadsComparison Compare(const std::vector<Image>& reads, unsigned width = 1) {
    const std::vector<std::span<const std::uint8_t>> spans(reads.begin(), reads.end());
    return CompareReads(spans, width);
}

// count weak bits in distinct bytes, where(random number, k) placing the k-th; with fading only
// bits that are 1 in the image.
template <typename Where>
std::vector<Image> Plant(const Image& image, std::size_t readCount, std::size_t count, Where where,
                         bool fading = false) {
    std::vector<Image> reads(readCount, image);
    std::mt19937_64 random(count);
    for (std::size_t k = 0; k < count;) {
        const Weak weak = where(random(), k);
        const bool taken = std::any_of(reads.begin(), reads.end(),
                                       [&](const Image& r) { return r[weak.offset] != image[weak.offset]; });
        if (taken || (fading && !((image[weak.offset] >> weak.bit) & 1u))) continue;
        reads[weak.read][weak.offset] ^= static_cast<std::uint8_t>(1u << weak.bit);
        ++k;
    }
    return reads;
}

// Anywhere, in read k mod 3.
Weak Anywhere(std::uint64_t r, std::size_t k) { return {r % 0x10000, unsigned(r >> 32) % 8, k % 3}; }

std::set<Kind> KindsOf(const std::vector<ReadsFinding>& findings) {
    std::set<Kind> kinds;
    for (const ReadsFinding& f : findings) kinds.insert(f.kind);
    return kinds;
}

std::string TextOf(const std::vector<ReadsFinding>& findings, Kind kind) {
    for (const ReadsFinding& f : findings) {
        if (f.kind == kind) return f.text;
    }
    return "";
}

TEST(ReadsTest, PlantedWeakBitsAreNamed) {
    const Image image = CodeImage(0x10000);
    struct Case {
        const char* name;
        std::vector<Image> reads;
        unsigned width;
        std::set<Kind> kinds;
        Kind kind;
        std::string text;
    };
    const Case cases[] = {
        {"one data line",
         Plant(image, 3, 12,
               [](std::uint64_t r, std::size_t k) {
                   return Weak{r % 0x10000, 6, k % 3};
               }),
         1,
         {Kind::DataLine},
         Kind::DataLine,
         "all 12 unstable bits are in D6: one weak data line or contact"},
        {"D11 of a 16-bit chip",
         Plant(image, 3, 12,
               [](std::uint64_t r, std::size_t k) {
                   return Weak{(r % 0x8000) * 2 + 1, 3, k % 3};
               }),
         2,
         {Kind::DataLine},
         Kind::DataLine,
         "all 12 unstable bits are in D11: one weak data line or contact"},
        {"A14 = 1",
         Plant(image, 3, 40,
               [](std::uint64_t r, std::size_t k) {
                   return Weak{(r % 0x10000) | 0x4000, unsigned(r >> 32) % 8, k % 3};
               }),
         1,
         {Kind::Address},
         Kind::Address,
         "all 40 unstable bits are where A14 = 1: a flaky address line"},
        {"one 4 KiB block",
         Plant(image, 3, 30,
               [](std::uint64_t r, std::size_t k) {
                   return Weak{0x4000 + (k == 0 ? 0 : k == 1 ? 0xFFF : r % 0x1000), unsigned(r >> 32) % 8, k % 3};
               }),
         1,
         {Kind::Region},
         Kind::Region,
         "all 30 unstable bits lie in 0x4000-0x4FFF (4 KiB of 64 KiB): weak cells in one block or sector"},
        {"fading",
         Plant(image, 3, 30, Anywhere, true),
         1,
         {Kind::Scattered, Kind::Fading},
         Kind::Fading,
         "1 -> 0 only: every unstable bit reads 1 in most reads and 0 in the others"},
        {"read 3 an outlier in 45 of 50 bits",
         Plant(image, 3, 50,
               [](std::uint64_t r, std::size_t k) {
                   return Weak{r % 0x10000, unsigned(r >> 32) % 8, k % 10 == 0 ? 1u : 2u};
               }),
         1,
         {Kind::Outlier, Kind::Scattered},
         Kind::Outlier,
         "45 of the 50 unstable bits differ in read 3 alone, the other reads agreeing: reseat and read again"},
        {"read 3 in 40 of 50 bits: less than nine tenths",
         Plant(image, 3, 50,
               [](std::uint64_t r, std::size_t k) {
                   return Weak{r % 0x10000, unsigned(r >> 32) % 8, k % 5 == 0 ? 1u : 2u};
               }),
         1,
         {Kind::Scattered},
         Kind::Scattered,
         "50 unstable bits follow no data line, address line or block"},
        {"two reads",
         Plant(image, 2, 10,
               [](std::uint64_t r, std::size_t k) {
                   return Weak{r % 0x10000, 5, k % 2};
               }),
         1,
         {Kind::DataLine, Kind::Ties},
         Kind::Ties,
         "with two reads every unstable bit is a tie"},
        {"clean",
         {image, image, image, image},
         1,
         {Kind::Stable},
         Kind::Stable,
         "all 4 reads agree in every bit: the reads are stable"},
    };
    for (const Case& c : cases) {
        const ReadsComparison comparison = Compare(c.reads, c.width);
        const std::vector<ReadsFinding> findings = ExplainReads(comparison);
        EXPECT_EQ(KindsOf(findings), c.kinds) << c.name;
        EXPECT_NE(TextOf(findings, c.kind).find(c.text), std::string::npos)
            << c.name << ": " << TextOf(findings, c.kind);
        if (c.reads.size() == 3) {
            EXPECT_TRUE(std::equal(image.begin(), image.end(), comparison.consensus.begin())) << c.name;
        }
    }
}

// A naive twin: every bit of every read looked at alone.
TEST(ReadsTest, AgreesWithABitByBitTwin) {
    std::mt19937_64 random(11);
    for (int trial = 0; trial < 300; ++trial) {
        const std::size_t n = 2 + random() % 4, length = 1 + random() % 40;
        const unsigned width = 1 + random() % 2;
        std::vector<Image> reads(n, CodeImage(length, trial));
        for (auto k = random() % 12; k-- > 0;)
            reads[random() % n][random() % length] ^= std::uint8_t(1u << random() % 8);
        const ReadsComparison c = Compare(reads, width);
        std::vector<std::uint64_t> unstable, dissent(n);
        std::uint64_t down = 0, up = 0, ties = 0;
        std::array<std::uint64_t, 16> lines{};
        std::array<std::uint64_t, 32> address{};
        std::set<std::uint64_t> words;
        for (std::uint64_t i = 0; i < 8 * length; ++i) {
            std::size_t ones = 0;
            for (const Image& read : reads) ones += (read[i / 8] >> i % 8) & 1u;
            const unsigned majority = 2 * ones > n ? 1 : 2 * ones < n ? 0 : (reads[0][i / 8] >> i % 8) & 1u;
            ASSERT_EQ((c.consensus[i / 8] >> i % 8) & 1u, majority);
            if (ones == 0 || ones == n) continue;
            unstable.push_back(i);
            down += 2 * ones > n, up += 2 * ones < n, ties += 2 * ones == n;
            ++lines[i % 8 + (width == 2 && i / 8 % 2 ? 8 : 0)];
            words.insert(i / 8 / width);
            for (unsigned k = 0; k < c.addressBits; ++k) address[k] += (i / 8 / width) >> k & 1u;
            for (std::size_t r = 0; r < n; ++r) dissent[r] += ones == 1 ? (reads[r][i / 8] >> i % 8) & 1u : 0;
            for (std::size_t r = 0; r < n; ++r) dissent[r] += ones == n - 1 ? !((reads[r][i / 8] >> i % 8) & 1u) : 0;
        }
        ASSERT_EQ(c.unstable, unstable);
        ASSERT_EQ(c.soleDissent, dissent);
        ASSERT_EQ(std::pair(c.oneToZero, c.zeroToOne), std::pair(down, up));
        ASSERT_EQ(c.ties, ties);
        ASSERT_EQ(c.byDataLine, lines);
        ASSERT_EQ(c.addressOnes, address);
        ASSERT_EQ(c.unstableWords, words.size());
        if (!unstable.empty()) {
            ASSERT_EQ(std::pair(c.firstOffset, c.lastOffset), std::pair(unstable.front() / 8, unstable.back() / 8));
        }
    }
}

// D5 stuck high in read 3 and one bit flipped elsewhere in read 2: the stray bit must not hide
// the line or the read. D5 of byte k is bit 5 of (k >> 8) ^ k, so that no address line follows it.
TEST(ReadsTest, AStrayBitIsReportedApartFromTheLineItLeaves) {
    Image image(0x10000);
    for (std::size_t k = 0; k < image.size(); ++k) image[k] = std::uint8_t((k >> 8) ^ k);
    Image stuck = image, stray = image;
    for (std::uint8_t& b : stuck) b |= 0x20;
    stray[0x1234] ^= 0x04;
    const std::string rest = "and 1 bit elsewhere, at offset 0x01234 bit 2";
    const std::string noise = "follows none of these patterns: scattered weak cells or noise on the reader";
    const std::string rising = "read 0 in most reads and 1 in the others: a line that floats high now and then";
    const struct {
        std::vector<Image> reads;
        std::vector<std::pair<Kind, std::string>> findings;  // each text a prefix of the finding's
    } cases[] = {
        {{image, stray, stuck},
         {{Kind::Outlier, "32,768 of the 32,769 unstable bits differ in read 3 alone, the other reads agreeing"},
          {Kind::DataLine, "those 32,768 bits are in D5: one weak data line or contact"},
          {Kind::Rising, "0 -> 1: those 32,768 bits " + rising},
          {Kind::Scattered, rest + " (read 2 alone), " + noise}}},
        {{stray, stuck},
         {{Kind::DataLine, "32,768 of the 32,769 unstable bits are in D5: one weak data line or contact"},
          {Kind::Scattered, rest + ", " + noise},
          {Kind::Ties, "with two reads every unstable bit is a tie"}}},
        // A16 is 0 in all but 256 bytes of this read: bits spread evenly do not name it.
        {Plant(CodeImage(0x10100), 3, 40,
               [](std::uint64_t r, std::size_t k) {
                   return Weak{r % 0x10100, unsigned(r >> 32) % 8, k % 3};
               }),
         {{Kind::Scattered, "40 unstable bits follow no data line, address line or block"}}},
        // More unstable bits than are listed: the patterns that hold on every bit still compose.
        {{Image(0x80100), Image(0x80100), Image(0x80100, 0xFF)},
         {{Kind::Outlier, "all 4,196,352 unstable bits differ in read 3 alone, the other reads agreeing"},
          {Kind::Rising, "0 -> 1 only: every unstable bit reads 0 in most reads and 1 in the others"}}},
    };
    for (const auto& c : cases) {
        const std::vector<ReadsFinding> findings = ExplainReads(Compare(c.reads));
        ASSERT_EQ(findings.size(), c.findings.size()) << findings.front().text;
        for (std::size_t k = 0; k < findings.size(); ++k) {
            EXPECT_EQ(findings[k].kind, c.findings[k].first) << findings[k].text;
            EXPECT_EQ(findings[k].text.rfind(c.findings[k].second, 0), 0u) << findings[k].text;
        }
    }
}

// Every unstable bit once: in the first group whose patterns, read straight from their fields
// and checked on the reads bit by bit, all hold, or in the rest; each group nine tenths of the
// bits it was judged on.
TEST(ReadsTest, TheGroupsAccountForEveryUnstableBitOnce) {
    std::mt19937_64 random(17);
    for (int trial = 0; trial < 300; ++trial) {
        const std::size_t n = 2 + random() % 3, length = 64 + random() % 512;
        const unsigned width = 1 + random() % 2, line = unsigned(random() % (8 * width)), weak = unsigned(random() % 3);
        std::vector<Image> reads(n, CodeImage(length, trial));
        for (std::size_t k = random() % 200; k-- > 0;) {  // mostly one line in one read, some strays
            const std::size_t offset = random() % (length / width) * width + line / 8;
            reads[random() % 8 ? weak % n : random() % n][random() % 8 ? offset : random() % length] ^=
                std::uint8_t(1u << (random() % 8 ? line % 8 : random() % 8));
        }
        const ReadsComparison c = Compare(reads, width);
        const ReadsAccount account = AccountForBits(c);
        std::vector<std::uint64_t> counted(account.groups.size() + 1);
        for (std::uint64_t i = 0; i < 8 * length; ++i) {
            std::size_t ones = 0, lone = kNoLoneRead;
            for (const Image& read : reads) ones += (read[i / 8] >> i % 8) & 1u;
            if (ones == 0 || ones == n) continue;
            for (std::size_t r = 0; r < n && n > 2; ++r)
                if (((reads[r][i / 8] >> i % 8) & 1u ? ones : n - ones) == 1) lone = r;
            const std::uint64_t word = i / 8 / width;
            const auto holds = [&](const ReadsPattern& p) {
                switch (p.kind) {
                    case PatternKind::Outlier: return lone == p.read;
                    case PatternKind::DataLine: return i % 8 + (width == 2 && i / 8 % 2 ? 8 : 0) == p.line;
                    case PatternKind::Region: return i / 8 >= p.blockStart && i / 8 < p.blockStart + p.blockSize;
                    case PatternKind::Address: return (word & p.addressMask) == p.addressValues;
                    case PatternKind::Fading: return 2 * ones > n;
                    case PatternKind::Rising: return 2 * ones < n;
                }
                return false;
            };
            std::size_t g = 0;
            while (g < account.groups.size() &&
                   !std::all_of(account.groups[g].patterns.begin(), account.groups[g].patterns.end(), holds))
                ++g;
            ++counted[g];
        }
        std::uint64_t left = c.unstableBits;
        for (std::size_t g = 0; g < account.groups.size(); ++g) {
            const ReadsGroup& group = account.groups[g];
            ASSERT_EQ(group.from, left) << trial;
            ASSERT_EQ(group.bits, counted[g]) << trial;
            ASSERT_GE(10 * group.bits, 9 * group.from) << trial;
            left -= group.bits;
        }
        ASSERT_EQ(account.rest, counted.back()) << trial;
        ASSERT_EQ(account.rest, left) << trial;
        std::uint64_t findingBits = 0;
        unsigned lastGroup = 0;
        for (const ReadsFinding& f : ExplainReads(c)) {
            if (f.group != lastGroup && f.group != 0) findingBits += f.bits, lastGroup = f.group;
        }
        ASSERT_EQ(findingBits, c.unstableBits) << trial;
    }
}

// Brute force, independent of the algebra: each unknown's effect measured with zlib, then every
// solution found by meeting in the middle (two halves of at most 19 bits).
std::vector<std::uint64_t> AllSolutions(const Image& consensus, const std::vector<std::uint64_t>& unknowns,
                                        std::uint32_t expected) {
    const auto crc = [](const Image& b) { return vesperine::testing::ZlibCrc(b); };
    std::vector<std::uint32_t> effect;
    for (std::uint64_t bit : unknowns) {
        Image flipped = consensus;
        flipped[bit / 8] ^= std::uint8_t(1u << bit % 8);
        effect.push_back(crc(flipped) ^ crc(consensus));
    }
    const std::size_t low = unknowns.size() / 2, high = unknowns.size() - low;
    const auto sum = [&](std::uint64_t mask, std::size_t from) {
        std::uint32_t s = 0;
        for (std::size_t k = 0; mask >> k; ++k) s ^= (mask >> k) & 1u ? effect[from + k] : 0;
        return s;
    };
    std::unordered_multimap<std::uint32_t, std::uint64_t> lows;
    for (std::uint64_t m = 0; m >> low == 0; ++m) lows.emplace(sum(m, 0), m);
    std::vector<std::uint64_t> solutions;
    for (std::uint64_t m = 0; m >> high == 0; ++m) {
        const auto [from, to] = lows.equal_range(sum(m, low) ^ crc(consensus) ^ expected);
        for (auto it = from; it != to; ++it) solutions.push_back(it->second | m << low);
    }
    return solutions;
}

TEST(ReadsTest, MendMatchesBruteForce) {
    std::mt19937_64 random(5);
    for (int trial = 0; trial < 60; ++trial) {
        const std::size_t length = 40 + random() % 400, u = random() % 37;
        const Image image = CodeImage(length, trial);
        std::set<std::uint64_t> chosen;
        while (chosen.size() < u) chosen.insert(random() % (8 * length));
        const std::vector<std::uint64_t> unknowns(chosen.begin(), chosen.end());
        Image consensus = image;
        for (std::uint64_t bit : unknowns) consensus[bit / 8] ^= std::uint8_t((random() % 2) << bit % 8);
        const std::uint32_t expected =
            trial % 4 == 3 ? std::uint32_t(random()) : vesperine::testing::ZlibCrc(std::span(image).first(length));
        std::vector<std::uint64_t> solutions = AllSolutions(consensus, unknowns, expected);
        const MendResult mend = MendByCrc(consensus, unknowns, expected, 1000);
        ASSERT_EQ(solutions.empty(), mend.outcome == MendOutcome::NoAssignment) << trial;
        if (solutions.empty()) continue;
        ASSERT_EQ(solutions.size(), std::uint64_t{1} << mend.freeBits) << trial;
        ASSERT_EQ(solutions.size() == 1, mend.outcome == MendOutcome::Unique);
        std::sort(solutions.begin(), solutions.end(), [](std::uint64_t a, std::uint64_t b) {
            return std::pair(std::popcount(a), a) < std::pair(std::popcount(b), b);
        });
        ASSERT_EQ(mend.assignments.size(), solutions.size());
        for (std::size_t k = 0; k < solutions.size(); ++k) {
            Flips flips;
            for (std::size_t i = 0; i < u; ++i) {
                if ((solutions[k] >> i) & 1u) flips.push_back(unknowns[i]);
            }
            ASSERT_EQ(mend.assignments[k], flips) << trial;
        }
        if (mend.outcome == MendOutcome::Unique && trial % 4 != 3) {
            const ByteBuffer mended = ApplyAssignment(consensus, mend.assignments.front());
            EXPECT_TRUE(std::equal(image.begin(), image.end(), mended.begin())) << trial;
        }
    }
}

}  // namespace
}  // namespace vesperine::reads
