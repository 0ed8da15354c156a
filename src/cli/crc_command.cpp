// The crc subcommand: parsing its arguments, and its work over each file.
#include "cli/crc_command.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

#include "base/crc32.h"
#include "base/format.h"
#include "cli/input_file.h"
#include "cli/json_output.h"
#include "cli/messages.h"

namespace vesperine::cli {
int RunCrc(const CrcOptions& options, FileSystem& files, Streams streams) {
    const std::optional<DumpRequest> request = ParseDumpRequest(options.dump, files, streams.err);
    if (!request) return kExitError;
    int status = kExitOk;
    nlohmann::json results = nlohmann::json::array();
    for (const std::string& path : options.files) {
        std::ostringstream why;
        std::uint32_t crc = 0;
        const DumpPieces sink{
            .begin = {}, .take = [&](std::span<const std::uint8_t> piece, std::uint64_t) { crc = Crc32(piece, crc); }};
        const std::optional<StreamedDump> dump = StreamDump(*request, files, path, sink, why);
        if (!dump) {
            RecordFileFailure(path, why.str(), streams.err, results);
            status = kExitError;
            continue;
        }
        streams.err << why.str();  // notes and warnings about a file that was read
        const std::uint32_t size = dump->size;
        if (options.json) {
            results.push_back({{"path", path},
                               {"start", dump->start},
                               {"size", size},
                               {"crc32", HexDigits(crc, 8)},
                               {"read", ReadingJson(dump->reading)}});
        } else {
            streams.out << SizeCrcLine(path, size, crc) << '\n';
            WriteDecodedLine(streams.out, path, dump->reading);
        }
    }
    if (options.json) WriteJson(streams.out, nlohmann::json{{"files", results}});
    return status;
}

const Subcommand<CrcOptions> kCrcCommand{
    .name = "crc",
    .summary = "Size and CRC-32 of each file, or of a dump cut from it",
    .fileHelp = "Files to checksum",
    .cutsDump = true,
    .footer =
        "Example:\n  vesperine-cli crc --area 0:80000 --stripe odd board.bin\n"
        "  board.bin: 262144 bytes (0x00040000) CRC:1A2B3C4D",
    .run = RunCrc,
};

}  // namespace vesperine::cli
