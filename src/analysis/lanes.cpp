// Gathering and scattering byte lanes, with the common shapes written so that they vectorise.
#include "analysis/lanes.h"

#include <cstring>

namespace vesperine {
namespace {

// Fixed strides and widths, whole units moved through memcpy: the compiler turns these loops
// into vector shuffles, several times faster than a loop with the stride in a variable.
template <std::size_t Width, std::size_t Stride>
void GatherFixed(const std::uint8_t* source, std::span<std::uint8_t> out) {
    for (std::size_t i = 0; i + Width <= out.size(); i += Width)
        std::memcpy(&out[i], source + i / Width * Stride, Width);
}

template <std::size_t Width>
void GatherUnits(const std::uint8_t* source, std::size_t stride, std::span<std::uint8_t> out) {
    for (std::size_t i = 0; i + Width <= out.size(); i += Width)
        std::memcpy(&out[i], source + i / Width * stride, Width);
}

template <std::size_t Width>
void ScatterUnits(std::span<const std::uint8_t> units, std::size_t stride, std::uint8_t* target) {
    for (std::size_t i = 0; i + Width <= units.size(); i += Width) {
        std::memcpy(target + i / Width * stride, &units[i], Width);
    }
}

}  // namespace

void GatherLanes(const std::uint8_t* source, std::size_t stride, std::size_t width, std::span<std::uint8_t> out) {
    if (out.empty()) return;
    if (width == stride) {
        std::memcpy(out.data(), source, out.size());
        return;
    }
    if (width == 1 && stride == 2) return GatherFixed<1, 2>(source, out);
    if (width == 1 && stride == 4) return GatherFixed<1, 4>(source, out);
    if (width == 2 && stride == 4) return GatherFixed<2, 4>(source, out);
    switch (width) {
        case 1: return GatherUnits<1>(source, stride, out);
        case 2: return GatherUnits<2>(source, stride, out);
        case 4: return GatherUnits<4>(source, stride, out);
        default:
            for (std::size_t i = 0; i + width <= out.size(); i += width) {
                std::memcpy(&out[i], source + i / width * stride, width);
            }
    }
}

void ScatterLanes(std::span<const std::uint8_t> units, std::size_t stride, std::size_t width, std::uint8_t* target) {
    if (units.empty()) return;
    switch (width) {
        case 1: return ScatterUnits<1>(units, stride, target);
        case 2: return ScatterUnits<2>(units, stride, target);
        case 4: return ScatterUnits<4>(units, stride, target);
        default:
            for (std::size_t i = 0; i + width <= units.size(); i += width) {
                std::memcpy(target + i / width * stride, &units[i], width);
            }
    }
}

}  // namespace vesperine
