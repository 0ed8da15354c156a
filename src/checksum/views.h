// The views of a dump a checksum may cover: whole, halves, quarters, odd and even bytes, byte lanes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vesperine::checksum {

struct View {
    std::string name;        // "whole", "half 1 of 2", "quarter 3 of 4", "odd bytes", "byte lane 2 of 4"
    bool part = false;       // a contiguous part of the dump (halves, quarters), not the whole or a lane
    std::uint32_t ways = 1;  // lanes: the dump's byte i is byte i / ways of lane i % ways
    std::uint32_t lane = 0;
    std::uint64_t offset = 0;  // parts: where the view starts in the dump
    std::vector<std::uint8_t> owned;
    std::span<const std::uint8_t> bytes;  // valid while the View and the dump live
};

// Which views to make. Halves and odd/even bytes need an even length, quarters and the four
// lanes a multiple of 4. Odd bytes are the 1st, 3rd, ... (offsets 0, 2, ...), as the window's
// stripes name them; byte lane 1 of 4 holds offsets 0, 4, 8, ... (D0-D7 of a 32-bit bus).
struct ViewChoice {
    bool quarters = true;
};

// The views, in that order: whole, halves, quarters, odd bytes, even bytes, the four lanes.
// The lanes are copies (together twice the dump); the rest are spans of dump.
[[nodiscard]] std::vector<View> MakeViews(std::span<const std::uint8_t> dump, const ViewChoice& choice);

// Where byte `at` of the view lies in the dump.
[[nodiscard]] std::uint64_t DumpOffsetOf(const View& view, std::uint64_t at);

}  // namespace vesperine::checksum
