// header: the header checksums of a console or pinball image, checked, and fixed in a copy.
#pragma once

#include <string>

#include "cli/command.h"
#include "cli/input_file.h"
#include "files/file_system.h"

namespace vesperine::cli {

struct HeaderOptions {
    std::string file;
    bool fix = false;
    std::string output;  // where --fix writes the corrected copy; never the input
    bool json = false;
    std::string system = {};  // a system code (--system gameboy) to check as, whatever is recognised
    std::string cic = {};     // an N64 boot chip (--cic 6102) to check with, whatever the boot code
    InputOptions input = {};
};

/*
  Names the image's system (see headers::CheckHeader) and lists each checksum field:

    PATH: SYSTEM[ LAYOUT]
      system: given (--system CODE), not recognised: MARKS      (a stated system)
      warning: recognised by marks that differ from its own: MARKS   (a near Game Boy logo)
      FIELD at 0xOFFSET: stored HEX, computed HEX (RANGE): good|BAD
      cannot check: PROBLEM[; OPTION states it]
      note: ...
    PATH: no known system (tried: SNES LoROM, ...)
      cannot check: no system's marks are found; --system NAME (snes-lorom, ...) states it

  With fix, an image with a bad field gets a corrected copy at output, written whole beside its
  target and renamed, then read back and checked good before "fixed: OUTPUT" and each changed
  run of bytes ("  0x0081DC: 00 00 00 00 -> 2B 1A D4 E5") are printed. output may not be the
  input, by file identity. A fix is written only when all it rests on is known: an image of no
  known system, one whose sums cannot be checked (an N64 boot code of no known chip) and one
  recognised only by marks that differ from its system's are refused, "cannot fix: REASON;
  OPTION states it; nothing written to OUT", until --system or --cic states the unknown. An
  image already good gets "nothing to fix: all checksums of the SYSTEM header agree; no file
  written to OUT". json gives one document {"path","system","layout","verdict","good",
  "systemGiven","recognition","doubtful","cic","fields":[{"field","offset","width","stored",
  "computed","range","good"}],"problem","statedBy","notes","fixed":{"path","changes":[{"offset",
  "from","to"}]}|null}, and "notFixed" with the reason when fix wrote nothing.
  Status: kExitOk when every field is good (with fix: when the written copy is, or nothing
  needed fixing), kExitNo for a bad field, no known system, sums that cannot be checked or a
  refused fix, kExitError for a bad argument (an unknown --system or --cic, --cic for an image
  checked as another system) or a file that cannot be read or written.
*/
[[nodiscard]] int RunHeader(const HeaderOptions& options, FileSystem& files, Streams streams);

extern const Subcommand<HeaderOptions> kHeaderCommand;

}  // namespace vesperine::cli
