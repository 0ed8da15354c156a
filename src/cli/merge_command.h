// merge: the images of the chips on a wide bus back into one image, the inverse of split.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/input_file.h"
#include "files/file_system.h"

namespace vesperine::cli {

struct MergeOptions {
    std::vector<std::string> parts;  // 2 to 8, in the order of their numbers
    std::string output;
    std::uint32_t width = 1;  // --width, 1, 2 or 4 bytes
    bool json = false;
    InputOptions input = {};
};

// Merges the parts, unit by unit in turn, writes the image atomically and prints
// "OUT: SIZE CRC:..." of the image as read back (" as Intel HEX" and the like when OUT's
// extension names records, which are then written), or with json
// {"output","size","crc32","format","read":[ReadingJson of each part]}.
// Refuses, writing nothing: an output that is one of the parts (by identity), fewer
// than 2 or more than 8 parts, a bad width, the window's load refusals, parts of unequal
// length, empty parts, a part length that is not a multiple of the width, an image of 2 GiB
// or more (which nothing here could load again).
[[nodiscard]] int RunMerge(const MergeOptions& options, FileSystem& files, Streams streams);

extern const Subcommand<MergeOptions> kMergeCommand;

}  // namespace vesperine::cli
