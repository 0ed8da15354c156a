// search: the window's "Go Attack!" for scripts, every hit on request, and ranges of any length.
#pragma once

#include <cstdint>
#include <string>

#include "cli/command.h"
#include "cli/dump_options.h"

namespace vesperine::cli {

// Numbers are hexadecimal, as in the window's fields.
struct SearchOptions {
    std::string file;
    DumpOptions dump;
    std::string crc;         // --crc, required
    std::string size;        // --size, the window's size; required without --any-length
    std::string step = "1";  // --step
    bool all = false;        // every hit, not only the first
    bool anyLength = false;  // every range whatever its start and length
    std::string minLength;   // --min, --max: bounds on the length with --any-length
    std::string maxLength;
    bool json = false;
    std::uint64_t memoryLimit = 0;  // for --any-length's tables; 0: TableMemoryBudget()
};

// Cuts the dump as Analyze does and searches it. Each hit is a line in the window's log form,
// "DetectCRC:CBF43926 ADR:00000002 SIZE:00000009", ADR being the area start plus the offset in
// the dump (whatever the stripe); no hit prints "CRC not found." With json one document
// {"crc32","hits":[{"address","offset","size"}],"path"}, streamed: each hit is written as it
// is found and none is kept, with --all as without.
//
// A window search examines windows at 0, step, 2 step ... up to the one ending at the dump's
// last byte, and stops at the first hit unless all is set. Step 0 would examine the window at 0
// for ever: it is refused unless that window matches.
//
// With anyLength every range [a, b) of the dump with a < b, both a multiple of step, and length
// within --min and --max is a hit, listed by end then start as found, in time linear in the dump
// plus the hits. Its tables take 16 bytes per offset examined; what would exceed the memory
// limit is refused with a hint to narrow the area before anything is allocated.
//
// Status: kExitOk with a hit, kExitNo without, kExitError for usage and file errors.
[[nodiscard]] int RunSearch(const SearchOptions& options, FileSystem& files, Streams streams);

extern const Subcommand<SearchOptions> kSearchCommand;

}  // namespace vesperine::cli
