// The board's report as the bench reads it: the candidates best first, each ROM with its provider, state and mends.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "board/board.h"

namespace vesperine::board {

// "verified", "rejected", "ambiguous", "none", "not tried".
[[nodiscard]] const char* MendOutcomeName(MendOutcome outcome);

// The report's lines, without line ends, in the order they are read: each candidate's heading
// and verdict, its ROMs (indented two spaces) each followed by its mends (indented eleven), the
// files that provide none of its ROMs; "Other candidates:" before the second; the files that
// match nothing; last, each file given under several names ("U3.bin and U3-link.bin are one
// file; counted once."). The command line prints them and the Inspector shows them.
[[nodiscard]] std::vector<std::string> ReportLines(const BoardResult& result, std::span<const Chip> chips,
                                                   const BoardIndex& index);

}  // namespace vesperine::board
