// The any-length CRC search against every range's CRC from zlib, and its refusals.
#include "search/any_length_search.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/crc_algebra.h"
#include "support/dialog_harness.h"
#include "support/test_bytes.h"

namespace vesperine {
namespace {

using testing::HexBytes;
using Ranges = std::vector<std::pair<std::uint32_t, std::uint32_t>>;  // (start, end)

const WindowPoll kNeverBreak = [](std::uint64_t, std::uint64_t) { return false; };

using vesperine::testing::ZlibCrc;

// The oracle: every non-empty range on the grid, its CRC from zlib, listed by end then start.
Ranges EveryRange(std::span<const std::uint8_t> extract, const AnyLengthRequest& r) {
    const std::uint64_t step = r.step == 0 ? 1 : r.step;
    Ranges found;
    for (std::uint64_t end = step; end <= extract.size(); end += step) {
        for (std::uint64_t start = 0; start < end; start += step) {
            const std::uint64_t length = end - start;
            if (length < r.minLength || length > r.maxLength) continue;
            if (ZlibCrc(extract.subspan(start, length)) == r.target) found.emplace_back(start, end);
        }
    }
    return found;
}

using Finder = AnyLengthResult (*)(std::span<const std::uint8_t>, const AnyLengthRequest&, const WindowPoll&,
                                   const RangeHit&);

Ranges Find(Finder find, std::span<const std::uint8_t> extract, const AnyLengthRequest& request) {
    Ranges found;
    const AnyLengthResult result = find(extract, request, kNeverBreak, [&](std::uint32_t start, std::uint32_t end) {
        found.emplace_back(start, end);
        return true;
    });
    EXPECT_EQ(result.outcome, AnyLengthOutcome::Done);
    EXPECT_EQ(result.hits, found.size());
    return found;
}

std::string Describe(const Ranges& ranges) {
    std::ostringstream text;
    for (const auto& [start, end] : ranges) text << '[' << start << ',' << end << ')';
    return text.str();
}

AnyLengthRequest Target(std::uint32_t target, std::uint32_t minLength = 1, std::uint32_t maxLength = 0xFFFFFFFF,
                        std::uint32_t step = 1) {
    return {target, minLength, maxLength, step, 0};
}

TEST(AnyLengthSearch, KnownCases) {
    // "31 .. 39" is "123456789", whose CRC-32 is CBF43926.
    const struct {
        const char* extract;
        AnyLengthRequest request;
        const char* ranges;
    } cases[] = {
        {"31 32 33 34 35 36 37 38 39", Target(0xCBF43926), "[0,9)"},  // the whole extract
        {"00 31 32 33 34 35 36 37 38 39 00", Target(0xCBF43926), "[1,10)"},
        {"31 32 33 34 35 36 37 38 39 31 32 33 34 35 36 37 38 39", Target(0xCBF43926), "[0,9)[9,18)"},
        {"00 31 32 33 34 35 36 37 38 39", Target(0xCBF43926, 1, 0xFFFFFFFF, 2), ""},        // off the grid
        {"00 00 31 32 33 34 35 36 37 38 39 00", Target(0xCBF43926, 1, 0xFFFFFFFF, 2), ""},  // end 11 off it
        {"00 00 31 32 33 34 35 36 37 38 39 00", Target(0xCBF43926, 1, 0xFFFFFFFF, 1), "[2,11)"},
        {"31 32 33 34 35 36 37 38 39", Target(0xCBF43926, 10), ""},    // shorter than the minimum
        {"31 32 33 34 35 36 37 38 39", Target(0xCBF43926, 1, 8), ""},  // longer than the maximum
        {"31 32 33 34 35 36 37 38 39", Target(0xCBF43926, 9, 9), "[0,9)"},
        {"31 32 33", Target(0x00000000), ""},  // the empty range's CRC is not reported
        {"31 32 33", Target(0x00000000, 0), ""},
        {"31 32 33 31", Target(0x83DCEFB7), "[0,1)[3,4)"},  // "1" at both ends
        {"", Target(0x00000000), ""},
    };
    for (const auto& c : cases) {
        const Bytes extract = HexBytes(c.extract);
        EXPECT_EQ(Describe(Find(&FindCrcRanges, extract, c.request)), c.ranges) << c.extract;
        EXPECT_EQ(Describe(Find(&FindCrcRangesNaive, extract, c.request)), c.ranges) << "naive: " << c.extract;
    }
}

TEST(AnyLengthSearch, AgreesWithZlibOnRandomExtracts) {
    std::mt19937 random(20261207);
    for (int round = 0; round < 300; ++round) {
        Bytes extract(random() % 160);
        // Few distinct values make repeated ranges, and so several hits, common.
        const std::uint32_t values = round % 3 == 0 ? 2 : 256;
        for (auto& b : extract) b = static_cast<std::uint8_t>(random() % values);
        AnyLengthRequest request = Target(static_cast<std::uint32_t>(random()));
        request.step = round % 4 == 0 ? static_cast<std::uint32_t>(1 + random() % 4) : 1;
        if (round % 5 == 1) request.minLength = static_cast<std::uint32_t>(random() % 20);
        if (round % 5 == 2) request.maxLength = static_cast<std::uint32_t>(random() % 40);
        const std::size_t n = extract.size();
        if (n > 0) {
            const auto a = static_cast<std::uint32_t>(random() % n);
            const auto length = static_cast<std::uint32_t>(1 + random() % (n - a));
            switch (round % 6) {  // a target that is there: at 0, at the end, the whole, anywhere
                case 0: request.target = ZlibCrc(std::span(extract).first(length)); break;
                case 1: request.target = ZlibCrc(std::span(extract).last(length)); break;
                case 2: request.target = ZlibCrc(extract); break;
                case 3: request.target = ZlibCrc(std::span(extract).subspan(a, length)); break;
                default: break;  // a random target, almost surely absent
            }
        }
        const std::string expected = Describe(EveryRange(extract, request));
        const std::string context = "round " + std::to_string(round) + " length " + std::to_string(n);
        EXPECT_EQ(Describe(Find(&FindCrcRanges, extract, request)), expected) << context;
        EXPECT_EQ(Describe(Find(&FindCrcRangesNaive, extract, request)), expected) << context;
    }
}

TEST(AnyLengthSearch, RefusesTablesAboveTheMemoryLimitBeforeExamining) {
    const Bytes extract(4096, 0x5A);
    AnyLengthRequest request = Target(ZlibCrc(std::span(extract).first(7)));
    const std::uint64_t needed = AnyLengthBytesNeeded(extract.size(), request);
    EXPECT_GE(needed, 16u * extract.size());
    const std::uint64_t large = 16u << 20;  // at about 16 bytes per offset
    EXPECT_LE(AnyLengthBytesNeeded(large, request), 16 * (large + 1) + (std::uint64_t{1} << 20));
    request.memoryLimit = needed - 1;
    int hits = 0;
    const AnyLengthResult refused = FindCrcRanges(extract, request, kNeverBreak, [&](std::uint32_t, std::uint32_t) {
        ++hits;
        return true;
    });
    EXPECT_EQ(refused.outcome, AnyLengthOutcome::TooLarge);
    EXPECT_EQ(refused.bytesNeeded, needed);
    EXPECT_EQ(hits, 0);
    request.memoryLimit = needed;
    EXPECT_EQ(Find(&FindCrcRanges, extract, request).size(), extract.size() - 6);  // every 7-byte run
}

TEST(AnyLengthSearch, PollAndHitCanStopTheSearch) {
    const Bytes extract(300000, 0);
    const AnyLengthRequest request = Target(ZlibCrc(std::span(extract).first(1)));
    std::uint64_t lastTotal = 0;
    const AnyLengthResult broken = FindCrcRanges(
        extract, request,
        [&](std::uint64_t, std::uint64_t total) {
            lastTotal = total;
            return true;
        },
        [](std::uint32_t, std::uint32_t) { return true; });
    EXPECT_EQ(broken.outcome, AnyLengthOutcome::Broken);
    EXPECT_GE(lastTotal, 2u * (extract.size() + 1));
    const AnyLengthResult stopped =
        FindCrcRanges(extract, request, kNeverBreak, [](std::uint32_t, std::uint32_t) { return false; });
    EXPECT_EQ(stopped.outcome, AnyLengthOutcome::Broken);
    EXPECT_EQ(stopped.hits, 1u);
}

// Hits are told while the search still runs (polls come after the first), in ascending order
// of end, then start, and none is collected first.
TEST(AnyLengthSearch, TellsHitsAsTheyAreFoundInOrder) {
    const Bytes extract(300000, 0);
    const AnyLengthRequest request = Target(ZlibCrc(std::span(extract).first(1)));
    std::pair<std::uint32_t, std::uint32_t> last{0, 0};  // (end, start)
    std::uint64_t hits = 0, pollsAfterAHit = 0;
    const AnyLengthResult result = FindCrcRanges(
        extract, request,
        [&](std::uint64_t, std::uint64_t) {
            pollsAfterAHit += hits != 0;
            return false;
        },
        [&](std::uint32_t start, std::uint32_t end) {
            EXPECT_LT(last, std::make_pair(end, start));
            last = {end, start};
            ++hits;
            return true;
        });
    EXPECT_EQ(result.hits, extract.size());
    EXPECT_GT(pollsAfterAHit, 0u);
}

// Large enough for the sort to take the top digit first, with a quarter of the keys equal (a
// block with CRC 0 repeated, a few bytes changed), against the naive search bounded by --max.
TEST(AnyLengthSearch, AgreesWithTheNaiveSearchOnLargePeriodicExtracts) {
    Bytes extract(300000);
    for (std::size_t i = 0; i < extract.size(); ++i) extract[i] = HexBytes("9D 0A D9 6D")[i % 4];
    std::mt19937 random(17);
    for (int k = 0; k < 8; ++k) extract[random() % extract.size()] ^= 0x21;
    for (const std::uint32_t target : {0u, ZlibCrc(std::span(extract).subspan(1001, 20))}) {
        const AnyLengthRequest request = Target(target, 1, 24);
        const Ranges fast = Find(&FindCrcRanges, extract, request);
        EXPECT_GT(fast.size(), 1000u);
        EXPECT_EQ(fast, Find(&FindCrcRangesNaive, extract, request)) << target;
    }
}

TEST(CrcAlgebra, InverseShiftUndoesTheShift) {
    for (const std::uint64_t n : {0ull, 1ull, 7ull, 4096ull, 0x7FFFFFFFull, 0x123456789ull}) {
        EXPECT_EQ(crc_algebra::MultModP(crc_algebra::ShiftOperator(n), crc_algebra::InverseShiftOperator(n)),
                  crc_algebra::kOne)
            << n;
    }
}

}  // namespace
}  // namespace vesperine
