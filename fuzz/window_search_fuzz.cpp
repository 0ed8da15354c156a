// The CRC window search against the plainest search there is: every window's CRC-32 computed
// from scratch, in order, until one matches.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "base/crc32.h"
#include "search/window_search.h"

namespace {

using namespace vesperine;

// The first window [k * step, k * step + size) lying in the extract whose CRC-32 is target;
// nothing when none does. Step 0 has the one window at 0.
std::optional<std::uint64_t> FirstMatch(std::span<const std::uint8_t> extract, std::uint32_t target, std::uint32_t size,
                                        std::uint32_t step) {
    for (std::uint64_t offset = 0; offset + size <= extract.size(); offset += step) {
        if (Crc32(extract.subspan(offset, size)) == target) return offset;
        if (step == 0) break;
    }
    return std::nullopt;
}

void Fail(const char* what, std::uint64_t a, std::uint64_t b) {
    std::fprintf(stderr, "%s: search %llu, reference %llu\n", what, static_cast<unsigned long long>(a),
                 static_cast<unsigned long long>(b));
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t length) {
    FuzzedDataProvider in(data, length);
    // Sizes and steps are mostly small, sometimes anything; the extract is the input's tail,
    // repeated to reach past the poll interval of 4096 windows.
    auto size =
        in.ConsumeBool() ? in.ConsumeIntegralInRange<std::uint32_t>(0, 300) : in.ConsumeIntegral<std::uint32_t>();
    const auto step =
        in.ConsumeBool() ? in.ConsumeIntegralInRange<std::uint32_t>(0, 40) : in.ConsumeIntegral<std::uint32_t>();
    const auto repeat = in.ConsumeIntegralInRange(1, 64);
    const bool targetFromWindow = in.ConsumeBool();
    const auto pick = in.ConsumeIntegral<std::uint32_t>();
    std::uint32_t target = in.ConsumeIntegral<std::uint32_t>();
    const auto breakAfter = in.ConsumeIntegralInRange(0, 3);  // polls answered before a break
    const bool breaking = in.ConsumeBool();
    std::vector<std::uint8_t> once = in.ConsumeRemainingBytes<std::uint8_t>();
    std::vector<std::uint8_t> extract;
    for (int i = 0; i < repeat; ++i) extract.insert(extract.end(), once.begin(), once.end());
    // Keep the reference's cost (windows times size) within reach.
    if (step != 0 && size <= extract.size()) {
        const std::uint64_t windows = (extract.size() - size) / step + 1;
        if (windows * size > (std::uint64_t{1} << 23))
            size = static_cast<std::uint32_t>((std::uint64_t{1} << 23) / windows);
    }
    if (targetFromWindow && size <= extract.size()) {
        const std::uint64_t start = step == 0 ? 0 : (pick % ((extract.size() - size) / step + 1)) * step;
        target = Crc32(std::span<const std::uint8_t>(extract).subspan(start, size));
    }

    // A search with step 0 and no hit ends only at a break, so it always gets one there.
    int polls = 0;
    bool sawEndless = false;
    const SearchResult result = FindCrcWindow(extract, target, size, step, [&](std::uint64_t, std::uint64_t total) {
        if (total == 0) sawEndless = true;
        return (breaking || step == 0) && polls++ >= breakAfter;
    });
    const std::optional<std::uint64_t> expected = FirstMatch(extract, target, size, step);

    switch (result.outcome) {
        case SearchOutcome::Found:
            if (!expected) Fail("found where no window matches", result.offset, 0);
            if (*expected != result.offset) Fail("not the first matching window", result.offset, *expected);
            break;
        case SearchOutcome::NotFound:
            if (expected) Fail("missed a matching window", 0, *expected);
            break;
        case SearchOutcome::Broken:
            if (!breaking && step != 0) Fail("broke off without being asked", 0, 0);
            // Only windows that did not match come before a poll.
            if (expected && *expected == 0) Fail("broke off before the first window", 0, 0);
            if (step == 0 && !sawEndless) Fail("an endless search polled with a total", 0, 0);
            break;
    }
    return 0;
}
