// The window search: known cases, and agreement with window-by-window CRCs on random extracts.
#include "search/window_search.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <sstream>

#include "support/dialog_harness.h"
#include "support/test_bytes.h"

namespace vesperine {
namespace {

using testing::HexBytes;

using Search = SearchResult (*)(std::span<const std::uint8_t>, std::uint32_t, std::uint32_t, std::uint32_t,
                                const WindowPoll&);
const Search kSearches[] = {&FindCrcWindow, &FindCrcWindowNaive};

const WindowPoll kNeverBreak = [](std::uint64_t, std::uint64_t) { return false; };

using vesperine::testing::ZlibCrc;

// The oracle: every window that fits, in order, its CRC computed by zlib from its first byte.
std::optional<std::uint32_t> FirstHit(std::span<const std::uint8_t> extract, std::uint32_t target, std::uint32_t size,
                                      std::uint32_t step) {
    for (std::uint64_t offset = 0; offset + size <= extract.size(); offset += step) {
        if (ZlibCrc(extract.subspan(offset, size)) == target) return static_cast<std::uint32_t>(offset);
    }
    return std::nullopt;
}

std::string Describe(const SearchResult& result) {
    switch (result.outcome) {
        case SearchOutcome::Found: return "Found " + std::to_string(result.offset);
        case SearchOutcome::NotFound: return "NotFound";
        case SearchOutcome::Broken: return "Broken";
    }
    return "?";
}

std::string Expected(const std::optional<std::uint32_t>& hit) {
    return hit ? "Found " + std::to_string(*hit) : "NotFound";
}

TEST(WindowSearch, KnownCases) {
    // "31 .. 39" is "123456789", whose CRC-32 is CBF43926.
    const struct {
        const char* extract;
        std::uint32_t target;
        std::uint32_t size;
        std::uint32_t step;
        const char* result;
    } cases[] = {
        {"31 32 33 34 35 36 37 38 39", 0xCBF43926, 9, 4, "Found 0"},      // a window as long as the extract
        {"00 31 32 33 34 35 36 37 38 39", 0xCBF43926, 9, 1, "Found 1"},   // the window ending at the last byte
        {"00 31 32 33 34 35 36 37 38 39", 0xCBF43926, 9, 2, "NotFound"},  // off the step's grid
        {"00 00 31 32 33 34 35 36 37 38 39 00 00", 0xCBF43926, 9, 2, "Found 2"},
        {"31 32 33 34 35 36 37 38", 0xCBF43926, 9, 1, "NotFound"},  // size above the length
        {"31 32 33", 0x00000000, 0, 1, "Found 0"},                  // no bytes have CRC 0
        {"", 0x00000000, 0, 4, "Found 0"},
        {"31 32 33", 0x12345678, 0, 1, "NotFound"},
        {"31 32 33", 0x83DCEFB7, 1, 1, "Found 0"},  // "1"
        {"31 32 33", 0x6DD28E9B, 1, 1, "Found 2"},  // "3", the last one-byte window
        {"31 32 33", 0x6DD28E9B, 1, 2, "Found 2"},
        {"31 32 33", 0x6DD28E9B, 1, 3, "NotFound"},
        {"00 31 32 33", 0x884863D2, 3, 3, "NotFound"},       // "123" at 1 is off the grid
        {"31 32 33 31 32 33", 0x6DD28E9B, 1, 5, "Found 5"},  // step above size
        {"31 32 33 31 32 33", 0x83DCEFB7, 1, 3, "Found 0"},  // the first of two equal windows
    };
    for (const auto& c : cases) {
        const Bytes extract = HexBytes(c.extract);
        EXPECT_EQ(Describe(FindCrcWindow(extract, c.target, c.size, c.step, kNeverBreak)), c.result)
            << c.extract << " size " << c.size << " step " << c.step;
        EXPECT_EQ(Describe(FindCrcWindowNaive(extract, c.target, c.size, c.step, kNeverBreak)), c.result)
            << "naive: " << c.extract << " size " << c.size << " step " << c.step;
    }
}

// Random extracts, some from two byte values only so that equal windows repeat, with targets
// taken from the first, a middle and the last window of the step's grid, from a window off the
// grid, and at random.
TEST(WindowSearch, AgreesWithWindowByWindowCrcs) {
    std::mt19937 random(20240611);
    const auto below = [&](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };
    int hits = 0;
    for (int round = 0; round < 400; ++round) {
        const std::uint32_t length = below(3) == 0 ? below(20) : below(700);
        Bytes extract(length);
        const bool twoValues = below(4) == 0;
        for (auto& b : extract) b = static_cast<std::uint8_t>(twoValues ? below(2) : random());

        const std::uint32_t sizes[] = {
            0, 1, length, length + 1, length == 0 ? 0 : below(length), std::min<std::uint32_t>(length, 1 + below(40))};
        for (const std::uint32_t size : sizes) {
            const std::uint32_t steps[] = {1, 3, 4, size + 1, 1 + below(64)};
            for (const std::uint32_t step : steps) {
                std::vector<std::uint32_t> targets{static_cast<std::uint32_t>(random())};
                if (size <= length) {
                    const std::uint32_t last = (length - size) / step * step;
                    for (const std::uint32_t offset : {0u, last / step / 2 * step, last, (last + 1) / 2}) {
                        if (offset + size > length) continue;
                        targets.push_back(ZlibCrc(std::span(extract).subspan(offset, size)));
                    }
                }
                for (const std::uint32_t target : targets) {
                    const auto expected = FirstHit(extract, target, size, step);
                    hits += expected.has_value();
                    const auto where = [&] {
                        std::ostringstream text;
                        text << "length " << length << " size " << size << " step " << step << " target " << std::hex
                             << target;
                        return text.str();
                    };
                    ASSERT_EQ(Describe(FindCrcWindow(extract, target, size, step, kNeverBreak)), Expected(expected))
                        << where();
                    ASSERT_EQ(Describe(FindCrcWindowNaive(extract, target, size, step, kNeverBreak)),
                              Expected(expected))
                        << "naive: " << where();
                }
            }
        }
    }
    EXPECT_GT(hits, 5000);  // the targets taken from windows mostly hit
}

TEST(WindowSearch, LongExtractsHitInTheFirstMiddleAndLastWindow) {
    std::mt19937 random(4);
    Bytes extract(300000);
    for (auto& b : extract) b = static_cast<std::uint8_t>(random());
    const struct {
        std::uint32_t size;
        std::uint32_t step;
    } shapes[] = {{16384, 4}, {65536, 1}, {100000, 4096}, {70001, 3}, {299999, 1}, {300000, 4}, {1000, 5000}};
    for (const auto& shape : shapes) {
        const std::uint32_t last = (300000 - shape.size) / shape.step * shape.step;
        for (const std::uint32_t offset : {0u, last / shape.step / 2 * shape.step, last}) {
            const std::uint32_t target = ZlibCrc(std::span(extract).subspan(offset, shape.size));
            EXPECT_EQ(Describe(FindCrcWindow(extract, target, shape.size, shape.step, kNeverBreak)),
                      "Found " + std::to_string(offset))
                << "size " << shape.size << " step " << shape.step;
        }
        EXPECT_EQ(Describe(FindCrcWindow(extract, 0xDEADBEEF, shape.size, shape.step, kNeverBreak)), "NotFound")
            << "size " << shape.size << " step " << shape.step;
    }
}

TEST(WindowSearch, StepZeroRepeatsTheFirstWindowUntilTheBreak) {
    const Bytes extract = HexBytes("31 32 33 34 35 36 37 38 39 00");
    for (const Search search : kSearches) {
        int polls = 0;
        const WindowPoll breakAtTenth = [&](std::uint64_t done, std::uint64_t total) {
            EXPECT_EQ(total, 0u);
            EXPECT_EQ(done, static_cast<std::uint64_t>(polls + 1));
            return ++polls == 10;
        };
        EXPECT_EQ(Describe(search(extract, 0x12345678, 9, 0, breakAtTenth)), "Broken");
        EXPECT_EQ(polls, 10);

        polls = 0;
        EXPECT_EQ(Describe(search(extract, 0xCBF43926, 9, 0, breakAtTenth)), "Found 0");
        EXPECT_EQ(polls, 0);  // a match ends the search before any poll
        EXPECT_EQ(Describe(search(extract, 0x00000000, 0, 0, breakAtTenth)), "Found 0");
        EXPECT_EQ(Describe(search(extract, 0xCBF43926, 11, 0, breakAtTenth)), "NotFound");
        EXPECT_EQ(polls, 0);
    }
}

TEST(WindowSearch, PollSeesProgressAndBreaksALongSearch) {
    const Bytes extract(1 << 20, 0xA5);
    const std::uint64_t windows = ((1u << 20) - 4096) / 4 + 1;
    for (const Search search : kSearches) {
        std::uint64_t lastDone = 0;
        int polls = 0;
        const WindowPoll watch = [&](std::uint64_t done, std::uint64_t total) {
            EXPECT_EQ(total, windows);
            EXPECT_GT(done, lastDone);
            EXPECT_LE(done, windows);
            lastDone = done;
            return ++polls == 3;
        };
        EXPECT_EQ(Describe(search(extract, 0x12345678, 4096, 4, watch)), "Broken");
        EXPECT_EQ(polls, 3);
        EXPECT_LT(lastDone, windows);
    }
}

// Every matching window, in order, from a search that goes on past the first hit.
TEST(WindowSearch, FindCrcWindowsTellsEveryHitInOrder) {
    std::mt19937 random(77);
    for (int round = 0; round < 200; ++round) {
        Bytes extract(random() % 200);
        for (auto& b : extract) b = static_cast<std::uint8_t>(random() % 2);  // equal windows repeat
        const auto size = static_cast<std::uint32_t>(random() % 12);
        const auto step = static_cast<std::uint32_t>(1 + random() % 5);
        const std::uint32_t target =
            size <= extract.size() ? ZlibCrc(std::span(extract).first(size)) : static_cast<std::uint32_t>(random());
        std::vector<std::uint32_t> expected;
        for (std::uint64_t offset = 0; offset + size <= extract.size(); offset += step) {
            if (ZlibCrc(std::span(extract).subspan(offset, size)) == target) {
                expected.push_back(static_cast<std::uint32_t>(offset));
            }
        }
        std::vector<std::uint32_t> told;
        const SearchResult result = FindCrcWindows(extract, target, size, step, kNeverBreak, [&](std::uint32_t at) {
            told.push_back(at);
            return true;
        });
        EXPECT_EQ(told, expected) << "round " << round;
        EXPECT_EQ(result.outcome, expected.empty() ? SearchOutcome::NotFound : SearchOutcome::Found);
    }
}

}  // namespace
}  // namespace vesperine
