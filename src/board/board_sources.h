// Inside the board module: the ROMs the chips provide under their views and pairings.
#pragma once

#include <span>
#include <vector>

#include "board/board.h"

namespace vesperine::board {

// A ROM whose every digest the DAT gives agrees with a source's bytes.
struct Hit {
    std::size_t rom = 0;
    Source source;
    std::vector<std::string> verified;
};

// For each ROM size d of sizes (ascending) at least the chip's length without its trailing fill
// (the longer run of FF or of 00) and short of the chip's length: the first d bytes.
[[nodiscard]] std::vector<ViewPlan> FillTrimmedViews(std::span<const std::uint8_t> chip,
                                                     const std::vector<std::uint64_t>& sizes);

// Every hit of every chip's views and fill-trimmed starts, then of the pairings of the chips that
// none of those explains (as FindBoard tells).
[[nodiscard]] std::vector<Hit> FindHits(std::span<const Chip> chips, const dat::DatIndex& index);

}  // namespace vesperine::board
