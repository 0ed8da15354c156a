// checksum: any catalogue CRC or programmer sum by name, over each file or dump cut from it.
#pragma once

#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/dump_options.h"

namespace vesperine::cli {

struct ChecksumOptions {
    std::vector<std::string> files;
    DumpOptions dump;
    std::vector<std::string> algorithms;  // names or aliases, any case; commas separate too
    bool all = false;
    bool list = false;
    bool json = false;
};

// With list, the catalogue: each CRC model with its parameters, check value and aliases, then
// every sum's name. Otherwise per file one line per checksum, "PATH: CRC-16/ARC BB3D", or with
// json {"files":[{"path","start","size","checksums":{NAME: HEX}} or {"path","error"}]}.
// Unknown names, or neither --algo, --all nor --list, are refused before any file is read.
[[nodiscard]] int RunChecksum(const ChecksumOptions& options, FileSystem& files, Streams streams);

extern const Subcommand<ChecksumOptions> kChecksumCommand;

}  // namespace vesperine::cli
