// solve: which sum or catalogue CRC, over which part of a dump, gives the value on a chip's label.
#pragma once

#include <cstddef>
#include <string>

#include "cli/command.h"
#include "cli/dump_options.h"

namespace vesperine::cli {

struct SolveOptions {
    std::string file;
    DumpOptions dump;
    std::string value;      // hex, as on the label
    unsigned width = 0;     // 8, 16 or 32; 0: from the digits given (up to 2: 8, up to 4: 16, else 32)
    std::string minLength;  // hex; either bound asks for the range search
    std::string maxLength;
    std::size_t limit = 20;  // ranges listed beyond the aligned ones
    bool json = false;
};

// A range search expected to match more than this many ranges by chance, with no --max, is
// refused: its hits would say nothing.
inline constexpr double kDrowningChance = 10.0;

// Whole views first (every sum and catalogue CRC of the width, over the whole dump, its halves
// and quarters, odd and even bytes, four byte lanes, each with and without a trailing stored
// checksum), then with --min or --max the aligned ranges and any range for the sums, each group
// with what was tried and the matches expected by chance. Status: kExitOk with any hit,
// kExitNo with none, kExitError for bad input (a malformed or too wide value, a width other
// than 8, 16, 32, --min above --max, an unbounded search that would drown, too little memory).
[[nodiscard]] int RunSolve(const SolveOptions& options, FileSystem& files, Streams streams);

extern const Subcommand<SolveOptions> kSolveCommand;

}  // namespace vesperine::cli
