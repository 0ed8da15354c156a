// repair: the one or two flipped bits that give a dump its expected CRC-32, and the mended file.
#pragma once

#include <string>

#include "cli/command.h"
#include "cli/input_file.h"
#include "files/file_system.h"

namespace vesperine::cli {

struct RepairOptions {
    std::string file;
    std::string crc;  // the expected CRC-32, as typed
    unsigned bits = 1;
    std::string writePath;  // empty: write nothing; records when its extension names a programmer format
    bool json = false;
    InputOptions input = {};
};

// Lists the candidates ("flip offset 0x01234 bit 5 (12 -> 32)"), one-bit ones first, at most 20
// in plain text, and writes the mended file to writePath only when exactly one candidate of the
// fewest flips exists and the mended bytes' CRC-32, computed again, is the expected one. With json one document
// {"path","crc32","expected","bits","outcome","singles","pairs",
// "candidates":[{"flips":[{"offset","bit","from","to"}]}],"written"}. Status kExitOk when the
// CRC already matches or exactly one candidate was found (and written, when asked), kExitNo when
// none or several were, kExitError for a bad argument, an unreadable or unwritable file, or a
// file too large for a two-bit search.
[[nodiscard]] int RunRepair(const RepairOptions& options, FileSystem& files, Streams streams);

extern const Subcommand<RepairOptions> kRepairCommand;

}  // namespace vesperine::cli
