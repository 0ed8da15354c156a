// CRC repair against flipping every bit, and every pair of bits, and computing the CRC-32 afresh,
// on small dumps with one or two planted flips, including how many pairs are kept.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "analysis/crc32.h"
#include "diagnosis/repair.h"

namespace {

using namespace vesperine;
using namespace vesperine::diagnosis;

constexpr std::size_t kLongest = 40;  // 320 bits: 51,040 pairs, each hashed afresh

BitPosition At(std::uint64_t bit) { return {bit / 8, static_cast<unsigned>(bit % 8)}; }

void Flip(std::vector<std::uint8_t>& bytes, std::uint64_t bit) {
    bytes[bit / 8] = static_cast<std::uint8_t>(bytes[bit / 8] ^ (1u << (bit % 8)));
}

// Every candidate in offset order, singles then pairs, found by flipping and hashing.
void NaiveRepairs(std::vector<std::uint8_t> bytes, std::uint32_t expected, unsigned maxBits,
                  std::vector<FlipCandidate>& singles, std::vector<FlipCandidate>& pairs) {
    const std::uint64_t bits = 8 * bytes.size();
    for (std::uint64_t a = 0; a < bits; ++a) {
        Flip(bytes, a);
        if (Crc32Bytewise(bytes) == expected) singles.push_back({{At(a)}});
        for (std::uint64_t b = a + 1; maxBits == 2 && b < bits; ++b) {
            Flip(bytes, b);
            if (Crc32Bytewise(bytes) == expected) pairs.push_back({{At(a), At(b)}});
            Flip(bytes, b);
        }
        Flip(bytes, a);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t length) {
    FuzzedDataProvider in(data, length);
    const unsigned maxBits = in.ConsumeBool() ? 2 : 1;
    const auto keepPairs = in.ConsumeIntegralInRange<std::size_t>(0, 3);
    const int planted = in.ConsumeIntegralInRange(0, 2);  // flips planted; 0: a target of any value
    const auto first = in.ConsumeIntegral<std::uint32_t>();
    const auto second = in.ConsumeIntegral<std::uint32_t>();
    std::uint32_t expected = in.ConsumeIntegral<std::uint32_t>();
    std::vector<std::uint8_t> dump = in.ConsumeBytes<std::uint8_t>(kLongest);
    if (!dump.empty() && planted != 0) {
        expected = Crc32(dump);
        Flip(dump, first % (8 * dump.size()));
        if (planted == 2) Flip(dump, second % (8 * dump.size()));
    }

    const RepairResult result = FindBitRepairs(dump, expected, maxBits, keepPairs);
    std::vector<FlipCandidate> singles, pairs;
    NaiveRepairs(dump, expected, maxBits, singles, pairs);
    std::vector<FlipCandidate> kept = singles;
    kept.insert(kept.end(), pairs.begin(),
                pairs.begin() + static_cast<std::ptrdiff_t>(std::min(keepPairs, pairs.size())));
    const bool matches = Crc32(dump) == expected;
    const std::size_t fewest = singles.empty() ? pairs.size() : singles.size();
    const RepairOutcome outcome = matches       ? RepairOutcome::AlreadyMatches
                                  : fewest == 0 ? RepairOutcome::NoCandidate
                                  : fewest == 1 ? RepairOutcome::Unique
                                                : RepairOutcome::Ambiguous;
    const bool agrees =
        result.outcome == outcome &&
        (matches || (result.singles == singles.size() && result.pairs == pairs.size() && result.candidates == kept));
    if (!agrees) {
        std::fprintf(stderr,
                     "%zu bytes, bits %u, keep %zu: outcome %d (naive %d), singles %llu (%zu), pairs %llu (%zu)\n",
                     dump.size(), maxBits, keepPairs, static_cast<int>(result.outcome), static_cast<int>(outcome),
                     static_cast<unsigned long long>(result.singles), singles.size(),
                     static_cast<unsigned long long>(result.pairs), pairs.size());
        std::abort();
    }
    // With no pairs kept, a unique pair is counted but not listed.
    if (outcome == RepairOutcome::Unique && !result.candidates.empty() &&
        Crc32(ApplyFlips(dump, result.candidates.front())) != expected) {
        std::fprintf(stderr, "the unique candidate does not give the expected CRC-32\n");
        std::abort();
    }
    return 0;
}
