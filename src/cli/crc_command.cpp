// The crc subcommand: parsing its arguments, and its work over each file.
#include "cli/crc_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
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
namespace {

struct Checksum {
    std::uint32_t start = 0;
    std::uint32_t size = 0;
    std::uint32_t crc = 0;
    InputReading reading;
};

// The CRC of the area of an image held whole, refused as a cut from the whole file is.
std::optional<Checksum> ImageChecksum(const DumpRequest& request, std::span<const std::uint8_t> image,
                                      const std::string& path, std::ostream& err) {
    const std::optional<Dump> dump = CutDump(request, image, path, err);
    if (!dump) return std::nullopt;
    return Checksum{dump->start, static_cast<std::uint32_t>(dump->bytes.size()), Crc32(dump->bytes), {}};
}

// A dump that is a plain range of the file (Full, no mask) needs no copy of the file: its CRC
// runs over the pieces as they are read, so a gigabyte costs one read and a few pieces of
// memory rather than a gigabyte of fresh pages. The area is checked once the file's length is
// known, with the same refusal as a cut from the whole file. A file read as records (by its
// name or --as; by its first piece with --as auto) is gathered whole instead and its image checksummed: its bytes are
// not the file's.
std::optional<Checksum> StreamChecksum(const DumpRequest& request, FileSystem& files, const std::string& path,
                                       std::ostream& err) {
    const std::uint64_t start = request.area.start;
    const std::uint64_t end = request.wholeFile ? ~std::uint64_t{0} : request.area.end;
    std::uint64_t position = 0;
    std::uint32_t crc = 0;
    const auto take = [&](std::span<const std::uint8_t> piece) {
        position += piece.size();
        const std::uint64_t from = std::max(position - piece.size(), start);
        const std::uint64_t to = std::min(position, end);
        if (from < to) crc = Crc32(piece.subspan(from - (position - piece.size()), to - from), crc);
    };
    const std::optional<StreamedInput> input = StreamInputFile(files, path, take, err, request.input);
    if (!input) return std::nullopt;
    if (input->image) {
        std::optional<Checksum> sum = ImageChecksum(request, *input->image, path, err);
        if (sum) sum->reading = input->reading;
        return sum;
    }
    AreaRequest area = request.area;
    if (request.wholeFile) area.end = static_cast<std::uint32_t>(position);  // the loader refuses 2 GiB and more
    if (CheckArea(area, position, 0) != AreaCheck::Ok) {
        FileProblem(err, path) << "Target area is outside the base file.\n";
        return std::nullopt;
    }
    return Checksum{area.start, DumpLengthOf(area), crc, input->reading};
}

std::optional<Checksum> CutChecksum(const DumpRequest& request, FileSystem& files, const std::string& path,
                                    std::ostream& err) {
    InputReading reading;
    const std::optional<ByteBuffer> file = LoadInputFile(files, path, err, request.input, &reading);
    if (!file) return std::nullopt;
    std::optional<Checksum> sum = ImageChecksum(request, *file, path, err);
    if (sum) sum->reading = reading;
    return sum;
}

}  // namespace

int RunCrc(const CrcOptions& options, FileSystem& files, Streams streams) {
    const std::optional<DumpRequest> request = ParseDumpRequest(options.dump, files, streams.err);
    if (!request) return kExitError;
    int status = kExitOk;
    nlohmann::json results = nlohmann::json::array();
    for (const std::string& path : options.files) {
        std::ostringstream why;
        const bool plainRange = request->area.stripe == StripeMode::Full && request->area.mask == MaskMode::Nothing;
        const std::optional<Checksum> dump =
            plainRange ? StreamChecksum(*request, files, path, why) : CutChecksum(*request, files, path, why);
        if (!dump) {
            RecordFileFailure(path, why.str(), streams.err, results);
            status = kExitError;
            continue;
        }
        streams.err << why.str();  // notes and warnings about a file that was read
        const std::uint32_t size = dump->size;
        const std::uint32_t crc = dump->crc;
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
