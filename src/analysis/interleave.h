// N-way interleave: one image of a wide bus split into the chips that hold its byte lanes, and merged back.
#pragma once

#include <cstdint>
#include <span>

namespace vesperine {

// A bus of `ways` chips, each `width` bytes wide: the image's units of width bytes go to the
// chips in turn, unit u to part u mod ways. Four 8-bit chips on a 32-bit bus are 4 ways of 1
// byte; two 16-bit chips are 2 ways of 2 bytes. Part 0 holds the image's first unit.
struct Interleave {
    std::uint32_t ways = 2;   // 2 to 8
    std::uint32_t width = 1;  // 1, 2 or 4
};

// Length of each part for an image of wholeLength bytes: the image divided by ways, rounded up
// to whole units (a last group short of ways * width bytes is padded).
[[nodiscard]] std::uint64_t PartLengthOf(const Interleave& layout, std::uint64_t wholeLength);

// Fills every part (ways spans of PartLengthOf(whole.size()) bytes each) from whole; the
// bytes a short last group lacks are taken as pad.
void SplitInterleaved(std::span<const std::uint8_t> whole, const Interleave& layout,
                      std::span<const std::span<std::uint8_t>> parts, std::uint8_t pad);

// The inverse: whole (ways times the common length of the parts, a multiple of width) from
// its parts.
void MergeInterleaved(std::span<const std::span<const std::uint8_t>> parts, const Interleave& layout,
                      std::span<std::uint8_t> whole);

}  // namespace vesperine
