// Byte lanes: the units taken every stride bytes from an image, and put back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vesperine {

// Gathers units of width bytes, one every stride bytes starting at source: unit i of out is
// source[i * stride .. i * stride + width). out.size() is a whole number of units, and the
// last unit read must lie within the caller's bytes. Widths 1, 2 and 4 with strides 2 and 4 (a
// stripe, a byte lane of a 32-bit bus, a 16-bit lane) and width == stride (a plain copy) are
// the fast cases; any other pair is copied unit by unit.
void GatherLanes(const std::uint8_t* source, std::size_t stride, std::size_t width, std::span<std::uint8_t> out);

// The inverse: unit i of units goes to target[i * stride .. i * stride + width).
void ScatterLanes(std::span<const std::uint8_t> units, std::size_t stride, std::size_t width, std::uint8_t* target);

}  // namespace vesperine
