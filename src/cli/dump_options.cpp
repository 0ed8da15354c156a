// Parsing the area, stripe and mask options, and cutting the dump exactly as Analyze does.
#include "cli/dump_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <new>
#include <ostream>
#include <sstream>

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

namespace {

std::optional<StreamedDump> HandOverCut(const DumpRequest& request, std::span<const std::uint8_t> file,
                                        const std::string& path, const InputReading& reading, const DumpPieces& sink,
                                        std::ostream& err) {
    const std::optional<Dump> dump = CutDump(request, file, path, err);
    if (!dump) return std::nullopt;
    if (sink.begin) sink.begin(dump->bytes.size());
    sink.take(dump->bytes, 0);
    return StreamedDump{dump->start, static_cast<std::uint32_t>(dump->bytes.size()), reading};
}

std::optional<StreamedDump> HandOverWhole(const DumpRequest& request, FileSystem& files, const std::string& path,
                                          const DumpPieces& sink, std::ostream& err) {
    InputReading reading;
    const std::optional<ByteBuffer> file = LoadInputFile(files, path, err, request.input, &reading);
    if (!file) return std::nullopt;
    return HandOverCut(request, *file, path, reading, sink, err);
}

}  // namespace

std::optional<StreamedDump> StreamDump(const DumpRequest& request, FileSystem& files, const std::string& path,
                                       const DumpPieces& sink, std::ostream& err) {
    if (request.area.stripe != StripeMode::Full || request.area.mask != MaskMode::Nothing)
        return HandOverWhole(request, files, path, sink, err);
    const std::uint64_t start = request.area.start;
    const std::uint64_t end = request.wholeFile ? ~std::uint64_t{0} : request.area.end;
    std::optional<std::uint64_t> told;
    if (sink.begin) {
        told = request.wholeFile ? files.FileLength(path) : std::optional<std::uint64_t>(end);
        if (!told || *told < start) return HandOverWhole(request, files, path, sink, err);
        sink.begin(*told - start);
    }
    std::uint64_t position = 0;
    const auto take = [&](std::span<const std::uint8_t> piece) {
        position += piece.size();
        const std::uint64_t from = std::max(position - piece.size(), start);
        const std::uint64_t to = std::min(position, end);
        if (from < to) sink.take(piece.subspan(from - (position - piece.size()), to - from), from - start);
    };
    // What the reading says is held back until it is known whether the file is read again.
    std::ostringstream said;
    const std::optional<StreamedInput> input = StreamInputFile(files, path, take, said, request.input);
    if (!input) {
        err << said.str();
        return std::nullopt;
    }
    if (input->image) {
        err << said.str();
        return HandOverCut(request, *input->image, path, input->reading, sink, err);
    }
    if (told && request.wholeFile && position != *told) return HandOverWhole(request, files, path, sink, err);
    err << said.str();
    AreaRequest area = request.area;
    if (request.wholeFile) area.end = static_cast<std::uint32_t>(position);  // the loader refuses 2 GiB and more
    if (CheckArea(area, position, 0) != AreaCheck::Ok) {
        FileProblem(err, path) << "Target area is outside the base file.\n";
        return std::nullopt;
    }
    return StreamedDump{area.start, DumpLengthOf(area), input->reading};
}

}  // namespace vesperine::cli
