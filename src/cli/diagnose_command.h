// diagnose: stuck data lines, dead address lines, fills, blank lanes and overdumps of a dump.
#pragma once

#include <string>

#include "cli/command.h"
#include "cli/dump_options.h"

namespace vesperine::cli {

struct DiagnoseOptions {
    std::string file;
    DumpOptions dump;
    unsigned width = 1;
    bool wholeOnly = false;
    bool json = false;
};

// A heading "PATH: 131072 bytes (0x00020000), 8-bit words, whole file and both byte lanes", then
// one line per finding, most serious first ("fault    D3 stuck at 1: ...") with its evidence
// below it, or "No faults found: ..." before any plain descriptions. With json one document
// {"path","start","size","width","lanes","clean","findings":[{"severity","kind","scope","line",
// "text","evidence":{...}}]}. Status kExitNo when a fault or a warning was found, kExitOk when
// only descriptions (fills) were, kExitError for a file that cannot be diagnosed: unreadable,
// empty, or of odd length with width 2.
[[nodiscard]] int RunDiagnose(const DiagnoseOptions& options, FileSystem& files, Streams streams);

extern const Subcommand<DiagnoseOptions> kDiagnoseCommand;

}  // namespace vesperine::cli
