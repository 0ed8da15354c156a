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
    InputOptions input = {};
};

/*
  Names the image's system (see headers::CheckHeader) and lists each checksum field:

    PATH: SYSTEM[ LAYOUT]
      FIELD at 0xOFFSET: stored HEX, computed HEX (RANGE): good|BAD
      note: ...
    PATH: no known system (tried: SNES LoROM, ...)

  With fix, an image with a bad field gets a corrected copy at output, written whole beside its
  target and renamed, then read back and checked good before "fixed: OUTPUT" and each changed
  run of bytes ("  0x0081DC: 00 00 00 00 -> 2B 1A D4 E5") are printed. output may not be the
  input, by file identity. An image already good, of no known system, or whose sums cannot be
  checked gets nothing written. json gives one document {"path","system","layout","good",
  "fields":[{"field","offset","width","stored","computed","range","good"}],"problem","notes",
  "fixed":{"path","changes":[{"offset","from","to"}]}|null}, and "notFixed" with the reason
  when fix wrote nothing.
  Status: kExitOk when every field is good (with fix: when the written copy is), kExitNo for a
  bad field, no known system or sums that cannot be checked, kExitError for a bad argument or a
  file that cannot be read or written.
*/
[[nodiscard]] int RunHeader(const HeaderOptions& options, FileSystem& files, Streams streams);

extern const Subcommand<HeaderOptions> kHeaderCommand;

}  // namespace vesperine::cli
