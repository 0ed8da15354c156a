// compare: how two dumps differ, and whether one is the other under a known wiring mistake.
#pragma once

#include <string>

#include "cli/command.h"
#include "cli/input_file.h"
#include "files/file_system.h"

namespace vesperine::cli {

struct CompareOptions {
    std::string fileA;
    std::string fileB;
    bool json = false;
    InputOptions input = {};
};

// "A and B: 12 of 131072 bytes differ, from 0x01000 to 0x01FFF" and the lines that explain the
// differences (by data line, by address line, a known transform), or "identical". With json one
// document {"a","b","sizeA","sizeB","compared","differing","first","last","dataBits":[8],"dataBitsOneInB":[8],
// "addressPattern":{"mask","value","text"},"transforms":[{"name","meaning"}],"explanation":[...],
// "readA","readB"} (ReadingJson).
// Status kExitOk when the files are equal, kExitNo when they differ, kExitError when either
// cannot be read.
[[nodiscard]] int RunCompare(const CompareOptions& options, FileSystem& files, Streams streams);

extern const Subcommand<CompareOptions> kCompareCommand;

}  // namespace vesperine::cli
