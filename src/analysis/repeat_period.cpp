// Finding the repeat period of an image among the divisors of its length.
#include "analysis/repeat_period.h"

#include <algorithm>

namespace vesperine {
namespace {

[[nodiscard]] bool RepeatsEvery(const StridedBytes& image, std::uint64_t p, const PassMeter& meter) {
    const std::uint64_t length = image.size() - p;
    for (std::uint64_t at = 0; at < length; at += kPollBytes) {
        const std::uint64_t part = std::min(kPollBytes, length - at);
        if (!image.Same(at, p + at, part)) return false;
        if (meter.Tick(p + at + part)) return false;
    }
    return true;
}

}  // namespace

std::uint64_t RepeatPeriodOf(std::span<const std::uint8_t> image, const PassMeter& meter) {
    return RepeatPeriodOf(StridedBytes(image), meter);
}

std::uint64_t RepeatPeriodOf(const StridedBytes& image, const PassMeter& meter) {
    const std::uint64_t n = image.size();
    // Divisors come in pairs around the square root: the small ones first, in ascending order,
    // then the cofactors of the small ones, in ascending order too.
    std::uint64_t root = 1;
    for (; root * root <= n && !meter.BrokenOff(); ++root) {
        if (n % root == 0 && root < n && RepeatsEvery(image, root, meter)) return root;
    }
    for (std::uint64_t copies = root - 1; copies >= 2 && !meter.BrokenOff(); --copies) {
        if (n % copies != 0) continue;
        const std::uint64_t p = n / copies;
        if (p * p <= n) continue;  // tried among the small ones
        if (RepeatsEvery(image, p, meter)) return p;
    }
    return 0;
}

}  // namespace vesperine
