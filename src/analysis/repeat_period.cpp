// Finding the repeat period of an image among the divisors of its length.
#include "analysis/repeat_period.h"

#include <cstring>

namespace vesperine {
namespace {

[[nodiscard]] bool RepeatsEvery(std::span<const std::uint8_t> image, std::uint64_t p) {
    return std::memcmp(image.data(), image.data() + p, image.size() - p) == 0;
}

}  // namespace

std::uint64_t RepeatPeriodOf(std::span<const std::uint8_t> image) {
    const std::uint64_t n = image.size();
    // Divisors come in pairs around the square root: the small ones first, in ascending order,
    // then the cofactors of the small ones, in ascending order too.
    std::uint64_t root = 1;
    for (; root * root <= n; ++root) {
        if (n % root == 0 && root < n && RepeatsEvery(image, root)) return root;
    }
    for (std::uint64_t copies = root - 1; copies >= 2; --copies) {
        if (n % copies != 0) continue;
        const std::uint64_t p = n / copies;
        if (p * p <= n) continue;  // tried among the small ones
        if (RepeatsEvery(image, p)) return p;
    }
    return 0;
}

}  // namespace vesperine
