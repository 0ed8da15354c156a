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
    std::string limit = "20";  // ranges listed beyond the aligned ones, decimal, at most kMostListed
    bool json = false;
};

// A range search expected to match more than this many ranges by chance (aligned or not, the
// measured figure), with no --max, is refused: its hits would say nothing.
inline constexpr double kDrowningChance = 10.0;

// The most ranges --limit may list: each listed range is kept in memory (about 200 bytes with
// its names) until printed, and a million is more than anyone reads.
inline constexpr std::size_t kMostListed = 1'000'000;

// Whole views first (every sum and catalogue CRC of the width, over the whole dump, its halves
// and quarters, odd and even bytes, four byte lanes, each with and without a trailing stored
// checksum), then with --min or --max the aligned ranges and any range for the sums, each group
// with what was tried and the matches expected by chance. Status: kExitOk with any hit,
// kExitNo with none, kExitError for bad input (a malformed or too wide value, a width other
// than 8, 16, 32, --min above --max, a --limit that is not a whole number up to kMostListed, an
// unbounded search that would drown, too little memory).
[[nodiscard]] int RunSolve(const SolveOptions& options, FileSystem& files, Streams streams);

extern const Subcommand<SolveOptions> kSolveCommand;

}  // namespace vesperine::cli
