// extract: a dump cut as the window's Analyze cuts it, transformed in the order given, saved.
#pragma once

#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/dump_options.h"
#include "cli/programmer_output.h"

namespace CLI {
class App;
}

namespace vesperine::cli {

// One transform as typed: --xor V (text holds V), --swap16, --swap32 or --swap-halves.
enum class TransformKind { Xor, Swap16, Swap32, SwapHalves };
struct TransformArg {
    TransformKind kind = TransformKind::Xor;
    std::string text;
};

struct ExtractOptions {
    std::string file;
    std::string output;
    DumpOptions dump;
    std::vector<TransformArg> transforms;  // applied first to last
    std::vector<std::string> xorValues;    // where the parser keeps --xor's values; transforms has them in order
    ProgrammerArgs programmer;             // --format, --address, --fill, --chip
    bool json = false;
};

// The transforms of a parsed extract subcommand in the order the command line gave them.
[[nodiscard]] std::vector<TransformArg> TransformsInOrder(const CLI::App& command);

// Cuts the dump (from a programmer file's image, gaps holding --fill, when the input is one),
// applies the transforms in order (each the window's button of that name: every byte XOR V,
// pairs swapped, quads reversed, halves exchanged), pads it with --fill to --chip's size,
// writes it to output atomically as binary, Intel HEX or S-records (--format, else as the
// output's extension names; the first byte at --address, 0 by default) and prints "OUT: 4096 bytes (0x00001000)
// CRC:CBF43926" for the bytes written (" as Intel HEX" or " as S28" after it for records, whose text is read back and
// checked first) and, for an input read as records, how it was read (DescribeReading); or with json
// {"output","start","size","crc32","transforms","format","address","read"}. Nothing is written when anything fails: a
// value of --xor that is not one hexadecimal byte, a bad --format, --address, --fill or --chip, an image larger than
// the chip, a malformed programmer file, the window's refusals, an output that is the base or the mask file (by
// identity, not spelling), a write error.
[[nodiscard]] int RunExtract(const ExtractOptions& options, FileSystem& files, Streams streams);

extern const Subcommand<ExtractOptions> kExtractCommand;

}  // namespace vesperine::cli
