// Inside the board module: the ROMs the chips provide under their views and pairings.
#pragma once

#include <span>
#include <vector>

#include "base/work_poll.h"
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

// Every hit of every chip's views and fill-trimmed starts, then of the pairings of two chips
// that none of those explains, then of four that nothing explains as byte lanes (as FindBoard
// tells). The views report to `views` (of length the chips' bytes together), the pairings to
// `pairs` (of length 2); broken off, the hits so far.
[[nodiscard]] std::vector<Hit> FindHits(std::span<const Chip> chips, const dat::DatIndex& index,
                                        const PassMeter& views = {}, const PassMeter& pairs = {});

// The ROMs of each chip's length whose every digest the chip gives with one bit flipped, for the
// chips given (those nothing explains): the sets that a single faulty chip points to. A chip is
// searched only when fewer than kChanceMatches of its 8n flips would give one of the m CRC-32s of
// its length by chance (8nm / 2^32): with MAME's whole listing that holds for small chips only.
inline constexpr double kChanceMatches = 0.01;
// Reports to pass (of length the bytes of the chips in which together); broken off, those so far.
[[nodiscard]] std::vector<std::size_t> FindOneBitNear(std::span<const Chip> chips,
                                                      const std::vector<std::size_t>& which, const dat::DatIndex& index,
                                                      const PassMeter& pass = {});

}  // namespace vesperine::board
