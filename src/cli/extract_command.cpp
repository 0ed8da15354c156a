// The extract subcommand: parsing, the transforms in command-line order, and the atomic save.
#include "cli/extract_command.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <new>
#include <nlohmann/json.hpp>

#include "analysis/transforms.h"
#include "base/crc32.h"
#include "base/format.h"
#include "cli/hex_arg.h"
#include "cli/input_file.h"
#include "cli/json_output.h"
#include "cli/messages.h"
#include "cli/output_files.h"
#include "cli/programmer_output.h"

namespace vesperine::cli {
namespace {

struct TransformName {
    TransformKind kind;
    const char* option;
    const char* help;
};

constexpr TransformName kTransforms[] = {
    {TransformKind::Xor, "--xor", "XOR every byte with V (hex, 00 to FF), as Quick EXOR"},
    {TransformKind::Swap16, "--swap16", "Swap the bytes of each pair, as Endian Conv 16bit"},
    {TransformKind::Swap32, "--swap32", "Reverse each group of four bytes, as Endian Conv 32bit"},
    {TransformKind::SwapHalves, "--swap-halves", "Exchange the first and second half, as Swap 1stHalf&2ndHalf"},
};

[[nodiscard]] const char* NameOf(TransformKind kind) {
    for (const TransformName& t : kTransforms) {
        if (t.kind == kind) return t.option;
    }
    return "";
}

// The transforms with their values checked; false (with a message) at the first bad value.
[[nodiscard]] bool ApplyTransforms(const std::vector<TransformArg>& transforms, std::span<std::uint8_t> dump,
                                   std::ostream& err) {
    for (const TransformArg& t : transforms) {
        switch (t.kind) {
            case TransformKind::Xor: {
                const std::optional<std::uint32_t> value = ParseHexArg(t.text);
                if (!value || *value > 0xFF) {
                    err << "vesperine-cli: --xor " << t.text << ": give one byte in hexadecimal, 00 to FF\n";
                    return false;
                }
                XorEachByte(dump, static_cast<std::uint8_t>(*value));
                break;
            }
            case TransformKind::Swap16: SwapBytePairs(dump); break;
            case TransformKind::Swap32: ReverseByteQuads(dump); break;
            case TransformKind::SwapHalves: ExchangeHalves(dump); break;
        }
    }
    return true;
}

}  // namespace

std::vector<TransformArg> TransformsInOrder(const CLI::App& command) {
    std::vector<TransformArg> transforms;
    std::size_t xorValues = 0;
    for (const CLI::Option* option : command.parse_order()) {
        for (const TransformName& t : kTransforms) {
            if (option->get_name() != t.option) continue;
            TransformArg arg{t.kind, {}};
            // Each occurrence of --xor appears once in the parse order, its values in order.
            if (t.kind == TransformKind::Xor && xorValues < option->results().size()) {
                arg.text = option->results()[xorValues++];
            }
            transforms.push_back(std::move(arg));
        }
    }
    return transforms;
}

int RunExtract(const ExtractOptions& options, FileSystem& files, Streams streams) {
    const std::optional<ProgrammerOutput> programmer =
        ParseProgrammerArgs(options.programmer, options.output, streams.err);
    if (!programmer) return kExitError;
    const std::optional<DumpRequest> request = ParseDumpRequest(options.dump, files, streams.err);
    if (!request) return kExitError;
    InputOptions input = request->input;
    input.fill = programmer->fill;
    input.chipSize = programmer->chipSize;
    InputReading reading;
    const std::optional<ByteBuffer> file = LoadInputFile(files, options.file, streams.err, input, &reading);
    if (!file) return kExitError;
    const std::optional<Dump> dump = CutDump(*request, *file, options.file, streams.err);
    if (!dump) return kExitError;
    std::vector<std::uint8_t> bytes;
    try {
        bytes.assign(dump->bytes.begin(), dump->bytes.end());
    } catch (const std::bad_alloc&) {
        FileProblem(streams.err, options.file) << "Out of memory.\n";
        return kExitError;
    }
    if (!ApplyTransforms(options.transforms, bytes, streams.err)) return kExitError;
    if (!FitToChip(*programmer, bytes, streams.err)) return kExitError;
    std::optional<std::string> text;
    std::span<const std::uint8_t> payload = bytes;
    if (programmer->format != formats::FileFormat::Binary) {
        text = EncodeOutput(*programmer, bytes, options.output, streams.err);
        if (!text) return kExitError;
        payload = {reinterpret_cast<const std::uint8_t*>(text->data()), text->size()};
    }
    std::vector<std::string> inputs{options.file};
    if (!options.dump.maskPath.empty()) inputs.push_back(options.dump.maskPath);
    std::optional<WrittenOutput> written = WriteOneOutput(files, inputs, options.output, payload, streams.err);
    if (!written) return kExitError;
    // Records are shown by the image they hold: their text was read back against it before the write.
    const std::string formatName = OutputFormatName(*programmer, bytes);
    if (!formatName.empty()) {
        written->size = bytes.size();
        written->crc = Crc32(bytes);
    }

    const auto size = static_cast<std::uint32_t>(written->size);
    const std::uint32_t crc = written->crc;
    if (options.json) {
        nlohmann::json applied = nlohmann::json::array();
        for (const TransformArg& t : options.transforms) {
            applied.push_back(t.kind == TransformKind::Xor ? std::string(NameOf(t.kind)) + " " + t.text
                                                           : std::string(NameOf(t.kind)));
        }
        WriteJson(streams.out, nlohmann::json{{"output", options.output},
                                              {"start", dump->start},
                                              {"size", size},
                                              {"crc32", HexDigits(crc, 8)},
                                              {"transforms", applied},
                                              {"format", formatName.empty() ? "binary" : formatName},
                                              {"address", programmer->address},
                                              {"read", ReadingJson(reading)}});
    } else {
        streams.out << SizeCrcLine(written->path, written->size, written->crc)
                    << (formatName.empty() ? "" : " as " + formatName) << '\n';
        WriteDecodedLine(streams.out, options.file, reading);
    }
    return kExitOk;
}

const Subcommand<ExtractOptions> kExtractCommand{
    .name = "extract",
    .summary = "Cut a dump as Analyze does, transform it, and save it",
    .fileHelp = "The base file",
    .cutsDump = true,
    .addOptions =
        [](CLI::App& command, ExtractOptions& options) {
            command.add_option("-o,--output", options.output, "The file to write (replaced atomically)")->required();
            for (const TransformName& t : kTransforms) {
                if (t.kind == TransformKind::Xor) {
                    command.add_option(t.option, options.xorValues, t.help)->type_name("V")->allow_extra_args(false);
                } else {
                    command.add_flag(t.option, t.help)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
                }
            }
            command.add_option("--format", options.programmer.format,
                               "What to write: binary, ihex (Intel HEX), srec (S19, S28 or S37 by the last address), "
                               "s19, s28 or s37 (default: as the output's extension names, binary otherwise)");
            command.add_option("--address", options.programmer.address,
                               "The address of the first byte written as ihex or srec (hex, default 0)");
            command.add_option(
                "--fill", options.programmer.fill,
                "The byte for gaps in an Intel HEX or S-record input and for --chip's padding (hex, default FF)");
            command.add_option(
                "--chip", options.programmer.chip,
                "Pad to this chip's size, refuse an image larger: a size in hex or a part (27C512, 27C010 ...)");
        },
    .footer =
        "Transforms apply in the order given, each as many times as given. An Intel HEX or\n"
        "S-record input (told by its extension or --as) is laid out from --base (default 0), its gaps filled;\n"
        "records written with --address A read back with --base A or --base lowest.\n\n"
        "Examples:\n"
        "  vesperine-cli extract bios.bin --area 0:10000 --stripe even --swap16 --xor FF -o even.bin\n"
        "  even.bin: 32768 bytes (0x00008000) CRC:806FB2A5\n"
        "  vesperine-cli extract firmware.hex --chip 27C512 -o firmware.bin",
    .run = RunExtract,
    .jsonHelp = "One JSON document instead of a line",
    .beforeRun = [](const CLI::App& command,
                    ExtractOptions& options) { options.transforms = TransformsInOrder(command); },
};

}  // namespace vesperine::cli
