// Inside the board module: mending a near miss with the DAT's CRC-32 as the expected one.
#pragma once

#include <vector>

#include "base/work_poll.h"
#include "board/board.h"

namespace vesperine::board {

// The chip's further reads' mend first, when it has reads (and the source is one chip's part or
// lanes, whose bits map back to the chip's), then 1 or 2 flipped bits of the view as the chip is (1 only above
// kPairSearchLimit of table). A mend stands only when unique: where up to 64 flips of 2 bits give
// the CRC-32, the one that also gives every other digest the DAT has. It is Verified only when
// every digest the DAT gives agrees with its bytes, Rejected when one does not.
// Each search reports to pass (of length 1) as the whole of it; a search broken off leaves its mend
// NotTried ("broken off"), and the caller that broke it drops the result.
[[nodiscard]] std::vector<Mend> TryMends(std::span<const Chip> chips, const Source& source, const dat::RomEntry& rom,
                                         const PassMeter& pass = {});

}  // namespace vesperine::board
