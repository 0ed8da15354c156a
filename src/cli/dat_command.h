// dat: a Logiqx DAT entry written for new dumps, with every digest, ready to submit.
#pragma once

#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/input_file.h"
#include "files/file_system.h"

namespace vesperine::cli {

struct DatOptions {
    std::vector<std::string> files;
    std::string output;
    std::string name;         // the game's name; the first file's name without its extension when empty
    std::string description;  // the name when empty
    bool json = false;
    InputOptions input = {};  // --as: empty records each file as it is on disk, whatever its name
};

// Writes output (atomically) as a Logiqx DAT with one game holding one rom per file, named by
// the file's name without its folders, then reports "OUT: N ROMs of "GAME", SIZE CRC:..." (the
// DAT's own size and CRC as read back) or with json {"output","game","roms":[{"name","size",
// "crc32","md5","sha1","sha256"}],"size","crc32"}. Refuses, with kExitError and nothing
// written, a file that cannot be read, two files of the same name, a file name, --name or
// --description that XML cannot hold (not UTF-8, or a control character: see
// dat::XmlTextProblem; "PATH: the name cannot be written in an XML DAT: byte C4 at offset 3 is
// not UTF-8; rename the file in UTF-8 (nothing written)") and an output that is one of the
// files (by identity).
[[nodiscard]] int RunDat(const DatOptions& options, FileSystem& files, Streams streams);

extern const Subcommand<DatOptions> kDatCommand;

}  // namespace vesperine::cli
