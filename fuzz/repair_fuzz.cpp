// CRC repair against flipping every bit, and every pair of bits, and computing the CRC-32 afresh,
// on small dumps with one or two planted flips, including how many pairs are kept.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/crc32.h"
#include "diagnosis/repair.h"

using namespace vesperine;
using namespace vesperine::diagnosis;

namespace {

void Flip(std::vector<std::uint8_t>& bytes, std::uint64_t bit) {
    bytes[bit / 8] = static_cast<std::uint8_t>(bytes[bit / 8] ^ (1u << (bit % 8)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t length) {
    FuzzedDataProvider in(data, length);
    const unsigned maxBits = in.ConsumeBool() ? 2 : 1;
    const auto keepPairs = in.ConsumeIntegralInRange<std::size_t>(0, 3);
    const int planted = in.ConsumeIntegralInRange(0, 2);  // flips planted; 0: a target of any value
    const auto first = in.ConsumeIntegral<std::uint32_t>(), second = in.ConsumeIntegral<std::uint32_t>();
    std::uint32_t expected = in.ConsumeIntegral<std::uint32_t>();
    std::vector<std::uint8_t> dump = in.ConsumeBytes<std::uint8_t>(40);  // 51,040 pairs, each hashed afresh
    const std::uint64_t bits = 8 * dump.size();
    if (bits != 0 && planted != 0) {
        expected = Crc32(dump);
        Flip(dump, first % bits);
        if (planted == 2) Flip(dump, second % bits);
    }
    const RepairResult result = FindBitRepairs(dump, expected, maxBits, keepPairs);

    // The naive twin: every single in offset order, then the first keepPairs pairs, and counts.
    std::vector<FlipCandidate> kept;
    std::uint64_t singles = 0, pairs = 0;
    for (std::uint64_t a = 0; a < bits; ++a) {
        Flip(dump, a);
        if (Crc32Bytewise(dump) == expected)
            kept.insert(kept.begin() + static_cast<long>(singles++), {{{a / 8, static_cast<unsigned>(a % 8)}}});
        for (std::uint64_t b = a + 1; maxBits == 2 && b < bits; ++b) {
            Flip(dump, b);
            if (Crc32Bytewise(dump) == expected && pairs++ < keepPairs) {
                kept.push_back({{{a / 8, static_cast<unsigned>(a % 8)}, {b / 8, static_cast<unsigned>(b % 8)}}});
            }
            Flip(dump, b);
        }
        Flip(dump, a);
    }
    const bool matches = Crc32(dump) == expected;
    const std::uint64_t fewest = singles != 0 ? singles : pairs;
    const RepairOutcome outcome = matches       ? RepairOutcome::AlreadyMatches
                                  : fewest == 0 ? RepairOutcome::NoCandidate
                                  : fewest == 1 ? RepairOutcome::Unique
                                                : RepairOutcome::Ambiguous;
    if (result.outcome != outcome ||
        (!matches && (result.singles != singles || result.pairs != pairs || result.candidates != kept))) {
        std::fprintf(stderr,
                     "%zu bytes, bits %u, keep %zu: outcome %d (naive %d), singles %llu (%llu), pairs %llu (%llu)\n",
                     dump.size(), maxBits, keepPairs, static_cast<int>(result.outcome), static_cast<int>(outcome),
                     static_cast<unsigned long long>(result.singles), static_cast<unsigned long long>(singles),
                     static_cast<unsigned long long>(result.pairs), static_cast<unsigned long long>(pairs));
        std::abort();
    }
    return 0;
}
