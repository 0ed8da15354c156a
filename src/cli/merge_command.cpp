// The merge subcommand: parsing, the checks on the parts, and writing the image.
#include "cli/merge_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <memory>
#include <new>
#include <nlohmann/json.hpp>

#include "analysis/interleave.h"
#include "base/crc32.h"
#include "base/format.h"
#include "cli/input_file.h"
#include "cli/json_output.h"
#include "cli/messages.h"
#include "cli/output_files.h"
#include "cli/programmer_output.h"
#include "cli/split_command.h"

namespace vesperine::cli {

int RunMerge(const MergeOptions& options, FileSystem& files, Streams streams) {
    const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(options.parts.size(), 99));
    if (count < 2 || count > 8) {
        streams.err << "vesperine-cli: " << options.parts.size() << " parts: give 2 to 8 parts\n";
        return kExitError;
    }
    const std::optional<Interleave> layout = CheckInterleave(count, options.width, streams.err);
    if (!layout) return kExitError;
    std::vector<ByteBuffer> parts;
    std::vector<InputReading> readings(options.parts.size());
    for (std::size_t p = 0; p < options.parts.size(); ++p) {
        std::optional<ByteBuffer> part =
            LoadInputFile(files, options.parts[p], streams.err, options.input, &readings[p]);
        if (!part) return kExitError;
        parts.push_back(std::move(*part));
    }
    const std::uint64_t partLength = parts[0].size();
    for (std::size_t p = 1; p < parts.size(); ++p) {
        if (parts[p].size() != partLength) {
            streams.err << "vesperine-cli: the parts differ in length: " << options.parts[0] << " " << partLength
                        << " bytes, " << options.parts[p] << " " << parts[p].size() << " bytes\n";
            return kExitError;
        }
    }
    if (partLength == 0) {
        streams.err << "vesperine-cli: the parts are empty: nothing to merge\n";
        return kExitError;
    }
    if (partLength % layout->width != 0) {
        streams.err << "vesperine-cli: " << partLength << " bytes per part is not a multiple of the width, "
                    << layout->width << " bytes\n";
        return kExitError;
    }
    const std::uint64_t wholeLength = partLength * count;
    if (wholeLength >= kMaxFileLength) {
        FileProblem(streams.err, options.output)
            << "the merged image would be " << wholeLength << " bytes: 2 GiB or more cannot be loaded again\n";
        return kExitError;
    }
    Bytes whole;
    try {
        whole.resize(wholeLength);
    } catch (const std::bad_alloc&) {
        FileProblem(streams.err, options.output) << "Out of memory.\n";
        return kExitError;
    }
    const std::vector<std::span<const std::uint8_t>> spans(parts.begin(), parts.end());
    MergeInterleaved(spans, *layout, whole);
    const std::optional<ImageFile> encoded = EncodeImageByName(options.output, whole, streams.err);
    if (!encoded) return kExitError;
    std::optional<WrittenOutput> written =
        WriteOneOutput(files, options.parts, options.output, encoded->Payload(whole), streams.err);
    if (!written) return kExitError;
    if (!encoded->formatName.empty()) {  // records are shown by the image they were read back against
        written->size = whole.size();
        written->crc = Crc32(whole);
    }

    const auto size = static_cast<std::uint32_t>(written->size);
    const std::uint32_t crc = written->crc;
    if (options.json) {
        nlohmann::json read = nlohmann::json::array();
        for (const InputReading& r : readings) read.push_back(ReadingJson(r));
        WriteJson(streams.out, nlohmann::json{{"output", options.output},
                                              {"size", size},
                                              {"crc32", HexDigits(crc, 8)},
                                              {"format", encoded->formatName.empty() ? "binary" : encoded->formatName},
                                              {"read", read}});
    } else {
        streams.out << SizeCrcLine(written->path, written->size, written->crc)
                    << (encoded->formatName.empty() ? "" : " as " + encoded->formatName) << '\n';
        for (std::size_t p = 0; p < readings.size(); ++p) WriteDecodedLine(streams.out, options.parts[p], readings[p]);
    }
    return kExitOk;
}

const Subcommand<MergeOptions> kMergeCommand{
    .name = "merge",
    .summary = "Merge the images of 2 to 8 chips into the image of their bus",
    .addOptions =
        [](CLI::App& command, MergeOptions& options) {
            command.add_option("PART", options.parts, "The chips' images, part 0 first")->required();
            command.add_option("-o,--output", options.output, "The file to write (replaced atomically)")->required();
            command.add_option("--width", options.width, "Bytes per chip and address: 1, 2 or 4 (default 1)");
        },
    .footer =
        "The exact inverse of split with the same --width.\n\n"
        "Example (four 8-bit chips of a 32-bit bus):\n"
        "  vesperine-cli merge rom_0.bin rom_1.bin rom_2.bin rom_3.bin -o bios.bin\n"
        "  bios.bin: 131072 bytes (0x00020000) CRC:44D56F86",
    .run = RunMerge,
    .jsonHelp = "One JSON document instead of a line",
};

}  // namespace vesperine::cli
