// The extract subcommand: parsing, the transforms in command-line order, and the atomic save.
#include "cli/extract_command.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <new>
#include <nlohmann/json.hpp>

#include "analysis/crc32.h"
#include "analysis/transforms.h"
#include "app/format.h"
#include "cli/commands.h"
#include "cli/hex_arg.h"
#include "cli/input_file.h"
#include "cli/json_output.h"
#include "platform/std_file_system.h"

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
    const std::optional<CutFile> cut = LoadAndCut(options.dump, options.file, files, streams.err);
    if (!cut) return kExitError;
    const Dump* const dump = &cut->dump;
    std::vector<std::uint8_t> bytes;
    try {
        bytes.assign(dump->bytes.begin(), dump->bytes.end());
    } catch (const std::bad_alloc&) {
        streams.err << "vesperine-cli: " << options.file << ": Out of memory.\n";
        return kExitError;
    }
    if (!ApplyTransforms(options.transforms, bytes, streams.err)) return kExitError;
    if (!SaveOutputFile(files, options.output, bytes, streams.err)) return kExitError;

    const auto size = static_cast<std::uint32_t>(bytes.size());
    const std::uint32_t crc = Crc32(bytes);
    if (options.json) {
        nlohmann::json applied = nlohmann::json::array();
        for (const TransformArg& t : options.transforms) {
            applied.push_back(t.kind == TransformKind::Xor ? std::string(NameOf(t.kind)) + " " + t.text
                                                           : std::string(NameOf(t.kind)));
        }
        WriteJson(streams.out, nlohmann::json{{"output", options.output},
                                              {"start", dump->start},
                                              {"size", size},
                                              {"crc32", FormatHex8(crc)},
                                              {"transforms", applied}});
    } else {
        streams.out << options.output << ": " << FormatDumpSize(size) << " CRC:" << FormatHex8(crc) << '\n';
    }
    return kExitOk;
}

CLI::App* AddExtractCommand(CLI::App& app, ExtractOptions& options) {
    CLI::App* command = app.add_subcommand("extract", "Cut a dump as Analyze does, transform it, and save it");
    command->add_option("FILE", options.file, "The base file")->required();
    command->add_option("-o,--output", options.output, "The file to write (replaced atomically)")->required();
    AddDumpOptions(*command, options.dump);
    for (const TransformName& t : kTransforms) {
        if (t.kind == TransformKind::Xor) {
            command->add_option(t.option, options.xorValues, t.help)->type_name("V")->allow_extra_args(false);
        } else {
            command->add_flag(t.option, t.help)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        }
    }
    command->add_flag("--json", options.json, "One JSON document instead of a line");
    command->footer(
        "Transforms apply in the order given, each as many times as given.\n\n"
        "Example:\n"
        "  vesperine-cli extract bios.bin --area 0:10000 --stripe even --swap16 --xor FF -o even.bin\n"
        "  even.bin: 32768 bytes (0x00008000) CRC:806FB2A5");
    return command;
}

void RegisterExtractCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<ExtractOptions>();
    CLI::App* command = AddExtractCommand(app, *options);
    command->callback([options, command, &status] {
        options->transforms = TransformsInOrder(*command);
        StdFileSystem files;
        status = RunExtract(*options, files, {std::cout, std::cerr});
    });
}

}  // namespace vesperine::cli
