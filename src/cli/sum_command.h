// sum: the programmer sums table of a dump, and of each half and byte lane.
#pragma once

#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/dump_options.h"

namespace vesperine::cli {

struct SumOptions {
    std::vector<std::string> files;
    DumpOptions dump;
    bool json = false;
};

// Per file its size, then for the whole dump, each half, the odd and even bytes and the four
// byte lanes a table: one row per sum (byte sums at 8, 16, 32 bits; 16- and 32-bit words
// little- and big-endian; each without and with end-around carry), columns plain, negated,
// complemented. With json one document {"files":[{"path","start","size","views":[{"view",
// "sums":[{"sum","plain","negated","complemented"}]}]} or {"path","error"}]}. Every file is
// tried; kExitError when any could not be used.
[[nodiscard]] int RunSum(const SumOptions& options, FileSystem& files, Streams streams);

extern const Subcommand<SumOptions> kSumCommand;

}  // namespace vesperine::cli
