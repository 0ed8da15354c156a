// The repeat period of an image: the shortest start that the whole image is copies of.
#pragma once

#include <cstdint>
#include <span>

#include "analysis/strided_bytes.h"
#include "base/work_poll.h"

namespace vesperine {

// The smallest p below the length n that divides n, with every byte equal to the byte p
// before it (so the image is n / p copies of its first p bytes); 0 when there is none (the
// image is not repeated, or has fewer than two bytes). Divisors are tried from the smallest,
// each with one comparison that stops at its first difference, so a wrong one usually costs
// a few bytes. The meter is ticked every kPollBytes of a comparison with its position in the
// image; broken off, the answer means nothing.
[[nodiscard]] std::uint64_t RepeatPeriodOf(std::span<const std::uint8_t> image, const PassMeter& meter = {});
// The same over a strided view: a byte lane of a dump, read where it lies.
[[nodiscard]] std::uint64_t RepeatPeriodOf(const StridedBytes& image, const PassMeter& meter = {});

}  // namespace vesperine
