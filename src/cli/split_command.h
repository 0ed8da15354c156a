// split: one image of a wide bus into the images of the chips that hold its byte lanes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "analysis/interleave.h"
#include "cli/command.h"
#include "cli/input_file.h"
#include "files/file_system.h"

namespace vesperine::cli {

struct SplitOptions {
    std::string file;
    std::uint32_t ways = 0;   // --ways, 2 to 8
    std::uint32_t width = 1;  // --width, 1, 2 or 4 bytes
    std::string pattern;      // -o, with {n} for the part's number, from 0
    bool pad = false;         // fill a short last group with FF
    bool json = false;
    InputOptions input = {};
};

// The byte erased EPROM cells read as: what a short last group is filled with.
inline constexpr std::uint8_t kErasedByte = 0xFF;

// Ways 2 to 8 and a width of 1, 2 or 4, or a message ("vesperine-cli: --ways 9: ...") and nothing.
[[nodiscard]] std::optional<Interleave> CheckInterleave(std::uint32_t ways, std::uint32_t width, std::ostream& err);

// The pattern with every {n} replaced by part's number.
[[nodiscard]] std::string PartPath(const std::string& pattern, std::uint32_t part);

// Splits the file and writes part n to the pattern with {n} replaced by n (0 for the part that
// holds the file's first unit), printing "PATH: SIZE CRC:..." for each, or with json
// {"parts":[{"path","size","crc32","format"}],"padBytes","read"}, size and CRC as read back (of
// the image, for a part written as records because its name's extension says so). Refuses, writing
// nothing: bad ways or width, a pattern without {n}, a part that is the input or another part
// (by identity, not spelling), the window's load refusals, an empty file, a length that is not
// a multiple of ways * width unless pad is set (then the padding is said on err). The parts are
// renamed into place only when all are written, read back and shown to merge back to the file;
// on any failure none is.
[[nodiscard]] int RunSplit(const SplitOptions& options, FileSystem& files, Streams streams);

extern const Subcommand<SplitOptions> kSplitCommand;

}  // namespace vesperine::cli
