// Parsing the area, stripe and mask options, and cutting the dump exactly as Analyze does.
#include "cli/dump_options.h"

#include <CLI/CLI.hpp>
#include <new>
#include <ostream>

#include "cli/hex_arg.h"
#include "cli/input_file.h"
#include "cli/messages.h"

namespace vesperine::cli {

void AddDumpOptions(CLI::App& command, DumpOptions& options) {
    command.add_option("--area", options.area, "Target area START:END in hex, END exclusive (default: the whole file)");
    command.add_option("--stripe", options.stripe, "full, odd (1st, 3rd ... byte of the area) or even (2nd, 4th ...)")
        ->check(CLI::IsMember({"full", "odd", "even"}));
    command.add_option("--mask", options.maskPath,
                       "Mask file: XOR repeated from the first dump byte, or a 256-byte table");
    command
        .add_option("--mask-mode", options.maskMode, "nothing, xor or replace (default: xor with --mask, else nothing)")
        ->check(CLI::IsMember({"nothing", "xor", "replace"}));
    AddInputOptions(command, options.input);
}

std::optional<DumpRequest> ParseDumpRequest(const DumpOptions& options, FileSystem& files, std::ostream& err) {
    DumpRequest request;
    request.input = options.input;
    if (!options.area.empty()) {
        const std::optional<HexRange> range = ParseHexRange(options.area);
        if (!range) {
            err << "vesperine-cli: --area " << options.area << ": give START:END in hexadecimal, e.g. 0:8000\n";
            return std::nullopt;
        }
        if (range->end && *range->end < range->start) {
            err << "vesperine-cli: --area " << options.area
                << ": its end is before its start (START:END, END exclusive)\n";
            return std::nullopt;
        }
        request.area.start = range->start;
        request.wholeFile = !range->end.has_value();
        request.area.end = range->end.value_or(0);
    }
    request.area.stripe = options.stripe == "odd"    ? StripeMode::Odd
                          : options.stripe == "even" ? StripeMode::Even
                                                     : StripeMode::Full;
    const std::string mode =
        options.maskMode.empty() ? (options.maskPath.empty() ? "nothing" : "xor") : options.maskMode;
    request.area.mask = mode == "xor" ? MaskMode::Exor : mode == "replace" ? MaskMode::Replace : MaskMode::Nothing;
    if (!options.maskPath.empty()) {
        request.mask = LoadInputFile(files, options.maskPath, err);
        if (!request.mask) return std::nullopt;
        request.maskPath = options.maskPath;
    }
    return request;
}

std::optional<Dump> CutDump(const DumpRequest& request, std::span<const std::uint8_t> file, const std::string& path,
                            std::ostream& err) {
    AreaRequest area = request.area;
    if (request.wholeFile) {
        // A file the loader accepted is below 2 GiB, so its length is a 32-bit end.
        area.end = static_cast<std::uint32_t>(file.size());
    }
    const std::span<const std::uint8_t> mask =
        request.mask ? std::span<const std::uint8_t>(*request.mask) : std::span<const std::uint8_t>();
    switch (CheckArea(area, file.size(), mask.size())) {
        case AreaCheck::OutsideBase:
            FileProblem(err, path) << "Target area is outside the base file.\n";
            return std::nullopt;
        case AreaCheck::NoMask:
            // An empty mask file is the mask's fault, not the input's; a mode without --mask is said under the input.
            FileProblem(err, request.maskPath.empty() ? path : request.maskPath) << "MASK data is nothing.\n";
            return std::nullopt;
        case AreaCheck::Ok: break;
    }
    Dump dump;
    dump.start = area.start;
    const std::uint32_t length = DumpLengthOf(area);
    if (area.stripe == StripeMode::Full && area.mask == MaskMode::Nothing) {
        dump.bytes = length == 0 ? std::span<const std::uint8_t>() : file.subspan(area.start, length);
        return dump;
    }
    try {
        dump.owned.resize(length);
    } catch (const std::bad_alloc&) {
        FileProblem(err, path) << "Out of memory.\n";
        return std::nullopt;
    }
    ExtractInto(file, mask, area, dump.owned);
    dump.bytes = dump.owned;
    return dump;
}

std::optional<CutFile> LoadAndCut(const DumpOptions& options, const std::string& path, FileSystem& files,
                                  std::ostream& err) {
    const std::optional<DumpRequest> request = ParseDumpRequest(options, files, err);
    if (!request) return std::nullopt;
    std::optional<CutFile> cut(std::in_place);
    std::optional<ByteBuffer> file = LoadInputFile(files, path, err, options.input, &cut->reading);
    if (!file) return std::nullopt;
    cut->file = std::move(*file);
    std::optional<Dump> dump = CutDump(*request, cut->file, path, err);
    if (!dump) return std::nullopt;
    cut->dump = std::move(*dump);
    return cut;
}

}  // namespace vesperine::cli
