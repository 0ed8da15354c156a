// The range search against every range summed afresh, the solver finding what was planted, and
// its chance figures against what random data shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "checksum/catalogue.h"
#include "checksum/label_solver.h"
#include "checksum/range_sums.h"
#include "naive_sums.h"

namespace vesperine::checksum {
namespace {

using Found = std::set<std::tuple<std::uint64_t, std::uint64_t, int>>;

Found BruteForce(std::span<const std::uint8_t> bytes, const RangeSumRequest& request) {
    Found found;
    const std::size_t unit = request.kind.unit == SumUnit::Byte ? 1 : request.kind.width / 8;
    for (std::size_t a = 0; a <= bytes.size(); a += unit) {
        for (std::size_t b = a + unit; b <= bytes.size(); b += unit) {
            if (b - a < request.minLength || b - a > request.maxLength) continue;
            for (const SumForm form : {SumForm::Plain, SumForm::Negated, SumForm::Complemented}) {
                SumKind kind = request.kind;
                kind.form = form;
                if (NaiveSum(bytes.subspan(a, b - a), kind, false) == request.value) {
                    found.emplace(a, b, static_cast<int>(form));
                }
            }
        }
    }
    return found;
}

// Small bytes and runs of zeros, so that sums repeat and the zero cases of end-around carry occur.
TEST(RangeSumsTest, AgreeWithEveryRangeSummedAfresh) {
    std::mt19937 random(7);
    const std::uint8_t alphabet[] = {0, 0, 0, 1, 2, 3, 0xFF};
    for (int round = 0; round < 12; ++round) {
        std::vector<std::uint8_t> bytes(40 + random() % 90);
        for (auto& b : bytes) b = alphabet[random() % std::size(alphabet)];
        for (const SumKind& row : SumRows()) {
            const std::uint64_t mask = (std::uint64_t{1} << row.width) - 1;
            for (const std::uint64_t value : {std::uint64_t{0}, std::uint64_t{3}, mask, mask - 2}) {
                // Every third round unbounded, as solve --min without --max asks.
                const std::uint64_t longest = 8 + random() % 100;
                RangeSumRequest request{row,
                                        static_cast<std::uint32_t>(value),
                                        1 + random() % 8,
                                        round % 3 == 0 ? ~std::uint64_t{0} : longest,
                                        {}};
                Found told;
                const RangeSumResult result = FindSumRanges(bytes, request, [&](auto a, auto b, SumForm form) {
                    told.emplace(a, b, static_cast<int>(form));
                    return true;
                });
                const Found expected = BruteForce(bytes, request);
                ASSERT_EQ(told, expected) << SumName(row) << " value " << value << " round " << round;
                ASSERT_EQ(result.hits, expected.size());
                const RangeSumResult once = FindSumRanges(bytes, request, [](auto, auto, SumForm) { return false; });
                ASSERT_EQ(once.hits, expected.size()) << "the count goes on when the listener has heard enough";
            }
        }
    }
}

TEST(LabelSolverTest, FindsAPlantedStoredCrcAndAPlantedRange) {
    std::mt19937 random(3);
    std::vector<std::uint8_t> dump(8192);
    for (auto& b : dump) b = static_cast<std::uint8_t>(random());
    const CrcEngine xmodem(*FindCrcModel("CRC-16/XMODEM"));
    const auto stored = static_cast<std::uint32_t>(xmodem.Compute(std::span(dump).first(dump.size() - 2)));
    dump[dump.size() - 2] = static_cast<std::uint8_t>(stored >> 8);
    dump[dump.size() - 1] = static_cast<std::uint8_t>(stored);

    SolveRequest request{stored, 16};
    SolveResult result = Solve(dump, request, [](const RangeHit&) { return true; });
    EXPECT_NE(
        std::find_if(result.whole.begin(), result.whole.end(),
                     [](const WholeHit& h) { return h.view == "whole" && h.checksum == "CRC-16/XMODEM" && h.trailer; }),
        result.whole.end());

    // Odd bytes 0x100 .. 0x100 + 1000 of the dump: dump offsets 0x200, 0x202, ...
    std::vector<std::uint8_t> odd;
    for (std::size_t i = 0; i < dump.size(); i += 2) odd.push_back(dump[i]);
    const SumKind planted = *FindSum("SUM-16/WORD-BE/CPL");
    request = SolveRequest{NaiveSum(std::span(odd).subspan(0x100, 1000), planted), 16, true, 1000, 1000};
    std::vector<RangeHit> told;
    result = Solve(dump, request, [&](const RangeHit& hit) {
        told.push_back(hit);
        return true;
    });
    EXPECT_NE(std::find_if(told.begin(), told.end(),
                           [](const RangeHit& h) {
                               return h.view == "odd bytes" && h.checksum == "SUM-16/WORD-BE/CPL" && h.start == 0x100 &&
                                      h.end == 0x100 + 1000 && h.dumpStart == 0x200;
                           }),
              told.end());
    // Ranges of exactly 1000 bytes, three forms of six sums (bytes, words LE and BE; with and
    // without carry): whole 2 * 7193 + 4 * 3597; odd and even bytes 2 * (2 * 3097 + 4 * 1549);
    // the four lanes 4 * (2 * 1049 + 4 * 525). 70346 * 3 = 211038, 3.2 expected at 16 bits.
    EXPECT_EQ(result.rangeTried, 211038u);
    EXPECT_EQ(RangePairsOf(dump.size(), request), 211038u);
}

TEST(LabelSolverTest, AlignedRangesComeFirstWithTheirOwnCount) {
    std::vector<std::uint8_t> dump(4096, 0);
    dump[0x400] = 0x12;
    dump[0x4FF] = 0x22;  // SUM-16 of the 256-byte block at 0x400 is 0x0034
    const SolveRequest request{0x0034, 16, true, 0x100, 0x100};
    const SolveResult result = Solve(dump, request, [](const RangeHit&) { return true; });
    ASSERT_FALSE(result.aligned.empty());
    EXPECT_EQ(result.aligned[0].view, "whole");
    EXPECT_EQ(result.aligned[0].checksum, "SUM-16");
    EXPECT_EQ(result.aligned[0].start, 0x400u);
    EXPECT_EQ(result.aligned[0].end, 0x500u);
}

// Whatever processor searches a view, every range that is not aligned is told, and every range
// is counted. The range search, checked above against every range summed afresh, is the oracle.
// The dumps are large enough that a second processor takes searches of its own: random bytes, a
// blank stretch, and bytes on a lattice (even; each word's two bytes alike).
TEST(LabelSolverTest, EveryProcessorsRangesAreTold) {
    std::mt19937 random(13);
    for (int round = 0; round < 4; ++round) {
        std::vector<std::uint8_t> dump(std::size_t{1} << 18);
        for (std::size_t i = 0; i < dump.size(); ++i) {
            const auto r = static_cast<std::uint8_t>(random());
            dump[i] = round == 1 ? static_cast<std::uint8_t>(r & 0xFE) : r;
        }
        if (round == 2) {
            for (std::size_t i = 1; i < dump.size(); i += 2) dump[i] = dump[i - 1];
        }
        if (round == 3) std::fill(dump.begin() + 0x10000, dump.begin() + 0x10400, 0);
        const SolveRequest request{static_cast<std::uint32_t>(random()) & 0xFFFF, 16, true, 1, 24};
        std::set<std::tuple<std::string, std::string, std::uint64_t, std::uint64_t>> told, expected;
        const SolveResult result = Solve(dump, request, [&](const RangeHit& hit) {
            told.emplace(hit.view, hit.checksum, hit.start, hit.end);
            return true;
        });
        std::uint64_t hits = 0;
        for (const View& view : ChecksumViewsOf(dump, true)) {
            if (IsPiece(view.plan)) continue;
            for (const SumKind& row : SumRows()) {
                if (row.width != 16) continue;
                const unsigned unitBytes = UnitBytes(row.unit, 16);
                hits += FindSumRanges(view.bytes, {row, request.value, 1, 24, {}}, [&](auto a, auto b, SumForm form) {
                            const std::uint64_t length = (b - a) / unitBytes;
                            if ((length & (length - 1)) != 0 || (a / unitBytes) % length != 0) {
                                SumKind kind = row;
                                kind.form = form;
                                expected.emplace(view.plan.name, SumName(kind), a, b);
                            }
                            return true;
                        }).hits;
            }
        }
        EXPECT_EQ(told, expected) << "round " << round;
        EXPECT_EQ(result.rangeHits, hits) << "round " << round;
    }
}

// A sum of n random bytes lies near n * 127.5: targets drawn the same way (the sum of another
// random dump) hit far more often than 2^-w, and the model must say how often. Over many
// dumps, lengths, kinds and forms, the stated total and the observed total agree within 2.
TEST(LabelSolverTest, WholeSumChanceAgreesWithRandomData) {
    std::mt19937 random(11);
    double stated = 0;
    std::uint64_t observed = 0;
    for (int round = 0; round < 100000; ++round) {
        std::vector<std::uint8_t> dump(8 + random() % 40), other(dump.size());
        for (auto& b : dump) b = static_cast<std::uint8_t>(random());
        for (auto& b : other) b = static_cast<std::uint8_t>(random());
        SumKind kind = SumRows()[random() % SumRows().size()];
        if (kind.unit != SumUnit::Byte && kind.width == 32) continue;  // a few words of 32 bits hardly ever match
        kind.form = static_cast<SumForm>(random() % 3);
        const std::uint32_t value = SumOf(TotalLanes(other), kind);
        stated += WholeSumChance(dump, kind, value);
        observed += SumOf(TotalLanes(dump), kind) == value ? 1 : 0;
    }
    EXPECT_GT(observed, 50u);
    EXPECT_LT(stated, 2.0 * static_cast<double>(observed)) << observed;
    EXPECT_GT(stated, 0.5 * static_cast<double>(observed)) << observed;
}

// The measured range figures against the hits of values drawn near where range sums lie
// (n * 127.5 for bytes, and anywhere), at 16 and 32 bits, one length or many.
TEST(LabelSolverTest, RangeChanceAgreesWithRandomData) {
    std::mt19937 random(12);
    std::vector<std::uint8_t> dump(4096);
    for (auto& b : dump) b = static_cast<std::uint8_t>(random());
    double stated = 0;
    std::uint64_t observed = 0;
    for (int round = 0; round < 24; ++round) {
        const unsigned width = round % 3 == 0 ? 32 : 16;
        const std::uint64_t length = 1 + random() % 600;
        const std::uint64_t spread = round % 2 == 0 ? 0 : random() % 64;
        const auto near = static_cast<std::uint32_t>(length * 255 / 2 + random() % 512);
        const std::uint32_t value = round % 4 == 1 ? static_cast<std::uint32_t>(random()) & 0xFFFF : near;
        const SolveRequest request{width == 16 ? value & 0xFFFF : value, width, true, length, length + spread};
        const SolveResult result = Solve(dump, request, [](const RangeHit&) { return false; });
        stated += result.rangeChance + result.alignedChance;
        observed += result.rangeHits + result.alignedHits;
    }
    EXPECT_GT(observed, 50u);
    EXPECT_LT(stated, 2.0 * static_cast<double>(observed));
    EXPECT_GT(stated, 0.5 * static_cast<double>(observed));
}

}  // namespace
}  // namespace vesperine::checksum
