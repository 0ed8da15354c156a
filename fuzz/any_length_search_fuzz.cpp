// The any-length CRC search against every range's CRC-32 computed afresh, on random and on
// periodic extracts whose keys repeat (a block with CRC 0 makes a quarter of all keys equal).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "base/crc32.h"
#include "search/any_length_search.h"

using namespace vesperine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t length) {
    FuzzedDataProvider in(data, length);
    AnyLengthRequest request;
    request.step = in.ConsumeBool() ? 1 : in.ConsumeIntegralInRange<std::uint32_t>(0, 6);
    if (in.ConsumeBool()) request.minLength = in.ConsumeIntegralInRange<std::uint32_t>(0, 64);
    if (in.ConsumeBool()) request.maxLength = in.ConsumeIntegralInRange<std::uint32_t>(0, 600);
    const int targetKind = in.ConsumeIntegralInRange(0, 2);  // a range's CRC, 0, or any value
    const auto pick = in.ConsumeIntegral<std::uint32_t>();
    request.target = in.ConsumeIntegral<std::uint32_t>();
    const auto stopAt = in.ConsumeBool() ? in.ConsumeIntegralInRange<std::size_t>(1, 50) : SIZE_MAX;
    // Up to 4 KiB one time in eight, else 512 bytes (the naive search is quadratic): the input's
    // bytes, or a block of them repeated, or the block 9D 0A D9 6D (CRC 0) repeated after them.
    const std::size_t longest = in.ConsumeIntegralInRange(0, 7) == 0 ? 4096 : 512;
    const int shape = in.ConsumeIntegralInRange(0, 2);
    const std::vector<std::uint8_t> block = shape == 2
                                                ? std::vector<std::uint8_t>{0x9D, 0x0A, 0xD9, 0x6D}
                                                : in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegral<std::uint8_t>());
    std::vector<std::uint8_t> extract = in.ConsumeRemainingBytes<std::uint8_t>();
    while (shape != 0 && !block.empty() && extract.size() + block.size() <= longest) {
        extract.insert(extract.end(), block.begin(), block.end());
    }
    extract.resize(std::min(extract.size(), longest));
    if (targetKind == 0 && !extract.empty()) {
        const std::size_t start = pick % extract.size();
        request.target = Crc32(std::span(extract).subspan(start, 1 + (pick >> 12) % (extract.size() - start)));
    } else if (targetKind == 1) {
        request.target = 0;
    }

    std::vector<std::pair<std::uint32_t, std::uint32_t>> found[2];
    AnyLengthResult results[2];
    for (int naive = 0; naive < 2; ++naive) {
        const auto never = [](std::uint64_t, std::uint64_t) { return false; };
        const RangeHit onHit = [&](std::uint32_t start, std::uint32_t end) {
            found[naive].emplace_back(start, end);
            return found[naive].size() < stopAt;
        };
        results[naive] =
            naive ? FindCrcRangesNaive(extract, request, never, onHit) : FindCrcRanges(extract, request, never, onHit);
    }
    if (found[0] != found[1] || results[0].hits != results[1].hits || results[0].outcome != results[1].outcome) {
        std::fprintf(stderr, "length %zu step %u min %u max %u target %08X: %zu hits, naive %zu\n", extract.size(),
                     request.step, request.minLength, request.maxLength, request.target, found[0].size(),
                     found[1].size());
        std::abort();
    }
    return 0;
}
