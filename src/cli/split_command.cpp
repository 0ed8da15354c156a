// The split subcommand: parsing, the checks before anything is written, and writing the parts.
#include "cli/split_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <memory>
#include <new>
#include <nlohmann/json.hpp>
#include <vector>

#include "base/crc32.h"
#include "base/format.h"
#include "cli/input_file.h"
#include "cli/json_output.h"
#include "cli/messages.h"
#include "cli/output_files.h"
#include "cli/programmer_output.h"

namespace vesperine::cli {
namespace {

[[nodiscard]] std::string ByteCount(std::uint64_t n) { return std::to_string(n) + (n == 1 ? " byte" : " bytes"); }

// Whether merge, given the parts, gives whole back (the padding of a short last group as
// kErasedByte). The parts are merged a slice at a time by merge's own code, so that no second
// image is held.
[[nodiscard]] bool MergesBackTo(const std::vector<Bytes>& parts, const Interleave& layout,
                                std::span<const std::uint8_t> whole) {
    const std::size_t partLength = parts.front().size();
    const std::size_t slice = std::size_t{layout.width} << 14;  // whole units, 16K of them
    std::vector<std::span<const std::uint8_t>> pieces(parts.size());
    Bytes merged;
    for (std::size_t at = 0; at < partLength; at += slice) {
        const std::size_t length = std::min(slice, partLength - at);
        for (std::size_t p = 0; p < parts.size(); ++p) pieces[p] = std::span(parts[p]).subspan(at, length);
        merged.resize(length * parts.size());
        MergeInterleaved(pieces, layout, merged);
        for (std::size_t k = 0; k < merged.size(); ++k) {
            const std::size_t in = at * parts.size() + k;
            if (merged[k] != (in < whole.size() ? whole[in] : kErasedByte)) return false;
        }
    }
    return true;
}

}  // namespace

std::optional<Interleave> CheckInterleave(std::uint32_t ways, std::uint32_t width, std::ostream& err) {
    if (ways < 2 || ways > 8) {
        err << "vesperine-cli: --ways " << ways << ": give 2 to 8 chips\n";
        return std::nullopt;
    }
    if (width != 1 && width != 2 && width != 4) {
        err << "vesperine-cli: --width " << width << ": give 1, 2 or 4 bytes per chip\n";
        return std::nullopt;
    }
    return Interleave{ways, width};
}

std::string PartPath(const std::string& pattern, std::uint32_t part) {
    std::string path;
    for (std::size_t i = 0; i < pattern.size();) {
        if (pattern.compare(i, 3, "{n}") == 0) {
            path += std::to_string(part);
            i += 3;
        } else {
            path += pattern[i++];
        }
    }
    return path;
}

int RunSplit(const SplitOptions& options, FileSystem& files, Streams streams) {
    const std::optional<Interleave> layout = CheckInterleave(options.ways, options.width, streams.err);
    if (!layout) return kExitError;
    if (options.pattern.find("{n}") == std::string::npos) {
        streams.err << "vesperine-cli: -o " << options.pattern
                    << ": the pattern needs {n} for the part's number, e.g. rom_{n}.bin\n";
        return kExitError;
    }
    // Every part is claimed before the file is read: none may be the file, nor another part.
    OutputSet outputs(files, {options.file});
    for (std::uint32_t p = 0; p < layout->ways; ++p) {
        if (!outputs.Claim(PartPath(options.pattern, p))) {
            ReportOutputProblem(outputs, streams.err);
            return kExitError;
        }
    }
    InputReading reading;
    const std::optional<ByteBuffer> file = LoadInputFile(files, options.file, streams.err, options.input, &reading);
    if (!file) return kExitError;
    const std::span<const std::uint8_t> whole(file->data(), file->size());
    if (whole.empty()) {
        FileProblem(streams.err, options.file) << "the file is empty: nothing to split\n";
        return kExitError;
    }
    const std::uint64_t group = std::uint64_t{layout->ways} * layout->width;
    const std::uint64_t partLength = PartLengthOf(*layout, whole.size());
    const std::uint64_t padBytes = partLength * layout->ways - whole.size();
    if (padBytes != 0 && !options.pad) {
        FileProblem(streams.err, options.file)
            << ByteCount(whole.size()) << " is not a multiple of " << group << " (" << layout->ways << " ways of "
            << ByteCount(layout->width) << "); give --pad to fill the last group with FF\n";
        return kExitError;
    }
    std::vector<Bytes> parts;
    try {
        parts.assign(layout->ways, Bytes(partLength));
    } catch (const std::bad_alloc&) {
        FileProblem(streams.err, options.file) << "Out of memory.\n";
        return kExitError;
    }
    std::vector<std::span<std::uint8_t>> spans(parts.begin(), parts.end());
    SplitInterleaved(whole, *layout, spans, kErasedByte);
    if (padBytes != 0) {
        FileProblem(streams.err, options.file)
            << "padded with " << ByteCount(padBytes) << " of FF to " << ByteCount(whole.size() + padBytes) << '\n';
    }

    std::vector<ImageFile> encoded;
    encoded.reserve(layout->ways);
    for (std::uint32_t p = 0; p < layout->ways; ++p) {
        std::optional<ImageFile> part = EncodeImageByName(PartPath(options.pattern, p), parts[p], streams.err);
        if (!part) return kExitError;
        encoded.push_back(std::move(*part));
        if (!outputs.Stage(PartPath(options.pattern, p), encoded.back().Payload(parts[p]))) {
            ReportOutputProblem(outputs, streams.err);
            return kExitError;
        }
    }
    // The parts as staged read back as held (Stage checks that); held, they must merge back.
    if (!MergesBackTo(parts, *layout, whole)) {
        FileProblem(streams.err, options.file) << "the parts do not merge back to the file: nothing written\n";
        return kExitError;
    }
    if (!outputs.Commit()) {
        ReportOutputProblem(outputs, streams.err);
        return kExitError;
    }
    nlohmann::json written = nlohmann::json::array();
    std::string lines;
    for (std::size_t p = 0; p < outputs.written().size(); ++p) {
        WrittenOutput part = outputs.written()[p];
        const std::string& formatName = encoded[p].formatName;
        if (!formatName.empty()) {  // records are shown by the image they were read back against
            part.size = parts[p].size();
            part.crc = Crc32(parts[p]);
        }
        written.push_back({{"path", part.path},
                           {"size", part.size},
                           {"crc32", HexDigits(part.crc, 8)},
                           {"format", formatName.empty() ? "binary" : formatName}});
        lines += SizeCrcLine(part.path, part.size, part.crc) + (formatName.empty() ? "" : " as " + formatName) + "\n";
    }
    if (options.json) {
        WriteJson(streams.out,
                  nlohmann::json{{"parts", written}, {"padBytes", padBytes}, {"read", ReadingJson(reading)}});
    } else {
        WriteDecodedLine(streams.out, options.file, reading);
        streams.out << lines;
    }
    return kExitOk;
}

const Subcommand<SplitOptions> kSplitCommand{
    .name = "split",
    .summary = "Split an image of a wide bus into one image per chip",
    .fileHelp = "The image to split",
    .addOptions =
        [](CLI::App& command, SplitOptions& options) {
            command.add_option("--ways", options.ways, "Number of chips, 2 to 8")->required();
            command.add_option("--width", options.width, "Bytes per chip and address: 1, 2 or 4 (default 1)");
            command.add_option("-o,--output", options.pattern, "Part file names, {n} the part's number from 0")
                ->required();
            command.add_flag("--pad", options.pad,
                             "Fill a short last group with FF (erased EPROM) instead of refusing");
        },
    .footer =
        "Part 0 takes the image's first unit of --width bytes, part 1 the next, and so on in turn.\n\n"
        "Example (a 32-bit bus of four 8-bit chips):\n"
        "  vesperine-cli split bios.bin --ways 4 -o rom_{n}.bin\n"
        "  rom_0.bin: 32768 bytes (0x00008000) CRC:D2C553C8\n  ...\n"
        "  rom_3.bin: 32768 bytes (0x00008000) CRC:45B9C18A",
    .run = RunSplit,
};

}  // namespace vesperine::cli
