// board: from a pile of chip dumps to the DAT's sets: which set, which chip is which ROM, what is missing, mends.
#pragma once

#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/input_file.h"
#include "files/file_system.h"

namespace vesperine::cli {

struct BoardOptions {
    std::vector<std::string> files;  // chips, folders of chips, zips of chips
    std::vector<std::string> dats;
    std::vector<std::string> reads;  // "CHIP=READ,READ...": further reads of a chip
    std::string write;               // a folder for the good and mended ROMs, under their DAT names
    bool json = false;
    InputOptions input = {};  // for the chips and reads; DATs and zips are read as the bytes they are
};

/*
  Reads every DAT streamed (one that cannot be read ends the run, status 2), then the chips: a
  file; a folder's files (not its subfolders), in name order; a *.zip's members. Files named as
  further reads or as DATs are no chips. board::FindBoard works them out; the plain report gives each
  candidate set, best first:

    "SET" (DESCRIPTION), clone of "PARENT": complete: 8 of 8 ROMs good
      good     "ROM" (SIZE bytes) from CHIP (VIEW): crc32 sha1
      near     "ROM" (SIZE bytes) from CHIP (VIEW): same size and layout, crc32 CRC where the DAT has CRC
               mend by flipped bits: verified (crc32 sha1): offset 0x00000123 bit 4: 1 -> 0 (CHIP 0x00000123)
      missing  "ROM" (SIZE bytes, crc32 CRC)
      unneeded "ROM" (SIZE bytes, crc32 CRC) of BIOS choice "asia", not needed: another BIOS choice is whole
      files that provide none of its ROMs: CHIP

  then "Files that match no ROM of any set: ...", then for a file given under several names (told
  by file identity: links, the path twice) "U3.bin and U3-link.bin are one file; counted once.":
  it is read and counted as the first name only. --json gives the same from the same result.
  --write DIR writes the first candidate's good, baddump and verified mended ROMs as DIR/ROM,
  each checked against every digest the DAT gives before it is staged, all through one
  OutputSet. Status: 0 when a candidate is complete (nothing near or missing but what is
  optional), 1 when none is, 2 for a DAT, chip or output that could not be used.
*/
[[nodiscard]] int RunBoard(const BoardOptions& options, FileSystem& files, Streams streams);

extern const Subcommand<BoardOptions> kBoardCommand;

}  // namespace vesperine::cli
