// crc: size and CRC-32 of files, or of dumps cut from them, as the window's Analyze shows them.
#pragma once

#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/dump_options.h"

namespace vesperine::cli {

struct CrcOptions {
    std::vector<std::string> files;
    DumpOptions dump;
    bool json = false;
};

// One line per file, "PATH: 4096 bytes (0x00001000) CRC:CBF43926" (and for a file read as
// records a line saying so, DescribeReading), or with json one document
// {"files":[{"path","start","size","crc32","read"} or {"path","error"}]}. Every file is tried; the
// status is kExitError when any could not be used.
[[nodiscard]] int RunCrc(const CrcOptions& options, FileSystem& files, Streams streams);

extern const Subcommand<CrcOptions> kCrcCommand;

}  // namespace vesperine::cli
