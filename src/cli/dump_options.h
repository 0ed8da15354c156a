// The window's area, stripe and mask options, shared by the subcommands that cut a dump.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/extract.h"
#include "cli/command.h"
#include "cli/input_file.h"
#include "files/file_system.h"

namespace vesperine::cli {

// As typed: --area START:END (hex, END exclusive, either side may be left out), --stripe
// full|odd|even, --mask FILE, --mask-mode nothing|xor|replace (xor when a mask is given and no
// mode is, nothing otherwise).
struct DumpOptions {
    std::string area;
    std::string stripe = "full";
    std::string maskPath;
    std::string maskMode;
    InputOptions input = {};  // --as and --base for the files the dump is cut from (not the mask)
};

// Adds --area, --stripe, --mask, --mask-mode, --as and --base to a subcommand.
void AddDumpOptions(CLI::App& command, DumpOptions& options);

// A dump cut from a file: a view of the file itself when nothing needs copying (Full, no
// mask), otherwise bytes of its own. bytes is valid as long as the Dump and the file live.
struct Dump {
    std::uint32_t start = 0;  // the area's start in the file, whatever the stripe
    std::vector<std::uint8_t> owned;
    std::span<const std::uint8_t> bytes;
};

// What CutDump needs besides the file: the options parsed and the mask read.
struct DumpRequest {
    AreaRequest area;
    bool wholeFile = true;  // no END given: the area ends at the file's end
    std::optional<ByteBuffer> mask;
    std::string maskPath;     // the mask file's name, for messages about it
    InputOptions input = {};  // how the dumps' files are read
};

// Parses the options and reads the mask file. On a mistake writes "vesperine-cli: ..." to err
// and gives nothing: a malformed area, an area whose end is before its start, an unknown mode,
// a mask file that cannot be read. The mask is read by its name (FormatByExtension), whatever
// --as says of the dumps.
[[nodiscard]] std::optional<DumpRequest> ParseDumpRequest(const DumpOptions& options, FileSystem& files,
                                                          std::ostream& err);

// Cuts the dump from file as Analyze does. Refuses, with the window's message written to err
// after "vesperine-cli: PATH: ", an area outside the file ("Target area is outside the base
// file.") and a mask mode without mask bytes ("MASK data is nothing."); an empty area is fine
// anywhere, as in the window. An empty mask file is said under the mask's name.
[[nodiscard]] std::optional<Dump> CutDump(const DumpRequest& request, std::span<const std::uint8_t> file,
                                          const std::string& path, std::ostream& err);

// A file read whole and the dump cut from it. Moving it keeps dump.bytes valid: both blocks
// move with their owners.
struct CutFile {
    ByteBuffer file;
    Dump dump;
    InputReading reading = {};
};

// ParseDumpRequest, the file read whole, then CutDump: what every subcommand over one dump does
// first. On any refusal its message is written to err and nothing is given.
[[nodiscard]] std::optional<CutFile> LoadAndCut(const DumpOptions& options, const std::string& path, FileSystem& files,
                                                std::ostream& err);

// Where StreamDump hands a dump over, for the subcommands that need one pass over its bytes.
struct DumpPieces {
    // When set, told the dump's length before any of its bytes. It may be told again, before a
    // second reading of the file: the sink then starts afresh.
    std::function<void(std::uint64_t length)> begin;
    // The dump's bytes in order, each piece with its position in the dump.
    std::function<void(std::span<const std::uint8_t> piece, std::uint64_t at)> take;
};

// What StreamDump handed over: the area's start in the file, the dump's length, how the file was read.
struct StreamedDump {
    std::uint32_t start = 0;
    std::uint32_t size = 0;
    InputReading reading = {};
};

/*
  The dump of request cut from path, handed to sink. A dump that is a plain range of the file
  (Full, no mask) is handed over piece by piece as the file is read, with no copy of the file: a
  gigabyte costs one read and a few pieces of memory; the area is checked once the file's
  length is known, with CutDump's refusal. Anything else (a stripe, a mask, a programmer file's
  image) is cut whole as LoadAndCut cuts it and handed over as one piece. A sink with begin
  needs the length first: it is the file's length as the file system tells it, and when none
  is told, or the file is read at another length (written meanwhile), the file is read whole.
  On any refusal its message is written to err and nothing is given.
*/
[[nodiscard]] std::optional<StreamedDump> StreamDump(const DumpRequest& request, FileSystem& files,
                                                     const std::string& path, const DumpPieces& sink,
                                                     std::ostream& err);

}  // namespace vesperine::cli
