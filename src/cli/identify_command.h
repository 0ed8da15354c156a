// identify: what each file, or one of its views, is according to DAT files.
#pragma once

#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/input_file.h"
#include "dat/zip_members.h"
#include "files/file_system.h"

namespace vesperine::cli {

struct IdentifyOptions {
    std::vector<std::string> files;
    std::vector<std::string> dats;
    bool near = false;
    bool json = false;
    InputOptions input = {};  // for the dumps; DATs and zips are read as the bytes they are
};

/*
  Reads every DAT (a malformed one ends the run with its line before any file is looked at),
  then each file: a file named *.zip member by member ("SET.zip/MEMBER"), any other file
  whole. Plain output, one line per match, near miss, or file that matched nothing:

    PATH: VIEW = "ROM" in "GAME", STATUS (crc32 md5 sha1 sha256)
    PATH: VIEW ~ "ROM" in "GAME", STATUS: REASON
    PATH: no match

  json gives {"files":[{"path","size","matches":[{"view","rom","game","size","status",
  "verified"}],"nearMisses":[{"view","rom","game","size","status","reason"}]} or {"path",
  "error"}]}. Status: kExitOk when every file (every member) matched under some view, kExitNo
  when one matched nothing (near misses are not matches), kExitError when a DAT or a file could
  not be read.

  A zip's members are inflated one at a time within RomZipLimits(); one refused (too large, no
  memory, damaged) ends that zip with an error after the members before it.
*/
[[nodiscard]] int RunIdentify(const IdentifyOptions& options, FileSystem& files, Streams streams);

// All the members of one zipped ROM set together: a bound on the time a zip bomb can take.
inline constexpr std::uint64_t kRomZipTotal = std::uint64_t{8} << 30;

// The limits for a zipped ROM set: a member as large as a file may be (below 2 GiB) and within
// TableMemoryBudget(), the members together within kRomZipTotal.
[[nodiscard]] dat::ZipLimits RomZipLimits();

extern const Subcommand<IdentifyOptions> kIdentifyCommand;

}  // namespace vesperine::cli
