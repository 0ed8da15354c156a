// The any-length CRC search against every range's CRC-32 computed afresh, on random and on
// periodic extracts whose keys repeat (a block with CRC 0 makes a quarter of all keys equal).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "analysis/crc32.h"
#include "search/any_length_search.h"

namespace {

using namespace vesperine;
using Ranges = std::vector<std::pair<std::uint32_t, std::uint32_t>>;  // (start, end)

constexpr std::size_t kLongest = 4096;
constexpr std::uint8_t kZeroCrcBlock[] = {0x9D, 0x0A, 0xD9, 0x6D};  // its CRC-32 is 00000000

// An extract of up to kLongest bytes: the input's bytes as they are, a block of them repeated,
// or the CRC-0 block repeated between them.
// One extract in eight may be that long; the others stay under 512 bytes, for the naive search's
// quadratic time.
std::vector<std::uint8_t> MakeExtract(FuzzedDataProvider& in) {
    const std::size_t longest = in.ConsumeIntegralInRange(0, 7) == 0 ? kLongest : 512;
    const int shape = in.ConsumeIntegralInRange(0, 2);
    const auto repeat = in.ConsumeIntegralInRange<std::size_t>(1, longest);
    std::vector<std::uint8_t> bytes = in.ConsumeRemainingBytes<std::uint8_t>();
    if (shape == 0 || bytes.empty())
        return std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + std::min(bytes.size(), longest));
    std::vector<std::uint8_t> extract;
    if (shape == 1) {
        while (extract.size() + bytes.size() <= longest && repeat * bytes.size() > extract.size()) {
            extract.insert(extract.end(), bytes.begin(), bytes.end());
        }
    } else {
        const std::size_t half = std::min(bytes.size() / 2, longest / 4);
        extract.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(half));
        for (std::size_t k = 0; k < repeat && extract.size() + 4 + half <= longest; ++k) {
            extract.insert(extract.end(), std::begin(kZeroCrcBlock), std::end(kZeroCrcBlock));
        }
        extract.insert(extract.end(), bytes.begin() + static_cast<std::ptrdiff_t>(half),
                       bytes.begin() + static_cast<std::ptrdiff_t>(2 * half));
    }
    return extract;
}

Ranges Run(bool naive, std::span<const std::uint8_t> extract, const AnyLengthRequest& request, std::uint64_t stopAt,
           AnyLengthResult& result) {
    Ranges found;
    const auto never = [](std::uint64_t, std::uint64_t) { return false; };
    const RangeHit onHit = [&](std::uint32_t start, std::uint32_t end) {
        found.emplace_back(start, end);
        return found.size() < stopAt;
    };
    result = naive ? FindCrcRangesNaive(extract, request, never, onHit) : FindCrcRanges(extract, request, never, onHit);
    return found;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t length) {
    FuzzedDataProvider in(data, length);
    AnyLengthRequest request;
    request.step = in.ConsumeBool() ? 1 : in.ConsumeIntegralInRange<std::uint32_t>(0, 6);
    if (in.ConsumeBool()) request.minLength = in.ConsumeIntegralInRange<std::uint32_t>(0, 64);
    if (in.ConsumeBool()) request.maxLength = in.ConsumeIntegralInRange<std::uint32_t>(0, 600);
    const int targetKind = in.ConsumeIntegralInRange(0, 2);  // a range's CRC, 0, or any value
    const auto pickStart = in.ConsumeIntegral<std::uint32_t>();
    const auto pickLength = in.ConsumeIntegral<std::uint32_t>();
    request.target = in.ConsumeIntegral<std::uint32_t>();
    const std::uint64_t stopAt = in.ConsumeBool() ? in.ConsumeIntegralInRange<std::uint64_t>(1, 50) : UINT64_MAX;
    const std::vector<std::uint8_t> extract = MakeExtract(in);
    if (targetKind == 0 && !extract.empty()) {
        const std::size_t start = pickStart % extract.size();
        request.target = Crc32(std::span(extract).subspan(start, 1 + pickLength % (extract.size() - start)));
    } else if (targetKind == 1) {
        request.target = 0;
    }

    AnyLengthResult fast, naive;
    const Ranges found = Run(false, extract, request, stopAt, fast);
    const Ranges expected = Run(true, extract, request, stopAt, naive);
    if (found != expected || fast.hits != naive.hits || fast.outcome != naive.outcome) {
        std::fprintf(stderr, "length %zu step %u min %u max %u target %08X: %zu hits, naive %zu\n", extract.size(),
                     request.step, request.minLength, request.maxLength, request.target, found.size(), expected.size());
        for (std::size_t k = 0; k < found.size() || k < expected.size(); ++k) {
            if (k >= found.size() || k >= expected.size() || found[k] != expected[k]) {
                std::fprintf(stderr, "first difference at hit %zu\n", k);
                break;
            }
        }
        std::abort();
    }
    return 0;
}
